#include <gtest/gtest.h>

#include "lifecycle/full_screen_run.h"
#include "lifecycle/preview_run.h"
#include "platform/errors.h"
#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

// --- Start-up ----------------------------------------------------------------------------------

TEST(LifecycleMain, AnotherInstanceStopsEveryStartBeforeAnySettingIsRead) {
  for (const char* command : {"/s", "/p 1234", "/c", "", "/a 5678"}) {
    Harness h;
    h.api.AddWindow(kSaverTitle, Rect{0, 0, 1024, 768});
    h.Store("Max", "40");
    h.Store("Remain", "on");
    EXPECT_TRUE(h.Start(command)) << command;
    EXPECT_EQ(h.api.EndStatus(), 0);
    EXPECT_EQ(h.saver.SaverSettings.Max, 0) << command;  // never loaded
    EXPECT_TRUE(h.api.LoadedForms().empty()) << command;
    EXPECT_TRUE(h.api.PasswordChanges().empty()) << command;
  }
}

TEST(LifecycleMain, NotesTheHostCaptionAndTheSystemFamily) {
  {
    Harness h;
    h.api.AddWindow(kHostCaptionSpaced, Rect{100, 100, 500, 550});
    h.api.SetPlatformId(1);
    h.Start("/x");
    EXPECT_EQ(h.saver.HostDialogCaption,
              "\u753B\u9762 \u306E\uFF8C\uFF9F\uFF9B\uFF8A\uFF9F\uFF83\uFF68");
    EXPECT_EQ(h.saver.NTFamily, 0);
  }
  for (bool plainExists : {false, true}) {
    Harness h;
    if (plainExists) h.api.AddWindow(kHostCaptionPlain, Rect{100, 100, 500, 550});
    h.api.SetPlatformId(2);
    h.Start("/x");
    EXPECT_EQ(h.saver.HostDialogCaption,
              "\u753B\u9762\u306E\uFF8C\uFF9F\uFF9B\uFF8A\uFF9F\uFF83\uFF68");
    EXPECT_EQ(h.saver.NTFamily, -1);
  }
  Harness failed;
  failed.api.SetPlatformId(0);  // GetVersionEx failed: the field stays 0
  EXPECT_EQ(IsNTFamily(failed.api), 0);
}

TEST(LifecycleMain, UnknownSwitchesAndThePasswordChangeEndWithoutAWindow) {
  for (const char* command : {"-s", "s", " /s", "/x", "/a", "/a 0"}) {
    Harness h;
    EXPECT_TRUE(h.Start(command)) << command;
    EXPECT_EQ(h.api.EndStatus(), 0) << command;
    EXPECT_FALSE(h.saver.Form_Screen) << command;
    EXPECT_TRUE(h.api.PasswordChanges().empty()) << command;
    EXPECT_EQ(h.saver.SaverSettings.Max, 150) << command;  // settings are read for every command
  }
  Harness h;
  EXPECT_TRUE(h.Start("/a 5678"));
  EXPECT_EQ(h.api.PasswordChanges(), std::vector<WindowHandle>{5678});
  EXPECT_TRUE(h.api.LoadedForms().empty());
}

TEST(LifecycleMain, TheSettingsCommandsOpenTheDialogAndItsCloseEndsTheProcess) {
  for (const char* command : {"/c", "/C", "", "/c:1234"}) {
    Harness h;
    EXPECT_FALSE(h.Start(command)) << command;
    ASSERT_TRUE(h.saver.Form_Set) << command;
    EXPECT_FALSE(h.saver.Form_Screen) << command;
    EXPECT_EQ(h.saver.SceneState.PreviewMode, 0);
    // It bears the title that stops a second start.
    EXPECT_EQ(h.api.FindTopWindow(kSaverTitle), h.saver.Form_Set->hwnd);
    h.api.PostClose(h.saver.Form_Set->hwnd);
    EXPECT_TRUE(h.Advance(10)) << command;
    EXPECT_EQ(h.api.EndStatus(), 0);
    EXPECT_TRUE(h.api.Writes().empty());
  }
}

