#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/memory/memory_platform.h"
#include "settings/saver_settings.h"

namespace frin {
namespace {

class SettingsStore : public ::testing::Test {
 protected:
  void Store(const std::string& key, const std::string& text) {
    api.SetSetting("Tolvar", "SS_Frin", key, text);
  }
  SaverSettings Load() {
    SaverSettings s;
    LoadSettings(s, api);
    return s;
  }
  MemoryPlatform api;
};

TEST_F(SettingsStore, DefaultsAndTheLegacyRemainRule) {
  EXPECT_EQ(Load(), (SaverSettings{150, 100, "black", "off", "", "off", "off"}));
  Store("Speed", "80");  // a store from before settling: its Speed does not count
  EXPECT_EQ(Load().Speed, 100);
  Store("Remain", "XX");
  EXPECT_EQ(Load().Remain, "off");
  EXPECT_EQ(Load().Speed, 100);
  Store("Remain", "xx");
  EXPECT_EQ(Load().Remain, "xx");
  EXPECT_EQ(Load().Speed, 80);
  Store("Remain", "on");
  EXPECT_EQ(Load().Speed, 80);
  EXPECT_TRUE(api.Writes().empty());  // loading never writes
}

TEST_F(SettingsStore, NumbersAndTextsAsStored) {
  Store("Remain", "on");
  struct Case {
    const char* text;
    int32_t max;
  } cases[] = {{" 200 ", 200},
               {"12.5", 12},
               {"13.5", 14},
               {"-5", -5},
               // Not a number, or outside 32 bits: the key's default.
               {"", 150},
               {"abc", 150},
               {"12ab", 150},
               {"1 2", 150},
               {"2147483648", 150}};
  // A fraction too small for a double is still a number: it rounds to 0.
  Store("Max", "0." + std::string(400, '0') + "1");
  EXPECT_EQ(Load().Max, 0);
  for (const Case& c : cases) {
    Store("Max", c.text);
    Store("Speed", c.text);
    EXPECT_EQ(Load().Max, c.max) << '"' << c.text << '"';
    EXPECT_EQ(Load().Speed, c.max == 150 ? 100 : c.max) << '"' << c.text << '"';
  }
  Store("BS_File", "");  // present but empty: not the default
  Store("SaverType", "Desktop");
  Store("Mouse_Move", "On");
  const SaverSettings s = Load();
  EXPECT_EQ(s.BS_File, "");
  EXPECT_EQ(s.SaverType, "Desktop");
  EXPECT_EQ(s.Mouse_Move, "On");
}

TEST_F(SettingsStore, SaveWritesAllSevenKeysInOrderAndLoadGivesTheRecordBack) {
  const SaverSettings saved{-5, 100, "desktop", "on", "C:\\\u96EA.bmp", "on", "on"};
  SaveSettings(saved, api);
  const std::vector<SettingWrite> expected = {
      {"Tolvar", "SS_Frin", "Max", "-5"},
      {"Tolvar", "SS_Frin", "Speed", "100"},
      {"Tolvar", "SS_Frin", "SaverType", "desktop"},
      {"Tolvar", "SS_Frin", "BackScreen", "on"},
      {"Tolvar", "SS_Frin", "BS_File", "C:\\\u96EA.bmp"},
      {"Tolvar", "SS_Frin", "Remain", "on"},
      {"Tolvar", "SS_Frin", "Mouse_Move", "on"},
  };
  EXPECT_EQ(api.Writes(), expected);
  EXPECT_EQ(Load(), saved);

  api.FailWritesAfter(2);  // the keys written before a failure keep their new values
  EXPECT_THROW(SaveSettings(SaverSettings{300, 60, "black", "off", "", "off", "off"}, api),
               RuntimeError);
  EXPECT_EQ(api.Setting("Tolvar", "SS_Frin", "Speed"), "60");
  EXPECT_EQ(api.Setting("Tolvar", "SS_Frin", "SaverType"), "desktop");
}

}  // namespace
}  // namespace frin
