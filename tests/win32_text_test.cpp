// The Windows backend's pure half: text conversions at the system boundary, the command line,
// dialog buffers, unit conversions and the scroll bar's notifications.
#include "platform/win32/win32_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace frin::win32 {
namespace {

TEST(Win32Text, Utf8AndUtf16RoundTripTheDialogsTexts) {
  // Captions of the dialog (half-width katakana, full-width Latin), the host caption, a path
  // outside any ANSI code page and a character outside the basic plane.
  const std::vector<std::string> texts = {
      "",
      "ScreenSaver Frin",
      "ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す",
      "Ｃａｎｃｅｌ",
      "画面 のﾌﾟﾛﾊﾟﾃｨ",
      "C:\\Users\\Zoë\\Ελληνικά\\снег.jpg",
      "\xF0\x9F\x8C\xA8 snow",  // U+1F328
  };
  for (const std::string& t : texts) {
    EXPECT_EQ(Utf8FromUtf16(Utf16FromUtf8(t)), t) << t;
  }
  EXPECT_EQ(Utf16FromUtf8("ｽ"), u"\uFF7D");
  EXPECT_EQ(Utf16FromUtf8("\xF0\x9F\x8C\xA8"), u"\U0001F328");
  // The filter list keeps its embedded NULs.
  EXPECT_EQ(Utf16FromUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Win32Text, MalformedTextBecomesReplacementCharacters) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},              // stray continuation byte
      {"a\xE3\x81", u"a\uFFFD"},        // truncated sequence
      {"\xC0\xAF", u"\uFFFD"},          // overlong '/'
      {"\xED\xA0\x80x", u"\uFFFDx"},    // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},  // above U+10FFFF
      {"\xFFz", u"\uFFFDz"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf16FromUtf8(c.in), c.out);
  }
  EXPECT_EQ(Utf8FromUtf16(u"\xD800x"), "\xEF\xBF\xBDx");  // unpaired surrogate
  EXPECT_EQ(Utf8FromUtf16(u"\xDC00"), "\xEF\xBF\xBD");
}

TEST(Win32Text, CommandArgumentsFollowTheProgramPath) {
  struct Case {
    std::u16string line, args;
  };
  const Case cases[] = {
      {u"\"C:\\Program Files\\frin.scr\" /s", u"/s"},
      {u"C:\\WINDOWS\\frin.scr /p 1234", u"/p 1234"},
      {u"C:\\WINDOWS\\FRIN~1.SCR   /c:5678", u"/c:5678"},
      {u"frin.scr\t/a 42", u"/a 42"},
      {u"\"C:\\a b\\frin.scr\"", u""},
      {u"frin.scr", u""},
      {u"\"C:\\a b\\frin.scr\"/S", u"/S"},  // no blank after the quoted path
      {u"frin.scr /p 1 234 ", u"/p 1 234 "},
      {u"\"unterminated /s", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandArguments(c.line), c.args) << Utf8FromUtf16(c.line);
  }
}

TEST(Win32Text, PathsAndStoreLocations) {
  EXPECT_EQ(FolderOfPath(u"C:\\Windows\\System32\\frin.scr"), u"C:\\Windows\\System32");
  EXPECT_EQ(FolderOfPath(u"C:\\frin.scr"), u"C:\\");
  EXPECT_EQ(FolderOfPath(u"frin.scr"), u"");
  EXPECT_EQ(FolderOfPath(u"\\\\server\\share\\frin.scr"), u"\\\\server\\share");
  EXPECT_EQ(SettingsKeyPath("Tolvar", "SS_Frin"),
            u"Software\\VB and VBA Program Settings\\Tolvar\\SS_Frin");
}