TEST(LifecycleMain, ANumberOutside32BitsStopsTheStartWithTheOverflowError) {
  Harness h;
  try {
    h.Start("/p 4294967296");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrOverflow);
  }
  EXPECT_FALSE(h.saver.Form_Screen);
}

TEST(LifecycleMain, TwipsPerPixelAreRoundedTiesToEvenAndSizeTheScene) {
  struct Case {
    ScreenInfo screen;
    int32_t tppX, tppY, width, height;
  } cases[] = {
      {{15360, 11520, 15, 15}, 15, 15, 1024, 768},
      {{15360, 12288, 12, 12}, 12, 12, 1280, 1024},
      {{15360.4f, 11512.5f, 15, 15}, 15, 15, 1024, 767},  // twips rounded, then truncated
      {{15360, 11520, 14.5f, 15.5f}, 14, 16, 1097, 720},
      {{15360, 11520, 15.4f, 14.6f}, 15, 15, 1024, 768},
  };
  for (const Case& c : cases) {
    Harness h;
    h.Store("Max", "0");
    h.api.SetScreen(c.screen);
    h.Start("/s");
    EXPECT_EQ(h.saver.SceneState.TwipsPerPixelX, c.tppX);
    EXPECT_EQ(h.saver.SceneState.TwipsPerPixelY, c.tppY);
    EXPECT_EQ(h.saver.SceneState.SceneWidth, c.width);
    EXPECT_EQ(h.saver.SceneState.SceneHeight, c.height);
  }
}

// --- Full-screen run
// ------------------------------------------------------------------------------

TEST(LifecycleFullScreen, TheWindowIsNeverOnTheScreenBeforeTheSceneIsReady) {
  Harness h;
  h.Store("SaverType", "desktop");
  Surface desktop(1024, 768, 0x336699);
  h.api.SetDesktop(desktop);
  h.api.ShowCursor(true);  // a count that starts above 0 is driven below 0 as well
  h.api.SetCursorPos({500, 400});
  h.api.SetCaretPos({7, 9});
  ASSERT_FALSE(h.Start("/s"));

  RecordingPlatform& api = h.api;
  ASSERT_TRUE(api.firstOnScreen.has_value());
  const size_t onScreen = *api.firstOnScreen;
  // Shown once while still beyond the screen's corner, then hidden for the desktop copy.
  EXPECT_LT(api.Find("show"), api.Find("hide"));
  EXPECT_LT(api.Find("hide"), api.Find("capture"));
  EXPECT_LT(api.Find("capture"), onScreen);
  EXPECT_LT(api.Find("focus Pic_Focus"), api.Find("hide"));
  EXPECT_LT(api.Find("cursor -"), api.Find("hide"));
  // The first step has drawn the flakes before the window shows them.
  EXPECT_GT(api.canvasInkWhenShown, 0);
  // Then topmost, timer 0, the system flag.
  EXPECT_LT(onScreen, api.Find("topmost"));
  EXPECT_LT(api.Find("topmost"), api.Find("timer 0 on"));
  EXPECT_LT(api.Find("timer 0 on"), api.Find("running"));
  EXPECT_EQ(api.Find("timer 1 on"), api.log.size());  // 150 flakes: timer 0 only

  Form& form = h.Screen();
  EXPECT_EQ(form.caption, "ScreenSaver Frin");
  EXPECT_TRUE(form.visible);
  EXPECT_EQ(std::vector<int32_t>({form.left, form.top, form.width, form.height}),
            std::vector<int32_t>({0, 0, 15360, 11520}));
  EXPECT_EQ(form.windowState, 0);
  EXPECT_TRUE(api.IsTopmost(form.hwnd));
  EXPECT_EQ(form.focus, &h.Get("Pic_Focus"));
  EXPECT_LT(api.CursorCount(), 0);
  EXPECT_EQ(api.CursorCount(), -1);
  EXPECT_TRUE(api.ScreenSaverRunning());
  EXPECT_EQ(h.saver.InPasswordCheck, 0);
  EXPECT_EQ(h.saver.SceneState.PreviewMode, 0);
  EXPECT_EQ(h.saver.SceneState.LastCursor, (Point{500, 400}));
  EXPECT_EQ(h.saver.SceneState.LastCaret, (Point{7, 9}));
  EXPECT_EQ(h.saver.FlakeField.Count(), 150);
  EXPECT_EQ(h.Screen().Get("Screen", 0).surface.Pixels().size(), 1024u * 768u);
}

