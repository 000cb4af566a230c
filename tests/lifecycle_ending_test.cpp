#include <gtest/gtest.h>

#include "lifecycle/input_watch.h"
#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

constexpr int kNT = 2, kWin9x = 1;

// A full-screen saver at 100 ms a step, started with the mouse at (500, 400).
struct Running : Harness {
  explicit Running(int platformId, const char* mouseMove = "off") {
    api.SetPlatformId(platformId);
    Store("Mouse_Move", mouseMove);
    api.SetCursorPos({500, 400});
    api.SetCaretPos({0, 0});
    started = !Start("/s");
  }
  // Ended cleanly: everything the run set up is undone.
  void ExpectEndedCleanly() {
    EXPECT_TRUE(api.Ended());
    EXPECT_EQ(api.EndStatus(), 0);
    EXPECT_GE(api.CursorCount(), 0);
    EXPECT_FALSE(api.ScreenSaverRunning());
    EXPECT_FALSE(saver.Primary().timers[0]->timerEnabled);
    EXPECT_FALSE(saver.Primary().timers[1]->timerEnabled);
    EXPECT_EQ(saver.Primary().FlakeField.Count(), 0);
    EXPECT_TRUE(api.LoadedForms().empty());
  }
  bool started = false;
};

TEST(LifecycleEnding, AnyKeyOrClickEndsTheSaverOnTheNTFamilyWithoutAPasswordCheck) {
  for (int key : {27, 16 /* shift alone */}) {
    Running r(kNT);
    ASSERT_TRUE(r.started);
    r.api.QueueKeyDown(r.Screen(), key, key == 16 ? 1 : 0, 250);
    EXPECT_TRUE(r.Advance(300)) << key;
    r.ExpectEndedCleanly();
    EXPECT_TRUE(r.api.PasswordChecks().empty());
  }
  Running r(kNT, "on");
  r.api.QueueClick(r.Get("Screen", 0), 120);
  EXPECT_TRUE(r.Advance(200));
  r.ExpectEndedCleanly();
}

TEST(LifecycleEnding, MovementEndsTheSaverOnlyWhenMouseMoveIsExactlyOff) {
  // Moves made within one Speed interval end it at the next tick of timer 0.
  for (bool caret : {false, true}) {
    Running r(kNT, "off");
    EXPECT_FALSE(r.Advance(1000));  // standing still ends nothing
    if (caret) {
      r.api.QueueCaretMove({1, 0}, 10);
    } else {
      r.api.QueueCursorMove({501, 400}, 10);
    }
    EXPECT_FALSE(r.Advance(60));
    EXPECT_TRUE(r.Advance(100));
    r.ExpectEndedCleanly();
  }
  for (const char* value : {"on", "OFF", "off "}) {
    Running r(kNT, value);
    r.api.QueueCursorMove({900, 10}, 10);
    r.api.QueueCaretMove({40, 2}, 20);
    EXPECT_FALSE(r.Advance(2000)) << value;
    EXPECT_EQ(r.saver.Primary().SceneState.LastCursor, (Point{900, 10})) << value;
    r.api.QueueKeyDown(r.Screen(), 32);
    EXPECT_TRUE(r.Advance(10)) << value;
  }
}

TEST(LifecycleEnding, APassedCheckOrNoPasswordServiceEndsTheSaverOnTheOtherFamily) {
  for (std::optional<int32_t> answer :
       {std::optional<int32_t>(1), std::optional<int32_t>(-1), std::optional<int32_t>()}) {
    Running r(kWin9x);
    r.api.SetPasswordAnswer(answer);
    const WindowHandle window = r.Screen().hwnd;
    r.api.QueueKeyDown(r.Screen(), 13, 0, 50);
    EXPECT_TRUE(r.Advance(100));
    r.ExpectEndedCleanly();
    EXPECT_EQ(r.api.PasswordChecks(), std::vector<WindowHandle>{window});
  }
}

