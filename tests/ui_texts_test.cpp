// The dialog and the picture chooser in the user's interface language: Japanese as designed on
// a Japanese system, English everywhere else, with nothing but the texts and their fonts changing.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "lifecycle/main.h"
#include "lifecycle/saver.h"
#include "platform/memory/memory_platform.h"
#include "settings/picture_kinds.h"
#include "settings/ui_texts.h"

namespace frin {
namespace {

constexpr uint16_t kJapaneseJapan = 0x0411, kEnglishUs = 0x0409;

TEST(UiTexts, TheLanguageIsJapaneseOnlyForAJapaneseInterface) {
  EXPECT_STREQ(LanguageFor(kJapaneseJapan).name, "Japanese");
  EXPECT_STREQ(LanguageFor(0x0011).name, "Japanese");  // Japanese with no region
  EXPECT_STREQ(LanguageFor(0x0811).name, "Japanese");  // any sub-language of Japanese
  for (uint16_t id : {kEnglishUs, uint16_t{0x0809}, uint16_t{0x0407}, uint16_t{0x0804},
                      uint16_t{0x0412}, uint16_t{0x0000}, uint16_t{0xFFFF}}) {
    EXPECT_STREQ(LanguageFor(id).name, "English") << std::hex << id;
  }
}

TEST(UiTexts, EveryTableHoldsEveryTextAndFaces) {
  for (const UiLanguage& language : UiLanguages()) {
    SCOPED_TRACE(language.name);
    for (size_t i = 0; i < kTextCount; ++i) {
      const auto id = static_cast<TextId>(i);
      ASSERT_NE(language.Text(id), nullptr) << i;
      // Only the counter word after the flake count may be left out (English needs none).
      if (id != TextId::kCountUnit) {
        EXPECT_NE(std::string(language.Text(id)), "") << i;
      }
    }
    EXPECT_NE(language.gothicFace, nullptr);
    EXPECT_NE(language.minchoFace, nullptr);
  }
  // Tables for other languages come before the one that serves every other language.
  EXPECT_EQ(UiLanguages().back().primaryLanguage, 0);
}

// A settings dialog started as the system starts it, for a user of the given interface language.
struct DialogFor {
  MemoryPlatform api;
  Saver saver{api};
  explicit DialogFor(uint16_t language) {
    api.SetUserInterfaceLanguage(language);
    api.SetCommandText("/c");
    api.SetSetting("Tolvar", "SS_Frin", "SaverType", "black");
    api.SetSetting("Tolvar", "SS_Frin", "BackScreen", "on");
    api.SetSetting("Tolvar", "SS_Frin", "BS_File", "C:\\pics\\a.bmp");
    Main(saver);
  }
  std::string Caption(const char* name, int index = -1) {
    return saver.Form_Set->Get(name, index).caption;
  }
  Font FontOf(const char* name, int index) { return *saver.Form_Set->Get(name, index).font; }
};

TEST(UiTexts, AJapaneseSystemShowsTheDialogAsDesigned) {
  DialogFor d(kJapaneseJapan);
  ASSERT_NE(d.saver.Form_Set, nullptr);
  const std::pair<std::pair<const char*, int>, const char*> captions[] = {
      {{"Btn_Set", 0}, "Ｏ Ｋ"},
      {{"Btn_Set", 1}, "Ｃａｎｃｅｌ"},
      {{"Chk_Set", 0}, "ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す"},
      {{"Chk_Set", 3}, "背景を指定する"},
      {{"Btn_File", -1}, "参照 >>"},
      {{"Chk_Set", 1}, "Frinが積もる"},
      {{"Chk_Set", 2}, "ﾏｳｽ移動でｽｸﾘｰﾝｾｰﾊﾞｰを解除しない"},
      {{"Frame1", 0}, "Frinの量"},
      {{"Frame1", 1}, "Frinのスピード"},
      {{"Label1", 1}, "個"},
      {{"Label1", 2}, "少ない"},
      {{"Label1", 3}, "多い"},
      {{"Label1", 4}, "速い"},
      {{"Label1", 5}, "遅い"},
      {{"Label1", 8}, "Screen Saver"},
      {{"Label1", 9}, "Frin"},
      {{"Label1", 10}, "Ver. 3.02"},
      {{"Label1", 12}, "背景ﾌｧｲﾙ"},
  };
  for (const auto& [control, text] : captions) {
    EXPECT_EQ(d.Caption(control.first, control.second), text) << control.first << control.second;
  }
  EXPECT_FALSE(d.saver.Form_Set->font.has_value());  // the platform's default dialog font
  const Font f1 = d.FontOf("Btn_Set", 0), f3 = d.FontOf("Label1", 2);
  EXPECT_EQ(f1.face, "ＭＳ Ｐゴシック");
  EXPECT_EQ(f1.points, 9.75);
  EXPECT_EQ(f1.charset, 128);
  EXPECT_EQ(f3.face, "ＭＳ Ｐ明朝");
}

TEST(UiTexts, ElsewhereTheDialogSpeaksEnglishInTheSystemsMessageFont) {
  DialogFor d(kEnglishUs);
  ASSERT_NE(d.saver.Form_Set, nullptr);
  EXPECT_EQ(d.Caption("Btn_Set", 0), "OK");
  EXPECT_EQ(d.Caption("Btn_Set", 1), "Cancel");
  EXPECT_EQ(d.Caption("Frame1", 0), "Number of flakes");
  EXPECT_EQ(d.Caption("Chk_Set", 2), "Ignore mouse movement");
  EXPECT_EQ(d.Caption("Label1", 1), "");
  // Identities stay: the window title other instances look for.
  EXPECT_EQ(d.saver.Form_Set->caption, "ScreenSaver Frin");
  // Every captioned control reads in the system's message font, at the designed sizes.
  for (const auto& c : d.saver.Form_Set->Controls()) {
    if (!c->font) continue;
    EXPECT_EQ(c->font->face, kSystemMessageFace) << c->name << c->index;
    EXPECT_NE(c->font->charset, 128) << c->name << c->index;
  }
  EXPECT_EQ(d.FontOf("Btn_Set", 0).points, 9.75);
  EXPECT_EQ(d.FontOf("Label1", 8).points, 12);
  EXPECT_TRUE(d.FontOf("Label1", 8).italic);
  ASSERT_TRUE(d.saver.Form_Set->font.has_value());
  EXPECT_EQ(d.saver.Form_Set->font->face, kSystemMessageFace);
}

TEST(UiTexts, TheChooserAsksInTheUsersLanguage) {
  using namespace std::string_literals;
  const std::string every = kEveryPicturePattern;
  // The first pair offers every kind of picture the saver shows; the designed four follow.
  const std::pair<uint16_t, std::pair<std::string, std::string>> cases[] = {
      {kJapaneseJapan,
       {"背景の参照", "ﾋﾟｸﾁｬｰﾌｧｲﾙ ("s + every + ")\0"s + every +
                          "\0ﾋﾟｸﾁｬｰﾌｧｲﾙ (*.bmp;*.jpg;*.wmf)\0*.bmp;*.jpg;*.wmf\0ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)\0"
                          "*.bmp\0JPEGﾌｧｲﾙ(*.jpg)\0*.jpg\0ﾒﾀﾌｧｲﾙ (*.wmf)\0*.wmf\0\0"s}},
      {kEnglishUs,
       {"Choose a background picture",
        "All pictures ("s + every + ")\0"s + every +
            "\0Picture files (*.bmp;*.jpg;*.wmf)\0*.bmp;*.jpg;*.wmf\0Bitmaps (*.bmp)\0*.bmp\0"
            "JPEG files (*.jpg)\0*.jpg\0Metafiles (*.wmf)\0*.wmf\0\0"s}},
  };
  for (const auto& [language, want] : cases) {
    DialogFor d(language);
    d.api.SetOpenFileAnswer(std::nullopt);
    d.api.QueueClick(d.saver.Form_Set->Get("Btn_File"));
    d.api.Advance(0);
    ASSERT_EQ(d.api.FileChooserRequests().size(), 1u);
    EXPECT_EQ(d.api.FileChooserRequests()[0].title, want.first);
    EXPECT_EQ(d.api.FileChooserRequests()[0].filter, want.second);
    EXPECT_EQ(d.api.FileChooserRequests()[0].filterIndex, 1u);
  }
}

TEST(UiTexts, OkStoresTheSameKeysAndValuesInEveryLanguage) {
  std::vector<std::vector<std::string>> stored;
  for (uint16_t language : {kJapaneseJapan, kEnglishUs}) {
    DialogFor d(language);
    Form& form = *d.saver.Form_Set;
    d.api.QueueClick(form.Get("Chk_Set", 1));
    d.api.QueueClick(form.Get("Chk_Set", 2));
    d.api.QueueClick(form.Get("Btn_Set", 0));
    EXPECT_TRUE(RunUntilEnded([&] { d.api.Advance(10); }));
    std::vector<std::string> writes;
    for (const auto& w : d.api.Writes())
      writes.push_back(w.app + "/" + w.section + "/" + w.key + "=" + w.text);
    stored.push_back(writes);
  }
  ASSERT_EQ(stored[0].size(), 7u);
  EXPECT_EQ(stored[0], stored[1]);
}

}  // namespace
}  // namespace frin
