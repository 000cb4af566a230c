// LoadSettings over arbitrary stored texts for all seven keys. The input is a presence mask (one
// byte: bit k set when key k is stored) and then the stored texts, separated by NUL bytes.
// Properties: nothing is written; each text key loads its stored text or its default; Max and
// Speed load their stored number or their default, and a store without Remain loads Speed 100
// and Remain "off".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/number_text.h"
#include "settings/saver_settings.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr const char* kKeys[7] = {"Max",     "Speed",  "SaverType", "BackScreen",
                                  "BS_File", "Remain", "Mouse_Move"};
constexpr const char* kDefaults[7] = {"150", "100", "black", "off", "", "XX", "off"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned mask = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::optional<std::string> stored[7];
  for (int k = 0; k < 7; ++k) {
    const size_t end = std::min(rest.find('\0'), rest.size());
    if (mask & (1u << k)) stored[k] = std::string(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }

  frin::MemoryPlatform api;
  for (int k = 0; k < 7; ++k) {
    if (stored[k]) api.SetSetting(frin::kSettingsApp, frin::kSettingsSection, kKeys[k], *stored[k]);
  }
  frin::SaverSettings s;
  frin::LoadSettings(s, api);
  FUZZ_CHECK(api.Writes().empty());

  auto text = [&](int k) { return stored[k].value_or(kDefaults[k]); };
  auto number = [&](int k, int32_t fallback) {
    return frin::ParseSettingNumber(text(k)).value_or(fallback);
  };
  const bool legacy = text(5) == "XX";
  FUZZ_CHECK(s.Max == number(0, 150));
  FUZZ_CHECK(s.Speed == (legacy ? 100 : number(1, 100)));
  FUZZ_CHECK(s.SaverType == text(2));
  FUZZ_CHECK(s.BackScreen == text(3));
  FUZZ_CHECK(s.BS_File == text(4));
  FUZZ_CHECK(s.Remain == (legacy ? "off" : text(5)));
  FUZZ_CHECK(s.Mouse_Move == text(6));
  return 0;
}
