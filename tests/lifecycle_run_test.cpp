#include <gtest/gtest.h>

#include "lifecycle/preview_run.h"
#include "platform/errors.h"
#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

std::vector<int32_t> Place(const Control& c) {
  return {c.left, c.top, c.width, c.height};
}

// --- Start-up ----------------------------------------------------------------------------------

TEST(LifecycleMain, AnotherInstanceStopsEveryStartBeforeAnySettingIsRead) {
  for (const char* command : {"/s", "/p 1234", "", "/a 5678"}) {
    Harness h;
    h.api.AddWindow(kSaverTitle, Rect{0, 0, 1024, 768});
    EXPECT_TRUE(h.Start(command)) << command;
    EXPECT_EQ(h.saver.SaverSettings.Max, 0) << command;  // never loaded
    EXPECT_TRUE(h.api.LoadedForms().empty()) << command;
    EXPECT_TRUE(h.api.PasswordChanges().empty()) << command;
  }
}

TEST(LifecycleMain, NotesTheHostCaptionAndTheSystemFamily) {
  struct Case {
    const char* window;
    int32_t platformId;
    const char* caption;
    int16_t nt;
  } cases[] = {{kHostCaptionSpaced, 1, kHostCaptionSpaced, 0},
               {kHostCaptionPlain, 2, kHostCaptionPlain, -1},
               {nullptr, 0, kHostCaptionPlain, 0}};  // 0: the version call failed
  for (const Case& c : cases) {
    Harness h;
    if (c.window != nullptr) h.api.AddWindow(c.window, Rect{100, 100, 500, 550});
    h.api.SetPlatformId(c.platformId);
    h.Start("/x");
    EXPECT_EQ(h.saver.HostDialogCaption, c.caption);
    EXPECT_EQ(h.saver.NTFamily, c.nt);
  }
}

TEST(LifecycleMain, UnknownSwitchesAndThePasswordChangeEndWithoutAWindow) {
  for (const char* command : {"-s", " /s", "/a", "/a 0", "/a 5678"}) {
    Harness h;
    EXPECT_TRUE(h.Start(command)) << command;
    EXPECT_EQ(h.api.EndStatus(), 0) << command;
    const std::vector<WindowHandle> changes = command == std::string("/a 5678")
                                                  ? std::vector<WindowHandle>{5678}
                                                  : std::vector<WindowHandle>{};
    EXPECT_EQ(h.api.PasswordChanges(), changes) << command;
    EXPECT_EQ(h.saver.SaverSettings.Max, 150) << command;  // settings are read for every command
  }
  Harness overflow;
  EXPECT_THROW(overflow.Start("/p 4294967296"), RuntimeError);
}

TEST(LifecycleMain, TheSettingsCommandsOpenTheDialogAndItsCloseEndsTheProcess) {
  for (const char* command : {"/c", "", "/c:1234"}) {
    Harness h;
    EXPECT_FALSE(h.Start(command)) << command;
    ASSERT_TRUE(h.saver.Form_Set) << command;
    EXPECT_FALSE(h.saver.Form_Screen) << command;
    // It bears the title that stops a second start.
    EXPECT_EQ(h.api.FindTopWindow(kSaverTitle), h.saver.Form_Set->hwnd);
    h.api.PostClose(h.saver.Form_Set->hwnd);
    EXPECT_TRUE(h.Advance(10)) << command;
    EXPECT_TRUE(h.api.Writes().empty());
  }
}

TEST(LifecycleMain, TwipsPerPixelAreRoundedTiesToEvenAndSizeTheScene) {
  Harness h;
  h.api.SetScreen(ScreenInfo{15360.4f, 11512.5f, 14.5f, 15.5f});
  h.Start("/s");
  EXPECT_EQ(h.saver.Primary().SceneState.TwipsPerPixelX, 14);
  EXPECT_EQ(h.saver.Primary().SceneState.TwipsPerPixelY, 16);
  EXPECT_EQ(h.saver.Primary().SceneState.SceneWidth, 15360 / 14);
  EXPECT_EQ(h.saver.Primary().SceneState.SceneHeight, 11512 / 16);
}

// --- Full-screen run
// ------------------------------------------------------------------------------

