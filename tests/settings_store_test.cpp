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

TEST_F(SettingsStore, AnEmptyStoreGivesTheDefaultsAndWritesNothing) {
  const SaverSettings s = Load();
  EXPECT_EQ(s, (SaverSettings{150, 100, "black", "off", "", "off", "off"}));
  EXPECT_TRUE(api.Writes().empty());
}

TEST_F(SettingsStore, AStoreWithoutRemainPredatesSettlingAndLosesItsSpeed) {
  Store("Speed", "80");
  Store("Max", "300");
  SaverSettings s = Load();
  EXPECT_EQ(s.Speed, 100);
  EXPECT_EQ(s.Remain, "off");
  EXPECT_EQ(s.Max, 300);
  EXPECT_TRUE(api.Writes().empty());  // the rule applies again at the next start

  Store("Remain", "XX");  // the legacy value itself
  s = Load();
  EXPECT_EQ(s.Speed, 100);
  EXPECT_EQ(s.Remain, "off");

  Store("Remain", "xx");  // not the legacy value: kept as it is
  s = Load();
  EXPECT_EQ(s.Speed, 80);
  EXPECT_EQ(s.Remain, "xx");

  Store("Remain", "on");
  s = Load();
  EXPECT_EQ(s.Speed, 80);
  EXPECT_EQ(s.Remain, "on");
}

TEST_F(SettingsStore, NumbersAreReadAsTheRuntimeReadsThem) {
  Store("Remain", "on");
  struct Case {
    const char* text;
    int32_t max;
  } cases[] = {
      {" 200 ", 200}, {"12.5", 12}, {"13.5", 14}, {"-5", -5}, {"0", 0}, {"2147483647", 2147483647},
  };
  for (const Case& c : cases) {
    Store("Max", c.text);
    EXPECT_EQ(Load().Max, c.max) << '"' << c.text << '"';
  }
}

TEST_F(SettingsStore, AStoredCountOrSpeedThatIsNoNumberLoadsAsItsDefault) {
  Store("Remain", "on");
  for (const char* bad : {"", "abc", "12ab", "1 2", "2147483648", "-2147483649", "1e99999"}) {
    Store("Max", bad);
    Store("Speed", bad);
    const SaverSettings s = Load();
    EXPECT_EQ(s.Max, 150) << '"' << bad << '"';
    EXPECT_EQ(s.Speed, 100) << '"' << bad << '"';
  }
  EXPECT_TRUE(api.Writes().empty());
}

TEST_F(SettingsStore, AnExistingKeyKeepsItsTextExactly) {
  Store("BS_File", "");  // present but empty: not the default
  Store("SaverType", "Desktop");
  Store("BackScreen", " on");
  Store("Mouse_Move", "On");
  Store("Remain", "ON");
  const SaverSettings s = Load();
  EXPECT_EQ(s.BS_File, "");
  EXPECT_EQ(s.SaverType, "Desktop");
  EXPECT_EQ(s.BackScreen, " on");
  EXPECT_EQ(s.Mouse_Move, "On");
  EXPECT_EQ(s.Remain, "ON");

  Store("BS_File", "C:\\Users\\\u96EA\\Pictures\\winter.jpg");
  EXPECT_EQ(Load().BS_File, "C:\\Users\\\u96EA\\Pictures\\winter.jpg");
}

TEST_F(SettingsStore, SaveWritesAllSevenKeysInOrderAndLoadGivesTheRecordBack) {
  const SaverSettings saved{150, 100, "desktop", "on", "C:\\snow.bmp", "on", "on"};
  SaveSettings(saved, api);
  const std::vector<SettingWrite> expected = {
      {"Tolvar", "SS_Frin", "Max", "150"},
      {"Tolvar", "SS_Frin", "Speed", "100"},
      {"Tolvar", "SS_Frin", "SaverType", "desktop"},
      {"Tolvar", "SS_Frin", "BackScreen", "on"},
      {"Tolvar", "SS_Frin", "BS_File", "C:\\snow.bmp"},
      {"Tolvar", "SS_Frin", "Remain", "on"},
      {"Tolvar", "SS_Frin", "Mouse_Move", "on"},
  };
  EXPECT_EQ(api.Writes(), expected);
  EXPECT_EQ(Load(), saved);

  // Unchanged values are written again, and numbers are plain decimal digits.
  const SaverSettings edited{-5, 50, "black", "off", "", "off", "off"};
  SaveSettings(edited, api);
  ASSERT_EQ(api.Writes().size(), 14u);
  EXPECT_EQ(api.Writes()[7].text, "-5");
  EXPECT_EQ(api.Writes()[8].text, "50");
  EXPECT_EQ(Load(), edited);
}

TEST_F(SettingsStore, AFailedWriteKeepsTheEarlierKeysAndRaises) {
  SaveSettings(SaverSettings{150, 100, "black", "off", "", "off", "off"}, api);
  api.FailWritesAfter(2);
  EXPECT_THROW(SaveSettings(SaverSettings{300, 60, "desktop", "on", "x", "on", "on"}, api),
               RuntimeError);
  EXPECT_EQ(api.Setting("Tolvar", "SS_Frin", "Max"), "300");
  EXPECT_EQ(api.Setting("Tolvar", "SS_Frin", "Speed"), "60");
  EXPECT_EQ(api.Setting("Tolvar", "SS_Frin", "SaverType"), "black");
}

}  // namespace
}  // namespace frin
