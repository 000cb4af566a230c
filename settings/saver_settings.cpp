#include "settings/saver_settings.h"

#include "platform/module_api.h"
#include "platform/number_text.h"

namespace frin {
namespace {

constexpr int32_t kDefaultMax = 150;
constexpr int32_t kDefaultSpeed = 100;

std::string Read(Module_API& api, const char* key, const std::string& defaultText) {
  return api.ReadSetting(kSettingsApp, kSettingsSection, key, defaultText);
}

// A number key: its stored text as a number, or the key's default when the text is no number
// (the empty text included) or does not fit 32 bits. Nothing is written back.
int32_t ReadNumber(Module_API& api, const char* key, int32_t defaultValue) {
  const std::string text = Read(api, key, FormatNumber(defaultValue));
  return ParseSettingNumber(text).value_or(defaultValue);
}

}  // namespace

void LoadSettings(SaverSettings& s, Module_API& api) {
  s.Max = ReadNumber(api, "Max", kDefaultMax);
  s.Speed = ReadNumber(api, "Speed", kDefaultSpeed);
  s.SaverType = Read(api, "SaverType", "black");
  s.BackScreen = Read(api, "BackScreen", "off");
  s.BS_File = Read(api, "BS_File", "");
  s.Remain = Read(api, "Remain", "XX");
  s.Mouse_Move = Read(api, "Mouse_Move", "off");
  // A store without a Remain key predates settling: its Speed does not count either.
  if (s.Remain == "XX") {
    s.Speed = kDefaultSpeed;
    s.Remain = "off";
  }
}

void SaveSettings(const SaverSettings& s, Module_API& api) {
  auto write = [&api](const char* key, const std::string& text) {
    api.WriteSetting(kSettingsApp, kSettingsSection, key, text);
  };
  write("Max", FormatNumber(s.Max));
  write("Speed", FormatNumber(s.Speed));
  write("SaverType", s.SaverType);
  write("BackScreen", s.BackScreen);
  write("BS_File", s.BS_File);
  write("Remain", s.Remain);
  write("Mouse_Move", s.Mouse_Move);
}

}  // namespace frin
