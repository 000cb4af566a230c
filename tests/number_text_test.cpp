#include "platform/number_text.h"

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace frin {
namespace {

TEST(NumberText, ReadCommandNumberReadsWhatTheCommandLineCarries) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"1234", 1234},
      {" 1234", 1234},
      {"1 234", 1234},    // blanks inside the number do not count
      {"\t1\n2 3", 123},  // nor tabs and line feeds
      {"12ab", 12},       // stops at the first character that cannot continue
      {"1-2", 1},
      {"1.2.3", 1},
      {"", 0},  // no digits at all
      {"abc", 0},
      {"--5", 0},
      {".", 0},
      {"0x10", 0},
      {"-5", -5},
      {"+7", 7},
      {"- 7", -7},
      {"2.5", 2},  // ties go to the even neighbour
      {"3.5", 4},
      {"-2.5", -2},
      {"0.5", 0},
      {".6", 1},
      {"5.", 5},
      {"2.4999", 2},
      {"1E3", 1000},
      {"1e3", 1000},
      {"1D2", 100},  // D is an exponent too
      {"1.5E1", 15},
      {"25E-1", 2},
      {"2E", 2},  // an exponent without digits adds nothing
      {"2E+", 2},
      {"1E-400", 0},
      {"12\r", 12},  // a carriage return is no blank
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"-2147483648.5", INT32_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadCommandNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(NumberText, ReadCommandNumberOutside32BitsIsAnOverflow) {
  for (const char* text : {"2147483648", "-2147483649", "2147483647.5", "4294967296", "1E400",
                           "99999999999999999999999999"}) {
    try {
      ReadCommandNumber(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), kErrOverflow) << text;
    }
  }
}

TEST(NumberText, ParseSettingNumberTakesAWholeTextOrNothing) {
  struct Case {
    const char* text;
    std::optional<int32_t> expected;
  } cases[] = {
      {"150", 150},
      {" 200 ", 200},
      {"\t7\t", 7},
      {"12.5", 12},
      {"13.5", 14},
      {"-5", -5},
      {"+5", 5},
      {"0", 0},
      {".5", 0},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"12ab", std::nullopt},
      {"1 2", std::nullopt},
      {".", std::nullopt},
      {"-", std::nullopt},
      {"2147483648", std::nullopt},
      {"2147483647.5", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseSettingNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(NumberText, RoundHalfEvenAndFormat) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(14.999), 15);
  EXPECT_EQ(RoundHalfEven(15.0f), 15);
  EXPECT_EQ(RoundHalfEven(11.99f), 12);

  EXPECT_EQ(FormatNumber(150), "150");
  EXPECT_EQ(FormatNumber(0), "0");
  EXPECT_EQ(FormatNumber(-5), "-5");
  EXPECT_EQ(FormatNumber(INT32_MIN), "-2147483648");
}

TEST(NumberText, CharactersAreCodePointsNotBytes) {
  const std::string caption = "\u753B\u9762\u0020\u306E\uFF8C\uFF9F";  // 6 characters, 16 bytes
  EXPECT_EQ(CharCount(caption), 6u);
  EXPECT_EQ(CharLeft(caption, 2), "\u753B\u9762");
  EXPECT_EQ(CharMid(caption, 3), "\u306E\uFF8C\uFF9F");
  EXPECT_EQ(CharLeft("/p 1234", 2), "/p");
  EXPECT_EQ(CharMid("/p 1234", 3), "1234");
  EXPECT_EQ(CharLeft("/", 2), "/");
  EXPECT_EQ(CharMid("/p ", 3), "");
  EXPECT_EQ(CharMid("", 3), "");
  EXPECT_EQ(CharCount(""), 0u);
  // A broken sequence still counts, and is never cut into.
  EXPECT_EQ(CharCount("\x80"
                      "ab"),
            3u);
  EXPECT_EQ(CharLeft("\xE7\x94", 1), "\xE7\x94");

  EXPECT_EQ(TrimBlanks("  C:\\a b.bmp  "), "C:\\a b.bmp");
  EXPECT_EQ(TrimBlanks("\tx "), "\tx");
  EXPECT_EQ(TrimBlanks("   "), "");
}

}  // namespace
}  // namespace frin
