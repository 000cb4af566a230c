// The settings dialog on the headless backend: the fill, the readouts and enabled states that
// follow edits, and what OK, Cancel and the title bar leave in the store.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "lifecycle/main.h"
#include "lifecycle/saver.h"
#include "platform/memory/memory_platform.h"
#include "settings/control_ids.h"
#include "settings/form_set.h"
#include "settings/settings_dialog.h"

namespace frin {
namespace {

SaverSettings S(int32_t max = 150, int32_t speed = 100, const char* type = "black",
                const char* back = "off", const char* file = "", const char* remain = "off",
                const char* mouse = "off") {
  return SaverSettings{max, speed, type, back, file, remain, mouse};
}

struct Dialog {
  MemoryPlatform api;
  Saver saver{api};
  explicit Dialog(const SaverSettings& s) {
    saver.SaverSettings = s;
    OpenSettingsDialog(saver);
  }
  Control& Get(const char* name, int index = -1) { return saver.Form_Set->Get(name, index); }
  // Readouts with their bars, then the boxes: B the background box, P the picture box with +
  // when enabled, G the picture group's enabled state, R and M the settle and mouse boxes.
  std::string State() {
    const bool g = Get("Txt_File").enabled;
    const bool groupAgrees = Get("Btn_File").enabled == g && Get("Label1", 12).enabled == g;
    return Get("Label1", 0).caption + "@" + std::to_string(Get("Srl_Set", 0).value) + " " +
           Get("Label1", 11).caption + "@" + std::to_string(Get("Srl_Set", 1).value) + " B" +
           std::to_string(Get("Chk_Set", 0).value) + " P" +
           std::to_string(Get("Chk_Set", 3).value) + (Get("Chk_Set", 3).enabled ? "+" : "-") +
           " G" + (groupAgrees ? (g ? "+" : "-") : "?") + " R" +
           std::to_string(Get("Chk_Set", 1).value) + " M" + std::to_string(Get("Chk_Set", 2).value);
  }
  void Click(const char* name, int index = -1) {
    api.QueueClick(Get(name, index));
    api.Advance(0);
  }
  // Presses OK and returns the seven written values joined by "|", checking the keys' order.
  std::string Ok() {
    EXPECT_TRUE(RunUntilEnded([&] { Click("Btn_Set", 0); }));
    const std::vector<std::string> keys = {"Max",     "Speed",  "SaverType", "BackScreen",
                                           "BS_File", "Remain", "Mouse_Move"};
    std::string saved;
    for (size_t i = 0; i < api.Writes().size(); ++i) {
      EXPECT_EQ(api.Writes()[i].key, i < keys.size() ? keys[i] : "");
      saved += (i ? "|" : "") + api.Writes()[i].text;
    }
    return saved;
  }
};

TEST(SettingsDialog, FillsFromTheSettingsAndOkSavesWhatTheControlsShow) {
  constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
  constexpr int32_t kHigh = std::numeric_limits<int32_t>::max();
  struct Case {
    SaverSettings stored;
    const char* state;
    const char* saved;
  } cases[] = {
      {S(), "150@150 5@10 B1 P0+ G- R0 M0", "150|100|black|off||off|off"},
      {S(150, 100, "desktop", "on"), "150@150 5@10 B0 P1- G- R0 M0", "150|100|desktop|on||off|off"},
      {S(150, 100, "black", "on", "C:\\写真\\雪.jpg", "on", "on"), "150@150 5@10 B1 P1+ G+ R1 M1",
       "150|100|black|on|C:\\写真\\雪.jpg|on|on"},
      // Switch words are compared exactly.
      {S(150, 100, "Black", "on ", "", "On", "ON"), "150@150 5@10 B0 P0- G- R0 M0",
       "150|100|desktop|off||off|off"},
      {S(150, 105), "150@150 5@10 B1 P0+ G- R0 M0", "150|100|black|off||off|off"},
      {S(150, 45), "150@150 0@15 B1 P0+ G- R0 M0", "150|50|black|off||off|off"},
      {S(150, 41), "150@150 0@15 B1 P0+ G- R0 M0", "150|50|black|off||off|off"},
      {S(150, 209), "150@150 15@0 B1 P0+ G- R0 M0", "150|200|black|off||off|off"},
      {S(0), "0@0 5@10 B1 P0+ G- R0 M0", "0|100|black|off||off|off"},
      {S(500), "500@500 5@10 B1 P0+ G- R0 M0", "500|100|black|off||off|off"},
      // Values no bar can show put the bar at the nearest end; the readout follows the bar.
      {S(150, 40), "150@150 0@15 B1 P0+ G- R0 M0", "150|50|black|off||off|off"},
      {S(150, 210), "150@150 15@0 B1 P0+ G- R0 M0", "150|200|black|off||off|off"},
      {S(150, kLow), "150@150 0@15 B1 P0+ G- R0 M0", "150|50|black|off||off|off"},
      {S(150, kHigh), "150@150 15@0 B1 P0+ G- R0 M0", "150|200|black|off||off|off"},
      {S(600), "500@500 5@10 B1 P0+ G- R0 M0", "500|100|black|off||off|off"},
      {S(-5), "0@0 5@10 B1 P0+ G- R0 M0", "0|100|black|off||off|off"},
      {S(kHigh), "500@500 5@10 B1 P0+ G- R0 M0", "500|100|black|off||off|off"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.saved);
    Dialog d(c.stored);
    EXPECT_EQ(d.State(), c.state);
    EXPECT_EQ(d.Get("Txt_File").text, c.stored.BS_File);
    EXPECT_EQ(d.Ok(), c.saved);
    EXPECT_EQ(d.api.EndStatus(), 0);
  }
}

TEST(SettingsDialog, ReadoutsAndEnabledStatesFollowEdits) {
  struct Case {
    const char* what;
    SaverSettings stored;
    std::function<void(Dialog&)> edit;
    const char* state;
    const char* saved;
  } cases[] = {
      {"tick the picture box, then untick the background box", S(),
       [](Dialog& d) {
         d.Click("Chk_Set", 3);
         EXPECT_EQ(d.State(), "150@150 5@10 B1 P1+ G+ R0 M0");
         d.Click("Chk_Set", 0);
       },
       "150@150 5@10 B0 P1- G- R0 M0", "150|100|desktop|on||off|off"},
      {"tick the background box over a ticked picture box", S(150, 100, "desktop", "on"),
       [](Dialog& d) { d.Click("Chk_Set", 0); }, "150@150 5@10 B1 P1+ G+ R0 M0",
       "150|100|black|on||off|off"},
      {"settle and mouse boxes change no enabled state", S(),
       [](Dialog& d) {
         d.Click("Chk_Set", 1);
         d.Click("Chk_Set", 2);
       },
       "150@150 5@10 B1 P0+ G- R1 M1", "150|100|black|off||on|on"},
      {"a disabled picture box takes no click", S(150, 100, "desktop"),
       [](Dialog& d) { d.Click("Chk_Set", 3); }, "150@150 5@10 B0 P0- G- R0 M0",
       "150|100|desktop|off||off|off"},
      {"speed bar at its left end", S(), [](Dialog& d) { d.Get("Srl_Set", 1).SetValue(0); },
       "150@150 15@0 B1 P0+ G- R0 M0", "150|200|black|off||off|off"},
      {"speed bar at its right end", S(), [](Dialog& d) { d.Get("Srl_Set", 1).SetValue(15); },
       "150@150 0@15 B1 P0+ G- R0 M0", "150|50|black|off||off|off"},
      {"count bar at its ends", S(),
       [](Dialog& d) {
         d.Get("Srl_Set", 0).SetValue(500);
         EXPECT_EQ(d.Get("Label1", 0).caption, "500");
         d.Get("Srl_Set", 0).SetValue(0);
       },
       "0@0 5@10 B1 P0+ G- R0 M0", "0|100|black|off||off|off"},
      {"path with blanks around it, saved though disabled", S(150, 100, "desktop"),
       [](Dialog& d) { d.Get("Txt_File").SetText("  C:\\pics\\a.bmp  "); },
       "150@150 5@10 B0 P0- G- R0 M0", "150|100|desktop|off|C:\\pics\\a.bmp|off|off"},
      {"all-blank path", S(150, 100, "black", "on", "x.bmp"),
       [](Dialog& d) { d.Get("Txt_File").SetText("   "); }, "150@150 5@10 B1 P1+ G+ R0 M0",
       "150|100|black|on||off|off"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Dialog d(c.stored);
    c.edit(d);
    EXPECT_EQ(d.State(), c.state);
    EXPECT_EQ(d.Ok(), c.saved);
  }
}

TEST(SettingsDialog, CancelAndTheTitleBarCloseWithoutSaving) {
  for (bool titleBar : {false, true}) {
    SCOPED_TRACE(titleBar ? "title bar" : "Cancel");
    Dialog d(S(150, 105));  // OK would write Speed 100
    d.Get("Srl_Set", 0).SetValue(3);
    d.Click("Chk_Set", 1);
    d.Get("Txt_File").SetText("C:\\x.bmp");
    EXPECT_TRUE(RunUntilEnded([&] {
      if (titleBar) {
        d.api.PostClose(d.saver.Form_Set->hwnd);
        d.api.Advance(0);
      } else {
        d.Click("Btn_Set", 1);
      }
    }));
    EXPECT_EQ(d.api.EndStatus(), 0);
    EXPECT_TRUE(d.api.Writes().empty());
    EXPECT_EQ(d.saver.SaverSettings, S(150, 105));
    EXPECT_EQ(d.saver.Form_Set, nullptr);
    EXPECT_TRUE(d.api.LoadedForms().empty());
  }
}

TEST(SettingsDialog, StartedFromTheCommandTextItEditsTheStore) {
  for (const char* command : {"/c", "/C:1234", ""}) {
    SCOPED_TRACE(command);
    MemoryPlatform api;
    api.SetCommandText(command);
    api.SetSetting("Tolvar", "SS_Frin", "Speed", "80");
    api.SetSetting("Tolvar", "SS_Frin", "Remain", "on");
    api.SetSetting("Tolvar", "SS_Frin", "Max", " 320 ");
    Saver saver(api);
    Main(saver);
    ASSERT_NE(saver.Form_Set, nullptr);
    Form& form = *saver.Form_Set;
    EXPECT_EQ(form.Get("Label1", 0).caption, "320");
    EXPECT_EQ(form.Get("Label1", 11).caption, "3");
    EXPECT_EQ(form.Get("Chk_Set", 1).value, 1);
    api.QueueClick(form.Get("Chk_Set", 2));
    form.Get("Srl_Set", 1).SetValue(form.Get("Srl_Set", 1).value + 2);  // two steps faster
    api.QueueClick(form.Get("Btn_Set", 0));
    EXPECT_TRUE(RunUntilEnded([&] { api.Advance(10); }));
    SaverSettings reloaded;
    LoadSettings(reloaded, api);
    EXPECT_EQ(reloaded, (SaverSettings{320, 60, "black", "off", "", "on", "on"}));
  }
}

TEST(SettingsDialog, OpensCentredTopmostWithASingleLineBrowseButton) {
  Dialog d(S());  // 1024 x 768 pixels at 15 twips per pixel
  const Form& form = *d.saver.Form_Set;
  // (15360 - 7665) div 2 and (11520 - 4155) div 2: the outer size includes frame and caption.
  EXPECT_EQ(form.width, 7665);
  EXPECT_EQ(form.height, 4155);
  EXPECT_EQ(form.left, 3847);
  EXPECT_EQ(form.top, 3682);
  EXPECT_EQ(d.api.GetWindowStyle(d.api.ControlWindow(d.Get("Btn_File"))) & kBsMultiline, 0u);
  EXPECT_NE(d.api.GetWindowStyle(d.api.ControlWindow(d.Get("Btn_Set", 0))) & kBsMultiline, 0u);
  EXPECT_TRUE(d.api.IsTopmost(form.hwnd));
  EXPECT_TRUE(form.visible);
  EXPECT_EQ(d.api.FindTopWindow("ScreenSaver Frin"), form.hwnd);

  EXPECT_EQ(CentredOrigin(7000.0f, 7665), -332);   // -665 div 2, toward zero
  EXPECT_EQ(CentredOrigin(15360.5f, 7665), 3848);  // 7695.5 rounds to 7696
  EXPECT_EQ(CentredOrigin(15359.5f, 7665), 3847);  // 7694.5 rounds to 7694
}

TEST(Form_SetLayout, TabOrderIdsFramesAndPicture) {
  auto form = BuildForm_Set(JapaneseLanguage());
  std::vector<std::string> focusable;
  std::set<int> ids;
  for (int tab = 0; tab <= 24; ++tab) {
    for (const auto& c : form->Controls()) {
      if (c->tabIndex == tab && c->kind != ControlKind::kLabel && c->kind != ControlKind::kFrame) {
        focusable.push_back(c->name + std::to_string(c->index));
      }
    }
  }
  EXPECT_EQ(focusable, (std::vector<std::string>{"Btn_Set0", "Btn_Set1", "Srl_Set0", "Srl_Set1",
                                                 "Chk_Set0", "Chk_Set3", "Txt_File-1", "Btn_File-1",
                                                 "Chk_Set1", "Chk_Set2"}));
  for (const auto& c : form->Controls()) {
    SCOPED_TRACE(c->name + std::to_string(c->index));
    EXPECT_TRUE(ids.insert(c->controlId).second);
    const int32_t w = c->container ? c->container->width : form->clientWidth;
    const int32_t h = c->container ? c->container->height : form->clientHeight;
    EXPECT_LE(c->left + c->width, w);
    EXPECT_LE(c->top + c->height, h);
  }
  EXPECT_EQ(ids.size(), 26u);
  EXPECT_EQ(form->Get("Label1", 11).container, &form->Get("Frame1", 1));
  EXPECT_EQ(form->Get("Srl_Set", 0).container, &form->Get("Frame1", 0));
  EXPECT_EQ(form->FindById(IDC_LABEL1_11), &form->Get("Label1", 11));
  EXPECT_EQ(form->FindById(IDC_BTN_FILE), &form->Get("Btn_File"));

  // A white crystal on a blue ground that lightens downwards.
  const Surface& s = form->Get("Image1").surface;
  ASSERT_EQ(s.Width(), 32);
  ASSERT_EQ(s.Height(), 32);
  int white = 0;
  for (Pixel p : s.Pixels())
    white += p == kWhite;
  EXPECT_GT(white, 60);
  EXPECT_LT(white, 400);
  const Pixel top = s.At(0, 0), bottom = s.At(31, 31);
  EXPECT_GT(top & 0xFF, top >> 16);
  EXPECT_GT(bottom & 0xFF, bottom >> 16);
  EXPECT_GT((bottom >> 16) + ((bottom >> 8) & 0xFF), (top >> 16) + ((top >> 8) & 0xFF));
}

}  // namespace
}  // namespace frin