TEST(LifecycleFullScreen, TheLayoutHoldsAtEveryTwipsPerPixel) {
  for (float tpp : {15.0f, 12.0f}) {
    Harness h;
    h.api.SetScreenPixels(800, 600, tpp);
    ASSERT_FALSE(h.Start("/s"));
    const int32_t t = static_cast<int32_t>(tpp);
    for (int i : {0, 1}) {
      const Control& box = h.Get("Screen", i);
      EXPECT_EQ(std::vector<int32_t>({box.left, box.top, box.width, box.height}),
                std::vector<int32_t>({0, 0, 800 * t, 600 * t}));
      EXPECT_EQ(box.surface.Width(), 800);
      EXPECT_EQ(box.surface.Height(), 600);
    }
    const Control& focus = h.Get("Pic_Focus");
    EXPECT_EQ(std::vector<int32_t>({focus.left, focus.top, focus.width, focus.height}),
              std::vector<int32_t>({-50 * t, 0, 30 * t, 30 * t}));
    const Control& strip0 = h.Get("Frin_Pic", 0);
    EXPECT_EQ(std::vector<int32_t>({strip0.left, strip0.top, strip0.width, strip0.height}),
              std::vector<int32_t>({24 * t, 8 * t, 18 * t, 12 * t}));
    const Control& strip1 = h.Get("Frin_Pic", 1);
    EXPECT_EQ(std::vector<int32_t>({strip1.left, strip1.top, strip1.width, strip1.height}),
              std::vector<int32_t>({56 * t, 8 * t, 21 * t, 14 * t}));
    EXPECT_EQ(h.Screen().width, 800 * t);
  }
}

TEST(LifecycleFullScreen, MoveDesignDividesBy15ThenScalesAndTrapsOverflow) {
  Harness h;
  h.saver.SceneState.TwipsPerPixelX = 12;
  h.saver.SceneState.TwipsPerPixelY = 20;
  Form form("Form_Screen");
  Control& c = form.Add(Control{});
  MoveDesign(h.saver, c, 29, -29, -750, 14);  // 29 / 15 = 1, -29 / 15 = -1, 14 / 15 = 0
  EXPECT_EQ(std::vector<int32_t>({c.left, c.top, c.width, c.height}),
            std::vector<int32_t>({-600, 0, 12, -20}));
  h.saver.SceneState.TwipsPerPixelX = 1 << 20;
  EXPECT_THROW(MoveDesign(h.saver, c, 15 * 4096, 15, 0, 0), RuntimeError);
}

TEST(LifecycleFullScreen, TimerOneRunsOnlyAbove250Flakes) {
  struct Case {
    const char* max;
    bool timer1;
    int32_t flakes;
  } cases[] = {{"250", false, 250},
               {"251", true, 251},
               {"500", true, 500},
               {"0", false, 0},
               {"-5", false, 0}};
  for (const Case& c : cases) {
    Harness h;
    h.Store("Max", c.max);
    ASSERT_FALSE(h.Start("/s")) << c.max;
    EXPECT_TRUE(h.Get("SS_Timer", 0).timerEnabled) << c.max;
    EXPECT_EQ(h.Get("SS_Timer", 1).timerEnabled, c.timer1) << c.max;
    EXPECT_EQ(h.saver.FlakeField.Count(), c.flakes) << c.max;
    // Ticks go on without error, with no flakes at all too, and nothing moved ends nothing.
    EXPECT_FALSE(h.Advance(1000)) << c.max;
  }
}

