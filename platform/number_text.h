// Number texts as the runtime reads and writes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace frin {

// The command-line reading: blanks, tabs and line feeds ignored wherever they stand; optional
// sign, digits, optional fraction, optional exponent (E or D); stops at the first character that
// cannot continue the number; no digits give 0. Rounded to the nearest integer, ties to even.
// Raises the overflow error outside the signed 32-bit range.
int32_t ReadCommandNumber(std::string_view text);

// The settings store's reading of a whole text as a number: blanks around it, a sign, digits and
// a fraction; rounded ties to even. nullopt when the text is not a number (the empty text
// included) or lies outside the signed 32-bit range.
std::optional<int32_t> ParseSettingNumber(std::string_view text);

// Round half to even, as the runtime converts to an integer.
double RoundHalfEven(double v);

// The "#0" pattern: plain decimal digits, at least one, a leading "-" when negative.
std::string FormatNumber(int64_t v);

// Characters of UTF-8 text (code points), and the first n characters / the text from the
// character at index i on.
size_t CharCount(std::string_view utf8);
std::string CharLeft(std::string_view utf8, size_t n);
std::string CharMid(std::string_view utf8, size_t from);
// Leading and trailing blanks (U+0020) removed.
std::string TrimBlanks(std::string_view text);

}  // namespace frin
