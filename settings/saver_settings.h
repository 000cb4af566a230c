// The seven persisted settings and their store access.
#pragma once

#include <cstdint>
#include <string>

namespace frin {

class Module_API;

inline constexpr const char* kSettingsApp = "Tolvar";
inline constexpr const char* kSettingsSection = "SS_Frin";

// Fields bear the names of their keys in the store.
struct SaverSettings {
  int32_t Max = 0;
  int32_t Speed = 0;
  std::string SaverType;
  std::string BackScreen;
  std::string BS_File;
  std::string Remain;
  std::string Mouse_Move;
  bool operator==(const SaverSettings&) const = default;
};

// Fills the record from the store with the defaults and the legacy rule for "XX". A stored Max
// or Speed that is not a number, or lies outside 32 bits, loads as that key's default.
void LoadSettings(SaverSettings& s, Module_API& api);
// Writes all seven keys in the order Max, Speed, SaverType, BackScreen, BS_File, Remain,
// Mouse_Move.
void SaveSettings(const SaverSettings& s, Module_API& api);

}  // namespace frin