TEST(LifecycleFullScreen, WithNoFlakesTheCanvasStaysTheBackground) {
  Harness h;
  h.Store("Max", "0");
  ASSERT_FALSE(h.Start("/s"));
  h.Advance(2000);
  EXPECT_EQ(RecordingPlatform::Ink(h.Get("Screen", 0).surface), 0);
  h.api.QueueKeyDown(h.Screen(), 27);
  EXPECT_TRUE(h.Advance(10));  // a key still ends it
}

// --- Preview -------------------------------------------------------------------------------------

struct PreviewHost {
  WindowHandle dialog = 0;
  WindowHandle preview = 0;
};

// The Display settings page: its dialog and the preview child inside it.
PreviewHost AddHost(Harness& h, int32_t previewWidth, int32_t previewHeight,
                    const char* caption = kHostCaptionPlain) {
  PreviewHost host;
  host.dialog = h.api.AddWindow(caption, Rect{200, 100, 600, 550});
  host.preview =
      h.api.AddWindow("", Rect{250, 150, 250 + previewWidth, 150 + previewHeight}, host.dialog);
  return host;
}

std::string HandleText(WindowHandle h) {
  return std::to_string(static_cast<uint32_t>(h));
}

TEST(LifecyclePreview, ScalesTheFlakeCountToThePreviewWidth) {
  EXPECT_EQ(ScalePreviewMax(150, 15360, 15, 152), 25);  // 15360 / 2280 = 6 previews across
  EXPECT_EQ(ScalePreviewMax(5, 15360, 15, 152), 1);     // 0, raised to 1
  EXPECT_EQ(ScalePreviewMax(300, 15360, 15, 1024), 300);
  EXPECT_EQ(ScalePreviewMax(150, 15360, 15, 1025), 150);  // wider than the screen: unscaled
  EXPECT_EQ(ScalePreviewMax(0, 15360, 15, 1025), 1);
  EXPECT_EQ(ScalePreviewMax(-40, 15360, 15, 152), 1);
  EXPECT_EQ(ScalePreviewMax(500, 15360, 12, 152), 62);  // 15360 / 1824 = 8

  struct Case {
    const char* max;
    int32_t previewWidth;
    int32_t flakes;
    bool timer1;
  } cases[] = {{"150", 152, 25, false},
               {"5", 152, 1, false},
               {"300", 1024, 300, true},
               {"150", 1100, 150, false}};
  for (const Case& c : cases) {
    Harness h;
    h.Store("Max", c.max);
    const PreviewHost host = AddHost(h, c.previewWidth, 112);
    ASSERT_FALSE(h.Start("/p " + HandleText(host.preview))) << c.max;
    EXPECT_EQ(h.saver.SaverSettings.Max, c.flakes);
    EXPECT_EQ(h.saver.FlakeField.Count(), c.flakes);
    EXPECT_EQ(h.Get("SS_Timer", 1).timerEnabled, c.timer1);
    EXPECT_TRUE(h.api.Writes().empty());  // the scaled count is never stored
  }
}

TEST(LifecyclePreview, LivesInsideTheHostWindowAndLeavesTheSystemAlone) {
  Harness h;
  const PreviewHost host = AddHost(h, 152, 112, kHostCaptionSpaced);
  ASSERT_FALSE(h.Start("/p:" + HandleText(host.preview)));

  Form& form = h.Screen();
  EXPECT_EQ(form.caption, "Frin Prev");
  EXPECT_EQ(h.api.GetParent(form.hwnd), host.preview);
  EXPECT_NE(h.api.GetWindowStyle(form.hwnd) & kWsChild, 0u);
  EXPECT_TRUE(form.visible);
  EXPECT_EQ(std::vector<int32_t>({form.left, form.top, form.width, form.height}),
            std::vector<int32_t>({0, 0, 152 * 15, 112 * 15}));
  EXPECT_EQ(h.Get("Screen", 0).surface.Width(), 152);
  EXPECT_EQ(h.Get("Screen", 0).surface.Height(), 112);
  EXPECT_EQ(h.saver.SceneState.PreviewMode, 1);
  EXPECT_EQ(form.focus, nullptr);
  EXPECT_EQ(h.api.CursorCount(), 0);
  EXPECT_FALSE(h.api.ScreenSaverRunning());
  EXPECT_FALSE(h.api.IsTopmost(form.hwnd));
  EXPECT_EQ(h.api.Find("topmost"), h.api.log.size());
  EXPECT_EQ(h.api.BroughtToTop(), std::vector<WindowHandle>{host.dialog});
  // Not the full-screen title: a running preview does not stop a full-screen start.
  EXPECT_EQ(h.api.FindTopWindow(kSaverTitle), 0u);
}

