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
      {"\t1\n2 3", 123},  // blanks, tabs and line feeds do not count
      {"12\r", 12},       // a carriage return is no blank
      {"1.2.3", 1},      {"", 0},    {"--5", 0},    {".", 0},
      {"- 7", -7},       {"+7", 7},  {"2.5", 2},    {"3.5", 4},
      {"-2.5", -2},      {".6", 1},  {"1e3", 1000}, {"1D2", 100},
      {"25E-1", 2},      {"2E+", 2}, {"1E-400", 0}, {"-2147483648.5", INT32_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadCommandNumber(c.text), c.expected) << '"' << c.text << '"';
  }
  // Beyond a double's range either way, whatever the exponent's sign says on its own.
  const std::string zeros(400, '0');
  EXPECT_EQ(ReadCommandNumber("0." + zeros + "1"), 0);
  EXPECT_EQ(ReadCommandNumber("0." + zeros + "1E+5"), 0);
  EXPECT_EQ(ReadCommandNumber("1" + zeros + "E-399"), 10);
  for (const std::string& text :
       {std::string("2147483648"), std::string("2147483647.5"), std::string("1E400"),
        std::string("99999999999999999999999"), "1" + zeros + "E-1", "0.0001E" + zeros + "400"}) {
    try {
      ReadCommandNumber(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), kErrOverflow) << text;
    }
  }
}

TEST(NumberText, RoundingFormattingAndCharacters) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(14.999), 15);
  EXPECT_EQ(FormatNumber(-5), "-5");
  EXPECT_EQ(FormatNumber(INT32_MIN), "-2147483648");

  const std::string caption = "\u753B\u9762\u0020\u306E\uFF8C\uFF9F";  // 6 characters, 16 bytes
  EXPECT_EQ(CharCount(caption), 6u);
  EXPECT_EQ(CharLeft(caption, 2), "\u753B\u9762");
  EXPECT_EQ(CharMid(caption, 3), "\u306E\uFF8C\uFF9F");
  EXPECT_EQ(CharMid("/p ", 3), "");
  EXPECT_EQ(CharLeft("\xE7\x94", 1), "\xE7\x94");  // a broken sequence is never cut into
  EXPECT_EQ(TrimBlanks("  C:\\a b.bmp \t "), "C:\\a b.bmp \t");
}

}  // namespace
}  // namespace frin