TEST(Win32Text, DialogBuffersAndFilterLists) {
  // The chooser's request: NUL then 255 blanks, in a buffer of 256 units.
  const std::string request = std::string(1, '\0') + std::string(255, ' ');
  const std::u16string buffer = DialogBuffer(request, 256);
  ASSERT_EQ(buffer.size(), 256u);
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(buffer[255], u' ');
  EXPECT_EQ(UpToNul(buffer), u"");
  // A text longer than the buffer is cut so that one NUL still fits.
  EXPECT_EQ(DialogBuffer("abcdef", 4), std::u16string(u"abc\0", 4));
  EXPECT_EQ(UpToNul(std::u16string(u"C:\\写真.jpg\0   ", 13)), u"C:\\写真.jpg");

  constexpr char kPair[] = "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)\0*.bmp\0";
  const std::string filter(kPair, sizeof kPair - 1);
  const std::u16string list = FilterList(filter);
  EXPECT_EQ(list, std::u16string(u"ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)\0*.bmp\0\0", 24));
  // However the text ends, the list ends with exactly two NULs.
  EXPECT_EQ(FilterList(std::string("a\0b", 3)), std::u16string(u"a\0b\0\0", 5));
  EXPECT_EQ(FilterList(""), std::u16string(u"\0\0", 2));
}

TEST(Win32Text, TwipsAndHimetricToPixels) {
  EXPECT_EQ(TwipsToPixels(-750, 15), -50);  // Pic_Focus lies left of the window
  EXPECT_EQ(TwipsToPixels(7575, 15), 505);
  EXPECT_EQ(TwipsToPixels(15360, 12), 1280);
  EXPECT_EQ(TwipsToPixels(7, 15), 0);
  EXPECT_EQ(TwipsToPixels(8, 15), 1);
  EXPECT_EQ(TwipsToPixels(-8, 15), -1);
  EXPECT_EQ(TwipsToPixels(int64_t{1} << 40, 1), INT32_MAX);
  EXPECT_EQ(TwipsToPixels(150, 0), 10);  // a broken ratio falls back to 15

  EXPECT_EQ(HimetricToPixels(2540, 96), 96);   // one inch
  EXPECT_EQ(HimetricToPixels(5292, 96), 200);  // 200 pixels as the picture stores them
  EXPECT_EQ(HimetricToPixels(0, 96), 0);
  EXPECT_EQ(HimetricToPixels(-5, 96), 0);
}

TEST(Win32Text, ScrollNotificationsMoveTheValueByTheBarsSteps) {
  const ScrollRange count{0, 500, 1, 10};
  const ScrollRange speed{0, 15, 1, 2};
  struct Case {
    int code;
    int32_t value;
    const ScrollRange* range;
    int32_t thumb;
    std::optional<int32_t> want;
  };
  const Case cases[] = {
      {kSbLineRight, 150, &count, 0, 151},
      {kSbLineLeft, 150, &count, 0, 149},
      {kSbPageRight, 150, &count, 0, 160},
      {kSbPageLeft, 5, &count, 0, 0},             // clamped at the left end
      {kSbLineLeft, 0, &count, 0, std::nullopt},  // already there: no change, no handler
      {kSbPageRight, 14, &speed, 0, 15},
      {kSbRight, 3, &speed, 0, 15},
      {kSbLeft, 3, &speed, 0, 0},
      {kSbThumbPosition, 10, &speed, 4, 4},
      {kSbThumbPosition, 10, &speed, 99, 15},
      {kSbThumbTrack, 10, &speed, 4, std::nullopt},  // dragging: the value waits
      {kSbEndScroll, 10, &speed, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScrollTarget(c.code, c.value, *c.range, c.thumb), c.want)
        << "code " << c.code << " value " << c.value;
  }
}

TEST(Win32Text, ColoursShiftStateAndErrorReport) {
  auto sys = [](int index) {
    return static_cast<uint32_t>(0x010101u * static_cast<uint32_t>(index));
  };
  EXPECT_EQ(ColourRef(0x00FF0000u, sys), 0x00FF0000u);  // blue stays 0x00BBGGRR
  EXPECT_EQ(ColourRef(0x80000012u, sys), 0x121212u);    // system colour 18
  EXPECT_EQ(ColourRef(0x80000040u, sys), std::nullopt);
  EXPECT_EQ(ColourRef(0x81000005u, sys), std::nullopt);

  EXPECT_EQ(ShiftState(false, false, false), 0);
  EXPECT_EQ(ShiftState(true, true, true), 7);
  EXPECT_EQ(ShiftState(false, false, true), 4);

  EXPECT_EQ(ErrorReport(13, "Type mismatch"), "Run-time error '13':\n\nType mismatch");
}

}  // namespace
}  // namespace frin::win32