TEST(LifecyclePreview, WithoutTheHostDialogNothingIsBroughtToTheTop) {
  Harness h;
  const PreviewHost host = AddHost(h, 152, 112, "Display Properties");
  ASSERT_FALSE(h.Start("/p " + HandleText(host.preview)));
  EXPECT_EQ(h.api.BroughtToTop(), std::vector<WindowHandle>{0});
}

TEST(LifecyclePreview, InputChangesNothing) {
  Harness h;
  h.Store("Mouse_Move", "off");
  const PreviewHost host = AddHost(h, 152, 112);
  ASSERT_FALSE(h.Start("/p " + HandleText(host.preview)));
  const std::vector<Pixel> before = h.Get("Screen", 0).surface.Pixels();
  h.api.QueueKeyDown(h.Screen(), 13);
  h.api.QueueClick(h.Get("Screen", 0), 50);
  h.api.QueueCursorMove({3, 4}, 120);
  h.api.QueueCaretMove({30, 40}, 220);
  h.Screen().RaiseKeyDown(h.Get("Pic_Focus"), 65, 0);  // even with the focus it had not
  EXPECT_FALSE(h.Advance(1000));
  EXPECT_NE(h.Get("Screen", 0).surface.Pixels(), before);  // the flakes kept falling
  EXPECT_EQ(h.api.CursorCount(), 0);
  EXPECT_TRUE(h.api.PasswordChecks().empty());
}

TEST(LifecyclePreview, ClosingThePreviewWindowEndsTheProcess) {
  Harness h;
  const PreviewHost host = AddHost(h, 152, 112);
  ASSERT_FALSE(h.Start("/p " + HandleText(host.preview)));
  const WindowHandle window = h.Screen().hwnd;
  const WindowHandle owner = h.api.GetOwner(window);
  h.api.PostClose(window);  // the host destroys its preview child
  EXPECT_TRUE(h.Advance(10));
  EXPECT_EQ(h.api.EndStatus(), 0);
  ASSERT_GE(h.api.PostedCloses().size(), 2u);
  EXPECT_EQ(h.api.PostedCloses()[1], owner);  // the unload handler asked the owner to close
}

TEST(LifecyclePreview, AHostThatIsNoWindowOrHasNoWidthEndsQuietly) {
  {
    Harness h;
    EXPECT_TRUE(h.Start("/p 1234"));  // names no window
    EXPECT_EQ(h.api.EndStatus(), 0);
    EXPECT_FALSE(h.saver.Form_Screen);
  }
  {
    Harness h;
    EXPECT_TRUE(h.Start("/p"));  // handle 0
    EXPECT_EQ(h.api.EndStatus(), 0);
  }
  {
    Harness h;
    const PreviewHost host = AddHost(h, 0, 112);
    EXPECT_TRUE(h.Start("/p " + HandleText(host.preview)));
    EXPECT_EQ(h.api.EndStatus(), 0);
    EXPECT_FALSE(h.saver.Form_Screen);
  }
  {
    Harness h;  // no height: an empty scene that still runs
    const PreviewHost host = AddHost(h, 152, 0);
    EXPECT_FALSE(h.Start("/p " + HandleText(host.preview)));
    EXPECT_FALSE(h.Advance(1000));
  }
}

}  // namespace
}  // namespace frin::lifecycle_test
