#include "settings/ui_texts.h"

namespace frin {
namespace {

constexpr uint16_t kPrimaryJapanese = 0x11;
constexpr int kJapaneseCharset = 128, kDefaultCharset = 1;

// The dialog as designed: Japanese captions, half-width katakana and full-width letters included,
// in the Japanese system faces.
constexpr UiLanguage kJapanese = {
    kPrimaryJapanese,
    "Japanese",
    {
        "Ｏ Ｋ",
        "Ｃａｎｃｅｌ",
        "ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す",
        "背景を指定する",
        "参照 >>",
        "Frinが積もる",
        "ﾏｳｽ移動でｽｸﾘｰﾝｾｰﾊﾞｰを解除しない",
        "Frinの量",
        "Frinのスピード",
        "個",
        "少ない",
        "多い",
        "速い",
        "遅い",
        "Tolvar Software",
        "E-mail: frin@tolvar.example",
        "Screen Saver",
        "Frin",
        "Ver. 3.02",
        "背景ﾌｧｲﾙ",
        "背景の参照",
        "ﾋﾟｸﾁｬｰﾌｧｲﾙ",
        "ﾋﾟｸﾁｬｰﾌｧｲﾙ (*.bmp;*.jpg;*.wmf)",
        "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)",
        "JPEGﾌｧｲﾙ(*.jpg)",
        "ﾒﾀﾌｧｲﾙ (*.wmf)",
    },
    "ＭＳ Ｐゴシック",
    "ＭＳ Ｐ明朝",
    kJapaneseCharset,
    nullptr,
};

// Everyone else: the words of the system's own settings pages, short enough for the boxes the
// Japanese captions were laid out in, in the system's message font.
constexpr UiLanguage kEnglish = {
    0,
    "English",
    {
        "OK",
        "Cancel",
        "Hide the desktop",
        "Use a picture",
        "Browse",
        "Snow cover",
        "Ignore mouse movement",
        "Number of flakes",
        "Speed",
        "",  // the count needs no counter word in English
        "Few",
        "Many",
        "Fast",
        "Slow",
        "Tolvar Software",
        "E-mail: frin@tolvar.example",
        "Screen Saver",
        "Frin",
        "Ver. 3.02",
        "Picture file",
        "Choose a background picture",
        "All pictures",
        "Picture files (*.bmp;*.jpg;*.wmf)",
        "Bitmaps (*.bmp)",
        "JPEG files (*.jpg)",
        "Metafiles (*.wmf)",
    },
    kSystemMessageFace,
    kSystemMessageFace,
    kDefaultCharset,
    kSystemMessageFace,
};

constexpr std::array<UiLanguage, 2> kUiLanguages = {kJapanese, kEnglish};

}  // namespace

std::span<const UiLanguage> UiLanguages() {
  return kUiLanguages;
}

const UiLanguage& LanguageFor(uint16_t languageId) {
  const uint16_t primary = languageId & 0x3FFu;
  for (const UiLanguage& language : kUiLanguages) {
    if (language.primaryLanguage == primary) return language;
  }
  return kUiLanguages.back();
}

const UiLanguage& JapaneseLanguage() {
  return kUiLanguages.front();
}

Font DialogFont(const UiLanguage& language, int n) {
  const char* gothic = language.gothicFace;
  const int charset = language.charset;
  switch (n) {
    case 1:
      return Font{gothic, 9.75, 400, false, charset};
    case 2:
      return Font{gothic, 12, 400, false, charset};
    case 3:
      return Font{language.minchoFace, 9, 400, false, charset};
    case 4:
      return Font{gothic, 12, 700, false, charset};
    case 5:
      return Font{gothic, 12, 700, true, charset};
    default:
      return Font{gothic, 11.25, 700, false, charset};
  }
}

}  // namespace frin
