// Number texts: the command line's and the store's readings of numbers, rounding half to even,
// the "#0" format, and counting and cutting UTF-8 text by characters.
#include "platform/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/errors.h"

namespace frin {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal text in the form from_chars takes: [-]digits[.digits][e[-]digits].
struct NumberParts {
  bool negative = false;
  std::string whole;
  std::string fraction;
  bool exponentNegative = false;
  std::string exponent;
};

// Whether a value that does not fit a double is too small for one rather than too large: the
// decimal order of its leading non-zero digit, with the exponent added, is below 0. Neither the
// exponent's sign alone nor its absence tells: 0.000...1 with hundreds of zeros is tiny without
// one, and a mantissa of hundreds of digits stays huge after E-1.
bool BelowDoubleRange(const NumberParts& p) {
  constexpr int64_t kCap = int64_t{1} << 40;  // far beyond any double's decimal order
  int64_t order = 0;
  const size_t lead = p.whole.find_first_not_of('0');
  if (lead != std::string::npos) {
    order = static_cast<int64_t>(p.whole.size() - lead) - 1;
  } else {
    const size_t first = p.fraction.find_first_not_of('0');
    if (first == std::string::npos) return true;  // all zeros
    order = -static_cast<int64_t>(first) - 1;
  }
  int64_t exponent = 0;
  for (char c : p.exponent) {
    exponent = std::min(kCap, exponent * 10 + (c - '0'));
  }
  order += p.exponentNegative ? -exponent : exponent;
  return order < 0;
}

// The value of the parts, or nullopt when it lies beyond the range of a double. A value too small
// for a double is 0.
std::optional<double> PartsValue(const NumberParts& p) {
  std::string text;
  text.reserve(p.whole.size() + p.fraction.size() + p.exponent.size() + 4);
  text += p.whole.empty() ? "0" : p.whole;
  if (!p.fraction.empty()) {
    text += '.';
    text += p.fraction;
  }
  if (!p.exponent.empty()) {
    text += 'e';
    if (p.exponentNegative) text += '-';
    text += p.exponent;
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    // Either far too large or far too small.
    if (BelowDoubleRange(p)) return 0.0;
    return std::nullopt;
  }
  if (ec != std::errc()) return 0.0;
  return p.negative ? -value : value;
}

}  // namespace

int32_t ReadCommandNumber(std::string_view text) {
  // Blanks, tabs and line feeds do not count wherever they stand.
  std::string packed;
  packed.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') packed += c;
  }

  NumberParts parts;
  size_t i = 0;
  const size_t n = packed.size();
  if (i < n && (packed[i] == '+' || packed[i] == '-')) {
    parts.negative = packed[i] == '-';
    ++i;
  }
  while (i < n && IsDigit(packed[i]))
    parts.whole += packed[i++];
  if (i < n && packed[i] == '.') {
    ++i;
    while (i < n && IsDigit(packed[i]))
      parts.fraction += packed[i++];
  }
  if (parts.whole.empty() && parts.fraction.empty()) return 0;
  if (i < n && (packed[i] == 'E' || packed[i] == 'e' || packed[i] == 'D' || packed[i] == 'd')) {
    ++i;
    if (i < n && (packed[i] == '+' || packed[i] == '-')) {
      parts.exponentNegative = packed[i] == '-';
      ++i;
    }
    while (i < n && IsDigit(packed[i]))
      parts.exponent += packed[i++];
  }

  const std::optional<double> value = PartsValue(parts);
  if (!value) RaiseError(kErrOverflow);
  return CheckedNarrow<int32_t>(RoundHalfEven(*value));
}

std::optional<int32_t> ParseSettingNumber(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (begin < end && blank(text[begin]))
    ++begin;
  while (end > begin && blank(text[end - 1]))
    --end;
  const std::string_view body = text.substr(begin, end - begin);

  NumberParts parts;
  size_t i = 0;
  if (i < body.size() && (body[i] == '+' || body[i] == '-')) {
    parts.negative = body[i] == '-';
    ++i;
  }
  while (i < body.size() && IsDigit(body[i]))
    parts.whole += body[i++];
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && IsDigit(body[i]))
      parts.fraction += body[i++];
  }
  if (i != body.size()) return std::nullopt;
  if (parts.whole.empty() && parts.fraction.empty()) return std::nullopt;

  const std::optional<double> value = PartsValue(parts);
  if (!value) return std::nullopt;
  const double rounded = RoundHalfEven(*value);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return std::nullopt;
  return static_cast<int32_t>(rounded);
}

double RoundHalfEven(double v) {
  const double below = std::floor(v);
  const double rest = v - below;  // exact for every double
  if (rest > 0.5) return below + 1;
  if (rest < 0.5) return below;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::string FormatNumber(int64_t v) {
  return std::to_string(v);
}

namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// Byte offset of the character at index n (the text's size when it has fewer characters).
size_t ByteOffsetOfChar(std::string_view utf8, size_t n) {
  size_t chars = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (i > 0 && IsContinuation(utf8[i])) continue;  // a stray first byte still starts one
    if (chars == n) return i;
    ++chars;
  }
  return utf8.size();
}

}  // namespace

size_t CharCount(std::string_view utf8) {
  size_t chars = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (i == 0 || !IsContinuation(utf8[i])) ++chars;
  }
  return chars;
}

std::string CharLeft(std::string_view utf8, size_t n) {
  return std::string(utf8.substr(0, ByteOffsetOfChar(utf8, n)));
}

std::string CharMid(std::string_view utf8, size_t from) {
  return std::string(utf8.substr(ByteOffsetOfChar(utf8, from)));
}

std::string TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && text[begin] == ' ')
    ++begin;
  while (end > begin && text[end - 1] == ' ')
    --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace frin