TEST(LifecycleFullScreen, TheWindowIsNeverOnTheScreenBeforeTheSceneIsReady) {
  Harness h;
  h.Store("SaverType", "desktop");
  h.api.SetDesktop(Surface(1024, 768, 0x336699));
  h.api.ShowCursor(true);  // a count that starts above 0 is driven below 0 as well
  h.api.SetCursorPos({500, 400});
  h.api.SetCaretPos({7, 9});
  ASSERT_FALSE(h.Start("/s"));

  RecordingPlatform& api = h.api;
  ASSERT_TRUE(api.firstOnScreen.has_value());
  const size_t onScreen = *api.firstOnScreen;
  // Shown once while still beyond the screen's corner, then hidden for the desktop copy.
  EXPECT_LT(api.Find("show"), api.Find("hide"));
  EXPECT_LT(api.Find("focus Pic_Focus"), api.Find("hide"));
  EXPECT_LT(api.Find("hide"), api.Find("capture"));
  EXPECT_LT(api.Find("capture"), onScreen);
  EXPECT_GT(api.canvasInkWhenShown, 0);  // the first step drew the flakes before the showing
  EXPECT_LT(onScreen, api.Find("topmost"));
  EXPECT_LT(api.Find("topmost"), api.Find("timer 0 on"));
  EXPECT_LT(api.Find("timer 0 on"), api.Find("running"));

  Form& form = h.Screen();
  EXPECT_EQ(form.caption, "ScreenSaver Frin");
  EXPECT_EQ(std::vector<int32_t>({form.left, form.top, form.width, form.height}),
            std::vector<int32_t>({0, 0, 15360, 11520}));
  EXPECT_TRUE(api.IsTopmost(form.hwnd));
  EXPECT_EQ(form.focus, &h.Get("Pic_Focus"));
  EXPECT_EQ(api.CursorCount(), -1);
  EXPECT_TRUE(api.ScreenSaverRunning());
  EXPECT_EQ(h.saver.Primary().SceneState.LastCursor, (Point{500, 400}));
  EXPECT_EQ(h.saver.Primary().SceneState.LastCaret, (Point{7, 9}));
}

TEST(LifecycleFullScreen, TheLayoutHoldsAtEveryTwipsPerPixel) {
  for (int32_t t : {15, 12}) {
    Harness h;
    h.api.SetScreenPixels(800, 600, t);
    ASSERT_FALSE(h.Start("/s"));
    for (int i : {0, 1}) {
      EXPECT_EQ(Place(h.Get("Screen", i)), std::vector<int32_t>({0, 0, 800 * t, 600 * t}));
      EXPECT_EQ(h.Get("Screen", i).surface.Width(), 800);
      EXPECT_EQ(h.Get("Screen", i).surface.Height(), 600);
    }
    EXPECT_EQ(Place(h.Get("Pic_Focus")), std::vector<int32_t>({-50 * t, 0, 30 * t, 30 * t}));
    EXPECT_EQ(Place(h.Get("Frin_Pic", 0)), std::vector<int32_t>({24 * t, 8 * t, 18 * t, 12 * t}));
    EXPECT_EQ(Place(h.Get("Frin_Pic", 1)), std::vector<int32_t>({56 * t, 8 * t, 21 * t, 14 * t}));
  }
}

TEST(LifecycleFullScreen, TimerOneRunsOnlyAbove250FlakesAndNoFlakesIsNoError) {
  struct Case {
    const char* max;
    bool timer1;
    int32_t flakes;
  } cases[] = {{"250", false, 250}, {"251", true, 251}, {"0", false, 0}, {"-5", false, 0}};
  for (const Case& c : cases) {
    Harness h;
    h.Store("Max", c.max);
    ASSERT_FALSE(h.Start("/s")) << c.max;
    EXPECT_TRUE(h.Get("SS_Timer", 0).timerEnabled) << c.max;
    EXPECT_EQ(h.Get("SS_Timer", 1).timerEnabled, c.timer1) << c.max;
    EXPECT_EQ(h.saver.Primary().FlakeField.Count(), c.flakes) << c.max;
    EXPECT_FALSE(h.Advance(1000)) << c.max;
    if (c.flakes == 0) {
      EXPECT_EQ(RecordingPlatform::Ink(h.Get("Screen", 0).surface), 0);
    }
  }
}

// --- Preview -------------------------------------------------------------------------------------

struct PreviewHost {
  WindowHandle dialog = 0;
  WindowHandle preview = 0;
  std::string command;  // "/p <preview>"
};

// The Display settings page: its dialog and the preview child inside it.
PreviewHost AddHost(Harness& h, int32_t width, int32_t height,
                    const char* caption = kHostCaptionPlain) {
  PreviewHost host;
  host.dialog = h.api.AddWindow(caption, Rect{200, 100, 600, 550});
  host.preview = h.api.AddWindow("", Rect{250, 150, 250 + width, 150 + height}, host.dialog);
  host.command = "/p " + std::to_string(host.preview);
  return host;
}

TEST(LifecyclePreview, ScalesTheFlakeCountToThePreviewWidth) {
  EXPECT_EQ(ScalePreviewMax(150, 15360, 15, 152), 25);  // 15360 / 2280 = 6 previews across
  EXPECT_EQ(ScalePreviewMax(5, 15360, 15, 152), 1);     // 0, raised to 1
  EXPECT_EQ(ScalePreviewMax(300, 15360, 15, 1024), 300);
  EXPECT_EQ(ScalePreviewMax(150, 15360, 15, 1025), 150);  // wider than the screen: unscaled
  EXPECT_EQ(ScalePreviewMax(-40, 15360, 15, 152), 1);

  struct Case {
    const char* max;
    int32_t width, flakes;
    bool timer1;
  } cases[] = {{"150", 152, 25, false}, {"300", 1024, 300, true}};
  for (const Case& c : cases) {
    Harness h;
    h.Store("Max", c.max);
    ASSERT_FALSE(h.Start(AddHost(h, c.width, 112).command)) << c.max;
    EXPECT_EQ(h.saver.Primary().FlakeField.Count(), c.flakes);
    EXPECT_EQ(h.Get("SS_Timer", 1).timerEnabled, c.timer1);
    EXPECT_TRUE(h.api.Writes().empty());  // the scaled count is never stored
  }
}

