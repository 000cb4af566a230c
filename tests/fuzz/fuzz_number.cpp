// Number texts: the command line's reading and the store's reading of arbitrary bytes.
// Properties: the command reading fails only with the overflow error; the store reading never
// raises, and a number it accepts reads back the same from its own "#0" text; a plain run of up
// to nine digits reads as exactly that integer in both.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/number_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The integer a text of optional sign and one to nine digits (nothing else) spells.
std::optional<int32_t> PlainInteger(std::string_view t) {
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (t.size() == i || t.size() - i > 9) return std::nullopt;
  int32_t v = 0;
  for (size_t k = i; k < t.size(); ++k) {
    if (t[k] < '0' || t[k] > '9') return std::nullopt;
    v = v * 10 + (t[k] - '0');
  }
  return t[0] == '-' ? -v : v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> plain = PlainInteger(text);

  try {
    const int32_t v = frin::ReadCommandNumber(text);
    if (plain) FUZZ_CHECK(v == *plain);
  } catch (const frin::RuntimeError& e) {
    FUZZ_CHECK(e.Number() == frin::kErrOverflow);
    FUZZ_CHECK(!plain);
  }

  const std::optional<int32_t> stored = frin::ParseSettingNumber(text);
  if (plain) FUZZ_CHECK(stored == plain);
  if (stored) FUZZ_CHECK(frin::ParseSettingNumber(frin::FormatNumber(*stored)) == stored);
  return 0;
}
