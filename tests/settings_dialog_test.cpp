// The settings dialog driven through its handlers: the fill, the readouts and enabled states
// that follow edits, and what OK, Cancel and the title bar leave in the store.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "lifecycle/saver.h"
#include "settings/control_ids.h"
#include "settings/form_set.h"
#include "settings/settings_dialog.h"
#include "tests/settings_test_platform.h"

namespace frin {
namespace {

using settings_test::StoreWrite;
using settings_test::TestPlatform;
using settings_test::TestProcessEnded;

SaverSettings Defaults() {
  return SaverSettings{150, 100, "black", "off", "", "off", "off"};
}

std::vector<StoreWrite> WritesOf(const SaverSettings& s) {
  return {{"Max", std::to_string(s.Max)}, {"Speed", std::to_string(s.Speed)},
          {"SaverType", s.SaverType},     {"BackScreen", s.BackScreen},
          {"BS_File", s.BS_File},         {"Remain", s.Remain},
          {"Mouse_Move", s.Mouse_Move}};
}

struct Dialog {
  TestPlatform api;
  Saver saver{api};

  explicit Dialog(const SaverSettings& s) {
    saver.SaverSettings = s;
    OpenSettingsDialog(saver);
  }
  Form& form() { return *saver.Form_Set; }
  Control& get(const char* name, int index = -1) { return form().Get(name, index); }
  // A click on a button; returns whether the process ended.
  bool Click(const char* name, int index) {
    try {
      form().RaiseClick(get(name, index));
    } catch (const TestProcessEnded&) {
      return true;
    }
    return false;
  }
};

struct FillCase {
  const char* what;
  SaverSettings stored;
  const char* countReadout;
  int32_t countBar;
  const char* speedReadout;
  int32_t speedBar;
  int32_t chk0, chk3;
  bool chk3Enabled, groupEnabled;
  int32_t chk1, chk2;
  SaverSettings savedOnOk;
};

SaverSettings With(SaverSettings s, int32_t max, int32_t speed) {
  s.Max = max;
  s.Speed = speed;
  return s;
}

TEST(SettingsDialog, FillsFromTheSettingsAndOkSavesWhatTheControlsShow) {
  const SaverSettings d = Defaults();
  SaverSettings desktopPicture = d;
  desktopPicture.SaverType = "desktop";
  desktopPicture.BackScreen = "on";
  SaverSettings blackPicture = d;
  blackPicture.BackScreen = "on";
  blackPicture.Remain = "on";
  blackPicture.Mouse_Move = "on";
  blackPicture.BS_File = "C:\\写真\\雪.jpg";
  SaverSettings capitals = d;
  capitals.SaverType = "Black";
  capitals.Remain = "On";
  capitals.Mouse_Move = "ON";
  capitals.BackScreen = "on ";
  SaverSettings capitalsSaved = capitals;
  capitalsSaved.SaverType = "desktop";
  capitalsSaved.Remain = "off";
  capitalsSaved.Mouse_Move = "off";
  capitalsSaved.BackScreen = "off";
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

  const std::vector<FillCase> cases = {
      {"defaults", d, "150", 150, "5", 10, 1, 0, true, false, 0, 0, d},
      {"desktop with picture", desktopPicture, "150", 150, "5", 10, 0, 1, false, false, 0, 0,
       desktopPicture},
      {"black with picture", blackPicture, "150", 150, "5", 10, 1, 1, true, true, 1, 1,
       blackPicture},
      {"switch words compared exactly", capitals, "150", 150, "5", 10, 0, 0, false, false, 0, 0,
       capitalsSaved},
      {"speed 105", With(d, 150, 105), "150", 150, "5", 10, 1, 0, true, false, 0, 0, d},
      {"speed 45", With(d, 150, 45), "150", 150, "0", 15, 1, 0, true, false, 0, 0,
       With(d, 150, 50)},
      {"speed 41", With(d, 150, 41), "150", 150, "0", 15, 1, 0, true, false, 0, 0,
       With(d, 150, 50)},
      {"speed 209", With(d, 150, 209), "150", 150, "15", 0, 1, 0, true, false, 0, 0,
       With(d, 150, 200)},
      {"speed 40 clamps", With(d, 150, 40), "150", 150, "0", 15, 1, 0, true, false, 0, 0,
       With(d, 150, 50)},
      {"speed 210 clamps", With(d, 150, 210), "150", 150, "15", 0, 1, 0, true, false, 0, 0,
       With(d, 150, 200)},
      {"speed at 32-bit ends", With(d, 150, kMin), "150", 150, "0", 15, 1, 0, true, false, 0, 0,
       With(d, 150, 50)},
      {"speed at 32-bit top", With(d, 150, kMax), "150", 150, "15", 0, 1, 0, true, false, 0, 0,
       With(d, 150, 200)},
      {"max 0", With(d, 0, 100), "0", 0, "5", 10, 1, 0, true, false, 0, 0, With(d, 0, 100)},
      {"max 500", With(d, 500, 100), "500", 500, "5", 10, 1, 0, true, false, 0, 0,
       With(d, 500, 100)},
      {"max 600 clamps", With(d, 600, 100), "500", 500, "5", 10, 1, 0, true, false, 0, 0,
       With(d, 500, 100)},
      {"max -5 clamps", With(d, -5, 100), "0", 0, "5", 10, 1, 0, true, false, 0, 0,
       With(d, 0, 100)},
      {"max beyond 16 bits", With(d, kMax, 100), "500", 500, "5", 10, 1, 0, true, false, 0, 0,
       With(d, 500, 100)},
  };
  for (const FillCase& c : cases) {
    SCOPED_TRACE(c.what);
    Dialog dlg(c.stored);
    EXPECT_EQ(dlg.get("Label1", 0).caption, c.countReadout);
    EXPECT_EQ(dlg.get("Srl_Set", 0).value, c.countBar);
    EXPECT_EQ(dlg.get("Label1", 11).caption, c.speedReadout);
    EXPECT_EQ(dlg.get("Srl_Set", 1).value, c.speedBar);
    EXPECT_EQ(dlg.get("Chk_Set", 0).value, c.chk0);
    EXPECT_EQ(dlg.get("Chk_Set", 3).value, c.chk3);
    EXPECT_EQ(dlg.get("Chk_Set", 3).enabled, c.chk3Enabled);
    EXPECT_EQ(dlg.get("Label1", 12).enabled, c.groupEnabled);
    EXPECT_EQ(dlg.get("Txt_File").enabled, c.groupEnabled);
    EXPECT_EQ(dlg.get("Btn_File").enabled, c.groupEnabled);
    EXPECT_EQ(dlg.get("Chk_Set", 1).value, c.chk1);
    EXPECT_EQ(dlg.get("Chk_Set", 2).value, c.chk2);
    EXPECT_EQ(dlg.get("Txt_File").text, c.stored.BS_File);
    for (const char* always : {"Chk_Set", "Srl_Set", "Btn_Set"}) {
      EXPECT_TRUE(dlg.get(always, 1).enabled) << always;
    }

    EXPECT_TRUE(dlg.Click("Btn_Set", 0));
    EXPECT_EQ(dlg.api.writes, WritesOf(c.savedOnOk));
    EXPECT_EQ(dlg.saver.SaverSettings, c.savedOnOk);
  }
}

TEST(SettingsDialog, OpensCentredTopmostAndShownWithASingleLineBrowseButton) {
  TestPlatform api;
  Saver saver(api);
  saver.SaverSettings = Defaults();
  OpenSettingsDialog(saver);
  ASSERT_NE(saver.Form_Set, nullptr);
  Form& form = *saver.Form_Set;
  // 15360 - (7575 + 90) = 7695, div 2 = 3847; 11520 - (3735 + 420) = 7365, div 2 = 3682.
  EXPECT_EQ(form.left, 3847);
  EXPECT_EQ(form.top, 3682);
  EXPECT_EQ(form.width, 7665);
  EXPECT_EQ(form.height, 4155);
  EXPECT_EQ(api.styles[TestPlatform::WindowOf(form.Get("Btn_File"))], 0x50010000u);
  EXPECT_EQ(api.styles[TestPlatform::WindowOf(form.Get("Btn_Set", 0))], 0x50012000u);
  ASSERT_EQ(api.topmostCalls.size(), 1u);
  EXPECT_EQ(api.topmostCalls[0].first, TestPlatform::kFormWindow);
  EXPECT_EQ(api.topmostCalls[0].second, 0x53u);
  EXPECT_TRUE(form.visible);
  EXPECT_EQ(api.loaded, std::vector<std::string>{"Form_Set"});
  EXPECT_TRUE(api.writes.empty());
}

TEST(SettingsDialog, CentringRoundsTiesToEvenThenTruncates) {
  EXPECT_EQ(CentredOrigin(15360.0f, 7665), 3847);
  EXPECT_EQ(CentredOrigin(7000.0f, 7665), -332);   // -665 div 2: toward zero
  EXPECT_EQ(CentredOrigin(7000.0f, 7001), 0);      // -1 div 2
  EXPECT_EQ(CentredOrigin(15360.5f, 7665), 3848);  // 7695.5 rounds to 7696
  EXPECT_EQ(CentredOrigin(15359.5f, 7665), 3847);  // 7694.5 rounds to 7694
  EXPECT_EQ(CentredOrigin(0.0f, 0), 0);
}

TEST(SettingsDialog, EnabledStatesFollowTheTicks) {
  {
    SCOPED_TRACE("untick the first box after ticking the picture box");
    Dialog dlg(Defaults());
    dlg.get("Chk_Set", 3).SetValue(1);
    EXPECT_TRUE(dlg.get("Txt_File").enabled);
    EXPECT_TRUE(dlg.get("Btn_File").enabled);
    EXPECT_TRUE(dlg.get("Label1", 12).enabled);
    dlg.get("Chk_Set", 0).SetValue(0);
    EXPECT_EQ(dlg.get("Chk_Set", 3).value, 1);
    EXPECT_FALSE(dlg.get("Chk_Set", 3).enabled);
    EXPECT_FALSE(dlg.get("Txt_File").enabled);
    EXPECT_FALSE(dlg.get("Btn_File").enabled);
    EXPECT_FALSE(dlg.get("Label1", 12).enabled);
    EXPECT_TRUE(dlg.Click("Btn_Set", 0));
    ASSERT_EQ(dlg.api.writes.size(), 7u);
    EXPECT_EQ(dlg.api.writes[2], (StoreWrite{"SaverType", "desktop"}));
    EXPECT_EQ(dlg.api.writes[3], (StoreWrite{"BackScreen", "on"}));
  }
  {
    SCOPED_TRACE("desktop with picture, then tick the first box");
    SaverSettings s = Defaults();
    s.SaverType = "desktop";
    s.BackScreen = "on";
    Dialog dlg(s);
    dlg.get("Chk_Set", 0).SetValue(1);
    EXPECT_TRUE(dlg.get("Chk_Set", 3).enabled);
    EXPECT_TRUE(dlg.get("Txt_File").enabled);
    dlg.get("Chk_Set", 3).SetValue(0);
    EXPECT_FALSE(dlg.get("Txt_File").enabled);
    EXPECT_TRUE(dlg.get("Chk_Set", 3).enabled);
    // The other two boxes change no enabled state.
    dlg.get("Chk_Set", 1).SetValue(1);
    dlg.get("Chk_Set", 2).SetValue(1);
    EXPECT_FALSE(dlg.get("Txt_File").enabled);
    EXPECT_TRUE(dlg.get("Chk_Set", 3).enabled);
  }
}

TEST(SettingsDialog, ReadoutsFollowTheBarsToTheirEnds) {
  struct BarCase {
    int bar;
    int32_t value;
    const char* readout;
    int32_t savedMax, savedSpeed;
  };
  for (const BarCase& c : std::vector<BarCase>{{1, 0, "15", 150, 200},
                                               {1, 15, "0", 150, 50},
                                               {1, 7, "8", 150, 130},
                                               {0, 0, "0", 0, 100},
                                               {0, 500, "500", 500, 100},
                                               {0, 10, "10", 10, 100}}) {
    SCOPED_TRACE(testing::Message() << "bar " << c.bar << " at " << c.value);
    Dialog dlg(Defaults());
    dlg.get("Srl_Set", c.bar).SetValue(c.value);
    EXPECT_EQ(dlg.get("Label1", c.bar == 0 ? 0 : 11).caption, c.readout);
    EXPECT_TRUE(dlg.Click("Btn_Set", 0));
    ASSERT_EQ(dlg.api.writes.size(), 7u);
    EXPECT_EQ(dlg.api.writes[0], (StoreWrite{"Max", std::to_string(c.savedMax)}));
    EXPECT_EQ(dlg.api.writes[1], (StoreWrite{"Speed", std::to_string(c.savedSpeed)}));
  }
}

TEST(SettingsDialog, OkTrimsThePathAndTakesDisabledControlsAsTheyStand) {
  for (const auto& [typed, saved] : std::vector<std::pair<std::string, std::string>>{
           {"  C:\\pics\\a.bmp  ", "C:\\pics\\a.bmp"}, {"   ", ""}, {"", ""}}) {
    SaverSettings s = Defaults();
    s.SaverType = "desktop";  // picture group disabled, still saved
    Dialog dlg(s);
    dlg.get("Txt_File").SetText(typed);
    EXPECT_TRUE(dlg.Click("Btn_Set", 0));
    ASSERT_EQ(dlg.api.writes.size(), 7u);
    EXPECT_EQ(dlg.api.writes[4], (StoreWrite{"BS_File", saved}));
  }
}

TEST(SettingsDialog, CancelAndTheTitleBarCloseWithoutSaving) {
  SaverSettings stored = Defaults();
  stored.Speed = 105;  // OK would write 100
  for (bool titleBar : {false, true}) {
    for (bool unloadRaisesUnload : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << "title bar " << titleBar << ", unload raises unload " << unloadRaisesUnload);
      TestPlatform api;
      api.unloadRaisesUnload = unloadRaisesUnload;
      Saver saver(api);
      saver.SaverSettings = stored;
      OpenSettingsDialog(saver);
      Form& form = *saver.Form_Set;
      form.Get("Srl_Set", 0).SetValue(3);
      form.Get("Chk_Set", 1).SetValue(1);
      form.Get("Txt_File").SetText("C:\\x.bmp");
      bool ended = false;
      try {
        if (titleBar) {
          form.RaiseUnload();
        } else {
          form.RaiseClick(form.Get("Btn_Set", 1));
        }
      } catch (const TestProcessEnded& e) {
        ended = true;
        EXPECT_EQ(e.status, 0);
      }
      EXPECT_TRUE(ended);
      EXPECT_TRUE(api.writes.empty());
      EXPECT_EQ(saver.SaverSettings, stored);
      EXPECT_EQ(saver.Form_Set, nullptr);
      EXPECT_EQ(api.unloaded, std::vector<std::string>{"Form_Set"});
    }
  }
}

TEST(SettingsDialog, ClosingBesideTheSaverWindowKeepsTheProcess) {
  TestPlatform api;
  Saver saver(api);
  saver.SaverSettings = Defaults();
  saver.Form_Screen = std::make_unique<Form>("Form_Screen");
  OpenSettingsDialog(saver);
  CloseSettingsDialog(saver, 1);
  EXPECT_FALSE(api.endStatus.has_value());
  EXPECT_EQ(saver.Form_Set, nullptr);
  // A second open builds the dialog afresh.
  OpenSettingsDialog(saver);
  ASSERT_NE(saver.Form_Set, nullptr);
  EXPECT_EQ(saver.Form_Set->Get("Label1", 0).caption, "150");
}

TEST(Form_SetLayout, TabOrderIdsAndContainment) {
  auto form = BuildForm_Set();
  EXPECT_EQ(form->caption, "ScreenSaver Frin");
  EXPECT_EQ(form->border, FormBorder::kFixedDialog);
  EXPECT_FALSE(form->hasIcon);
  EXPECT_EQ(form->clientWidth, 7575);
  EXPECT_EQ(form->clientHeight, 3735);

  // The controls that can take the focus, in tab order.
  std::vector<std::pair<std::string, int>> focusable;
  std::set<int> tabs, ids;
  for (int tab = 0; tab <= 24; ++tab) {
    for (const auto& c : form->Controls()) {
      if (c->tabIndex != tab) continue;
      if (c->kind != ControlKind::kLabel && c->kind != ControlKind::kFrame) {
        focusable.emplace_back(c->name, c->index);
      }
    }
  }
  const std::vector<std::pair<std::string, int>> expected = {
      {"Btn_Set", 0}, {"Btn_Set", 1},   {"Srl_Set", 0},   {"Srl_Set", 1}, {"Chk_Set", 0},
      {"Chk_Set", 3}, {"Txt_File", -1}, {"Btn_File", -1}, {"Chk_Set", 1}, {"Chk_Set", 2}};
  EXPECT_EQ(focusable, expected);

  for (const auto& c : form->Controls()) {
    SCOPED_TRACE(c->name + "(" + std::to_string(c->index) + ")");
    if (c->tabIndex >= 0) {
      EXPECT_TRUE(tabs.insert(c->tabIndex).second);
    }
    EXPECT_TRUE(ids.insert(c->controlId).second);
    EXPECT_EQ(form->FindById(c->controlId), c.get());
    // Inside its container (a frame, or the client area).
    const int32_t w = c->container ? c->container->width : form->clientWidth;
    const int32_t h = c->container ? c->container->height : form->clientHeight;
    EXPECT_LE(c->left + c->width, w);
    EXPECT_LE(c->top + c->height, h);
  }
  EXPECT_EQ(tabs.size(), 25u);
  EXPECT_EQ(ids.size(), form->Controls().size());
  EXPECT_EQ(form->Controls().size(), 26u);

  // The counter's parts sit in the first frame, the speed's in the second.
  EXPECT_EQ(form->Get("Srl_Set", 0).container, &form->Get("Frame1", 0));
  EXPECT_EQ(form->Get("Label1", 0).container, &form->Get("Frame1", 0));
  EXPECT_EQ(form->Get("Srl_Set", 1).container, &form->Get("Frame1", 1));
  EXPECT_EQ(form->Get("Label1", 11).container, &form->Get("Frame1", 1));
  EXPECT_EQ(form->Get("Label1", 4).container, &form->Get("Frame1", 1));
  EXPECT_EQ(form->Get("Chk_Set", 0).container, nullptr);
  EXPECT_EQ(form->Get("Btn_File").controlId, IDC_BTN_FILE);
  EXPECT_EQ(form->Get("Label1", 11).controlId, IDC_LABEL1_11);
  EXPECT_EQ(form->Get("Srl_Set", 1).controlId, IDC_SRL_SET_1);

  // The readouts are empty until the dialog fills them; the bars have their ranges and steps.
  EXPECT_EQ(form->Get("Label1", 0).caption, "");
  EXPECT_EQ(form->Get("Label1", 11).caption, "");
  const Control& count = form->Get("Srl_Set", 0);
  const Control& speed = form->Get("Srl_Set", 1);
  EXPECT_EQ((std::vector<int32_t>{count.min, count.max, count.smallChange, count.largeChange}),
            (std::vector<int32_t>{0, 500, 1, 10}));
  EXPECT_EQ((std::vector<int32_t>{speed.min, speed.max, speed.smallChange, speed.largeChange}),
            (std::vector<int32_t>{0, 15, 1, 2}));
  EXPECT_EQ(form->Get("Label1", 8).foreColor, 0x00FF0000u);
  EXPECT_EQ(form->Get("Label1", 9).foreColor, 0x00FF0000u);
  EXPECT_NE(form->Get("Label1", 10).foreColor, 0x00FF0000u);
  EXPECT_FALSE(form->Get("Label1", 6).caption.empty());
  EXPECT_FALSE(form->Get("Label1", 7).caption.empty());
}

TEST(Form_SetLayout, CaptionsKeepTheirHalfWidthKatakana) {
  auto form = BuildForm_Set();
  // U+FF7D (half-width SU) in UTF-8, the first character of the background box's caption.
  EXPECT_EQ(form->Get("Chk_Set", 0).caption.substr(0, 3), "\xEF\xBD\xBD");
  EXPECT_EQ(form->Get("Label1", 12).caption,
            "\xE8\x83\x8C\xE6\x99\xAF\xEF\xBE\x8C\xEF\xBD\xA7"
            "\xEF\xBD\xB2\xEF\xBE\x99");
  EXPECT_EQ(form->Get("Btn_Set", 0).caption, "\xEF\xBC\xAF \xEF\xBC\xAB");
  EXPECT_EQ(form->Get("Chk_Set", 0).font->face, "ＭＳ Ｐゴシック");
  EXPECT_EQ(form->Get("Label1", 2).font->face, "ＭＳ Ｐ明朝");
  EXPECT_TRUE(form->Get("Label1", 8).font->italic);
  EXPECT_EQ(form->Get("Label1", 10).font->points, 11.25);
  EXPECT_FALSE(form->Get("Txt_File").font.has_value());
}

TEST(Form_SetLayout, ImageIsAWhiteCrystalOnABlueGroundLighteningDownwards) {
  auto form = BuildForm_Set();
  const Surface& s = form->Get("Image1").surface;
  ASSERT_EQ(s.Width(), 32);
  ASSERT_EQ(s.Height(), 32);
  int white = 0;
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x)
      white += s.At(x, y) == kWhite;
  }
  EXPECT_GT(white, 60);
  EXPECT_LT(white, 400);
  // The crystal is symmetric about its centre column and row.
  EXPECT_EQ(s.At(15, 2), kWhite);
  EXPECT_EQ(s.At(15, 28), kWhite);
  auto blue = [](Pixel p) { return p & 0xFF; };
  auto brightness = [](Pixel p) { return (p >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF); };
  const Pixel top = s.At(0, 0), bottom = s.At(0, 31);
  EXPECT_GT(blue(top), top >> 16);
  EXPECT_GT(blue(bottom), bottom >> 16);
  EXPECT_GT(brightness(bottom), brightness(top));
}

}  // namespace
}  // namespace frin