TEST(LifecycleEnding, AFailedCheckLetsTheSaverGoOnFromWhereTheMouseNowStands) {
  Running r(kWin9x);
  r.api.SetPasswordAnswer(0);
  // The user moves the mouse to the dialog and types a wrong password.
  r.api.whilePasswordCheckOpen = [&r] { r.api.SetCursorPos({640, 360}); };
  r.api.QueueCursorMove({505, 402}, 30);
  EXPECT_FALSE(r.Advance(150));
  ASSERT_EQ(r.api.PasswordChecks().size(), 1u);
  EXPECT_LT(r.api.CursorCount(), 0);
  EXPECT_EQ(r.saver.InPasswordCheck, 0);
  EXPECT_EQ(r.saver.Primary().SceneState.LastCursor, (Point{640, 360}));
  EXPECT_TRUE(r.Get("SS_Timer", 0).timerEnabled);
  EXPECT_TRUE(r.api.ScreenSaverRunning());

  // The position reached in the dialog does not end it; a further movement asks again.
  r.api.whilePasswordCheckOpen = nullptr;
  EXPECT_FALSE(r.Advance(1000));
  EXPECT_EQ(r.api.PasswordChecks().size(), 1u);
  r.api.SetPasswordAnswer(1);
  r.api.QueueCursorMove({641, 360}, 10);
  EXPECT_TRUE(r.Advance(200));
  EXPECT_EQ(r.api.PasswordChecks().size(), 2u);
  r.ExpectEndedCleanly();
}

TEST(LifecycleEnding, WhileTheCheckIsOpenFlakesFallAndNoSecondDialogOpens) {
  Running r(kWin9x);
  r.api.SetPasswordAnswer(0);
  std::vector<Pixel> canvasAtOpen;
  bool changedWhileOpen = false;
  int countWhileOpen = 0;
  int open = 0;
  r.api.whilePasswordCheckOpen = [&r, &canvasAtOpen, &changedWhileOpen, &countWhileOpen, &open] {
    if (open > 0) {
      ADD_FAILURE() << "a second password dialog opened";
      return;
    }
    ++open;
    canvasAtOpen = r.Get("Screen", 0).surface.Pixels();
    // Ticks, moves, keys and clicks keep arriving while the dialog is up.
    r.api.QueueCursorMove({10, 10}, 100);
    r.api.QueueCaretMove({5, 5}, 250);
    r.api.QueueKeyDown(r.Screen(), 65, 0, 300);
    r.api.QueueClick(r.Get("Screen", 0), 400);
    r.api.Advance(1000);
    changedWhileOpen = r.Get("Screen", 0).surface.Pixels() != canvasAtOpen;
    countWhileOpen = r.api.CursorCount();
    --open;
  };
  r.api.QueueKeyDown(r.Screen(), 13, 0, 50);
  EXPECT_FALSE(r.Advance(100));
  EXPECT_TRUE(changedWhileOpen);
  EXPECT_EQ(r.api.PasswordChecks().size(), 1u);
  EXPECT_GE(countWhileOpen, 0);       // each nested call showed the cursor
  EXPECT_LT(r.api.CursorCount(), 0);  // and the failed check hid it again
  EXPECT_EQ(r.saver.InPasswordCheck, 0);
  EXPECT_FALSE(r.api.Ended());
}

TEST(LifecycleEnding, ACallDuringAPassedCheckEndingReturnsAndTheEndingFinishes) {
  Running r(kWin9x);
  r.api.SetPasswordAnswer(1);
  int nestedChecks = 0;
  r.api.whilePasswordCheckOpen = [&r, &nestedChecks] {
    EndSaver(r.saver);  // a tick's watch reaching the ending again
    nestedChecks = static_cast<int>(r.api.PasswordChecks().size());
  };
  r.api.QueueKeyDown(r.Screen(), 13, 0, 50);
  EXPECT_TRUE(r.Advance(100));
  EXPECT_EQ(nestedChecks, 1);
  r.ExpectEndedCleanly();
}

TEST(LifecycleEnding, TheEndingUnloadsAnOpenSettingsDialogToo) {
  Running r(kNT);
  r.saver.Form_Set = std::make_unique<Form>("Form_Set");
  int unloads = 0;
  r.saver.Form_Set->onUnload = [&unloads] { ++unloads; };
  r.api.LoadForm(*r.saver.Form_Set);
  r.api.QueueKeyDown(r.Screen(), 13);
  EXPECT_TRUE(r.Advance(10));
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(r.saver.Form_Set);
  r.ExpectEndedCleanly();
}

}  // namespace
}  // namespace frin::lifecycle_test