TEST(LifecyclePreview, LivesInsideTheHostWindowAndLeavesTheSystemAlone) {
  for (const char* caption : {kHostCaptionSpaced, "Display Properties"}) {
    Harness h;
    const PreviewHost host = AddHost(h, 152, 112, caption);
    ASSERT_FALSE(h.Start(host.command));
    Form& form = h.Screen();
    EXPECT_EQ(form.caption, "Frin Prev");
    EXPECT_EQ(h.api.GetParent(form.hwnd), host.preview);
    EXPECT_NE(h.api.GetWindowStyle(form.hwnd) & kWsChild, 0u);
    EXPECT_EQ(std::vector<int32_t>({form.left, form.top, form.width, form.height}),
              std::vector<int32_t>({0, 0, 152 * 15, 112 * 15}));
    EXPECT_EQ(h.Get("Screen", 0).surface.Width(), 152);
    EXPECT_EQ(form.focus, nullptr);
    EXPECT_EQ(h.api.CursorCount(), 0);
    EXPECT_FALSE(h.api.ScreenSaverRunning());
    EXPECT_FALSE(h.api.IsTopmost(form.hwnd));
    const WindowHandle found = std::string(caption) == kHostCaptionSpaced ? host.dialog : 0;
    EXPECT_EQ(h.api.BroughtToTop(), std::vector<WindowHandle>{found});
  }
}

TEST(LifecyclePreview, InputChangesNothingAndClosingThePreviewEndsTheProcess) {
  Harness h;
  ASSERT_FALSE(h.Start(AddHost(h, 152, 112).command));
  const std::vector<Pixel> before = h.Get("Screen", 0).surface.Pixels();
  h.api.QueueClick(h.Get("Screen", 0), 50);
  h.api.QueueCursorMove({3, 4}, 120);
  h.api.QueueCaretMove({30, 40}, 220);
  h.Screen().RaiseKeyDown(h.Get("Pic_Focus"), 65, 0);  // even with the focus it does not have
  EXPECT_FALSE(h.Advance(1000));
  EXPECT_NE(h.Get("Screen", 0).surface.Pixels(), before);  // the flakes kept falling
  EXPECT_EQ(h.api.CursorCount(), 0);

  const WindowHandle owner = h.api.GetOwner(h.Screen().hwnd);
  h.api.PostClose(h.Screen().hwnd);  // the host destroys its preview child
  EXPECT_TRUE(h.Advance(10));
  EXPECT_EQ(h.api.PostedCloses().back(), owner);  // the unload handler asked the owner to close
}

TEST(LifecyclePreview, AHostThatIsNoWindowOrHasNoWidthEndsQuietly) {
  for (int32_t width : {-1, 0}) {  // -1: no host window at all
    Harness h;
    EXPECT_TRUE(h.Start(width < 0 ? "/p 1234" : AddHost(h, width, 112).command));
    EXPECT_EQ(h.api.EndStatus(), 0);
    EXPECT_FALSE(h.saver.Form_Screen);
  }
  Harness h;  // no height: an empty scene that still runs
  EXPECT_FALSE(h.Start(AddHost(h, 152, 0).command));
  EXPECT_FALSE(h.Advance(1000));
}

// --- Either run ----------------------------------------------------------------------------------

TEST(LifecycleMain, APictureBackgroundIsNamedToTheBackendBeforeAnyWindowLoads) {
  const std::string file = std::string(FRIN_TEST_DATA) + "/two_colour_4x3.bmp";
  struct Case {
    const char* command;
    const char* saverType;
    const char* backScreen;
    std::string file;
    bool named;
  };
  for (const Case& c :
       {Case{"/s", "snow", "on", file, true}, Case{"preview", "snow", "on", file, true},
        Case{"/s", "desktop", "on", file, false}, Case{"/s", "snow", "off", file, false},
        Case{"/s", "snow", "on", file + ".missing", false}, Case{"/s", "snow", "on", "", false},
        Case{"/c", "snow", "on", file, false}}) {
    SCOPED_TRACE(std::string(c.command) + " " + c.saverType + " " + c.backScreen + " " + c.file);
    Harness h;
    h.Store("SaverType", c.saverType);
    h.Store("BackScreen", c.backScreen);
    h.Store("BS_File", c.file);
    h.Start(std::string(c.command) == "preview" ? AddHost(h, 152, 112).command : c.command);
    if (!c.named) {
      EXPECT_TRUE(h.api.PictureHints().empty());
      continue;
    }
    ASSERT_EQ(h.api.PictureHints().size(), 1u);
    EXPECT_EQ(h.api.PictureHints()[0].path, file);
    EXPECT_EQ(h.api.PictureHints()[0].formsLoaded, 0u);
    EXPECT_EQ(h.saver.Primary().SceneState.ImageBackground, 1);  // and the picture is shown
  }
}

}  // namespace
}  // namespace frin::lifecycle_test
