// The full-screen run over several monitors: one scene and one window per monitor, one saver over
// all of them, and a change of the monitors while it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lifecycle/input_watch.h"
#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

constexpr int kNT = 2, kWin9x = 1;
constexpr int32_t kTpp = 15;

// An 800 x 600 primary and a 640 x 480 monitor to its left.
const std::vector<Rect> kTwo = {{0, 0, 800, 600}, {-640, 0, 0, 480}};
// A 1024 x 768 primary, a portrait 768 x 1024 to its right and a 640 x 480 to its left, lower.
const std::vector<Rect> kThree = {{0, 0, 1024, 768}, {1024, 0, 1792, 1024}, {-640, 200, 0, 680}};

using Monitors = MonitorsRun;

bool RowIsWhite(const Surface& s, int32_t row) {
  for (int32_t x = 0; x < s.Width(); ++x) {
    if ((s.At(x, row) & kColourMask) != (kWhite & kColourMask)) return false;
  }
  return true;
}

Rect WindowPixels(const Form& form) {
  return Rect{form.left / kTpp, form.top / kTpp, (form.left + form.width) / kTpp,
              (form.top + form.height) / kTpp};
}

bool SameRect(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(LifecycleMonitors, EachMonitorGetsItsOwnSceneAndTopmostWindowAtItsOwnRectangle) {
  for (const std::vector<Rect>* layout : {&kTwo, &kThree}) {
    Monitors m(*layout);
    ASSERT_TRUE(m.started);
    ASSERT_EQ(m.saver.Scenes.size(), layout->size());
    ASSERT_EQ(m.saver.MonitorWindows.size(), layout->size() - 1);
    EXPECT_EQ(m.At(0).window, m.saver.Form_Screen.get());
    for (size_t i = 0; i < layout->size(); ++i) {
      const Rect& monitor = (*layout)[i];
      Scene& scene = m.At(i);
      const Form& window = *scene.window;
      SCOPED_TRACE(i);
      EXPECT_EQ(scene.SceneState.SceneWidth, monitor.Width());
      EXPECT_EQ(scene.SceneState.SceneHeight, monitor.Height());
      EXPECT_TRUE(SameRect(WindowPixels(window), monitor));  // negative coordinates included
      EXPECT_TRUE(window.visible && m.api.IsTopmost(window.hwnd));
      EXPECT_EQ(window.caption, "ScreenSaver Frin");
      EXPECT_EQ(window.border, FormBorder::kNone);
      EXPECT_EQ(scene.canvas->surface.Width(), monitor.Width());
      EXPECT_EQ(scene.canvas->surface.Height(), monitor.Height());
      EXPECT_EQ(scene.backgroundBuffer->surface.Height(), monitor.Height());
      EXPECT_EQ(scene.FlakeField.Count(), 150);
      EXPECT_EQ(scene.SceneState.GroundY, monitor.Height());
      // The primary's timers step every scene; no other window has a timer running.
      EXPECT_EQ(scene.timers[0]->timerEnabled, i == 0);
      EXPECT_FALSE(scene.timers[1]->timerEnabled);
    }
    // The keyboard stays with the primary's window.
    EXPECT_EQ(m.Screen().focus, &m.Get("Pic_Focus"));
    EXPECT_LT(m.api.CursorCount(), 0);
    EXPECT_TRUE(m.api.ScreenSaverRunning());
  }
}

TEST(LifecycleMonitors, TimerZeroStepsTheFirstBandOfEverySceneAndTimerOneEverySecondBand) {
  Monitors m(kThree, kNT, "300");
  ASSERT_TRUE(m.started);
  EXPECT_TRUE(m.At(0).timers[1]->timerEnabled);
  std::vector<std::vector<Flake>> before(3);
  for (size_t i = 0; i < 3; ++i) {
    for (int32_t f = 1; f <= 300; ++f)
      before[i].push_back(m.At(i).FlakeField[f]);
  }
  EXPECT_FALSE(m.Advance(100));  // one tick of each timer
  for (size_t i = 0; i < 3; ++i) {
    for (int32_t f : {1, 250, 251, 300}) {
      const Flake& now = m.At(i).FlakeField[f];
      const Flake& was = before[i][static_cast<size_t>(f - 1)];
      // Every flake falls by its speed (or lands at the top again) in one tick of its band.
      EXPECT_TRUE(now.Y == was.Y + was.FallSpeed || now.Y == 0) << "scene " << i << " flake " << f;
    }
  }
}

TEST(LifecycleMonitors, EverySceneKeepsToItsOwnSizeGroundLineAndSettlingThreshold) {
  Monitors m(kThree, kNT, "400", "on");
  ASSERT_TRUE(m.started);
  // A landing on the left monitor at 320 landings (half its 640 pixels) raises its layer; the
  // primary's half width is 512, so the same count there raises nothing.
  for (size_t i : {size_t{0}, size_t{2}}) {
    Scene& scene = m.At(i);
    scene.SceneState.SettledCount = 320;
    Flake& f = scene.FlakeField[1];
    f.Y = scene.SceneState.GroundY;
  }
  EXPECT_FALSE(m.Advance(100));
  EXPECT_EQ(m.At(2).SceneState.GroundY, 479);
  EXPECT_LT(m.At(2).SceneState.SettledCount, 320);
  EXPECT_EQ(m.At(0).SceneState.GroundY, 768);
  EXPECT_GE(m.At(0).SceneState.SettledCount, 321);

  // A long run: each layer rises from its own bottom edge, and every flake stays within its own
  // scene.
  for (int t = 0; t < 1500; ++t)
    ASSERT_FALSE(m.Advance(100));
  for (size_t i = 0; i < 3; ++i) {
    const Scene& scene = m.At(i);
    const SceneState& s = scene.SceneState;
    SCOPED_TRACE(i);
    EXPECT_GT(s.GroundY, LayerFloor);
    EXPECT_LT(s.GroundY, s.SceneHeight - 1);
    EXPECT_TRUE(RowIsWhite(scene.backgroundBuffer->surface, s.GroundY + 1));
    EXPECT_TRUE(RowIsWhite(scene.backgroundBuffer->surface, s.SceneHeight - 1));
    for (int32_t f = 1; f <= scene.FlakeField.Count(); ++f) {
      const Flake& fl = scene.FlakeField[f];
      EXPECT_TRUE(fl.X >= -7 && fl.X <= s.SceneWidth && fl.Y >= 0 && fl.Y <= s.SceneHeight);
    }
  }
  // The portrait monitor's layer stops at row 50 as any other.
  Scene& portrait = m.At(1);
  portrait.SceneState.GroundY = LayerFloor;
  portrait.SceneState.SettledCount = 384;
  portrait.FlakeField[1].Y = LayerFloor;
  EXPECT_FALSE(m.Advance(100));
  EXPECT_EQ(portrait.SceneState.GroundY, LayerFloor);
  EXPECT_TRUE(RowIsWhite(portrait.backgroundBuffer->surface, LayerFloor));
  EXPECT_FALSE(RowIsWhite(portrait.backgroundBuffer->surface, LayerFloor - 1));
}

TEST(LifecycleMonitors, TheDesktopCopyShowsEachMonitorItsOwnPartAndAPictureIsStretchedOverEach) {
  // A desktop over the whole virtual screen (x from -640 to 1792, y from 0 to 1024), each pixel
  // naming its own place.
  Surface desktop(2432, 1024);
  for (int32_t y = 0; y < desktop.Height(); ++y) {
    for (int32_t x = 0; x < desktop.Width(); ++x)
      desktop.At(x, y) = static_cast<Pixel>(x) << 12 | static_cast<Pixel>(y);
  }
  RecordingPlatform probe;
  {
    Harness h;
    h.api.SetMonitors(kThree, kTpp);
    h.api.SetDesktop(desktop);
    h.Store("SaverType", "desktop");
    h.Store("Max", "0");
    ASSERT_FALSE(h.Start("/s"));
    for (size_t i = 0; i < 3; ++i) {
      const Scene& scene = h.saver.Scenes[i];
      const Surface& buffer = scene.backgroundBuffer->surface;
      const Rect& monitor = kThree[i];
      for (auto [x, y] : {std::pair{0, 0}, std::pair{monitor.Width() - 1, monitor.Height() - 1},
                          std::pair{monitor.Width() / 2, 7}}) {
        EXPECT_EQ(buffer.At(x, y), desktop.At(monitor.left + 640 + x, monitor.top + y))
            << "scene " << i << " at " << x << "," << y;
      }
      EXPECT_EQ(scene.SceneState.ImageBackground, 1);
    }
    // Every copy is made while no window shows.
    const size_t shown = h.api.Find("topmost");
    size_t copies = 0;
    for (size_t i = 0; i < h.api.log.size(); ++i)
      copies += h.api.log[i] == "capture" && i < shown;
    EXPECT_EQ(copies, 3u);
  }
  {
    const std::string file = std::string(FRIN_TEST_DATA) + "/two_colour_4x3.bmp";
    Harness h;
    h.api.SetMonitors(kTwo, kTpp);
    h.Store("BackScreen", "on");
    h.Store("BS_File", file);
    h.Store("Max", "0");
    ASSERT_FALSE(h.Start("/s"));
    const std::optional<Surface> picture = probe.LoadPicture(file);
    ASSERT_TRUE(picture.has_value());
    for (size_t i = 0; i < 2; ++i) {
      const Rect& monitor = kTwo[i];
      Surface want(monitor.Width(), monitor.Height());
      StretchPaint(want, Rect{0, 0, monitor.Width(), monitor.Height()}, *picture,
                   Rect{0, 0, picture->Width(), picture->Height()});
      EXPECT_EQ(h.saver.Scenes[i].backgroundBuffer->surface.Pixels(), want.Pixels()) << i;
    }
    // One decode serves both monitors, and nothing of it is kept once they have started.
    EXPECT_EQ(std::count(h.api.log.begin(), h.api.log.end(), "load picture"), 1);
    EXPECT_FALSE(h.saver.KeptPicture.has_value());
    EXPECT_FALSE(h.saver.KeepPicture);
  }
}

TEST(LifecycleMonitors, AClickOnAnyMonitorOrAKeyEndsTheSaverAndClosesEveryWindow) {
  for (int how = 0; how < 3; ++how) {
    Monitors m(kThree);
    ASSERT_TRUE(m.started);
    if (how == 0) m.api.QueueClick(*m.At(2).canvas, 150);
    if (how == 1) m.api.QueueClick(*m.At(1).canvas, 150);
    if (how == 2) m.api.QueueKeyDown(m.Screen(), 27, 0, 150);
    EXPECT_FALSE(m.Advance(100)) << how;
    EXPECT_TRUE(m.Advance(100)) << how;
    EXPECT_EQ(m.api.EndStatus(), 0);
    EXPECT_TRUE(m.api.LoadedForms().empty());
    EXPECT_FALSE(m.api.ScreenSaverRunning());
    EXPECT_GE(m.api.CursorCount(), 0);
    for (const Scene& scene : m.saver.Scenes) {
      EXPECT_FALSE(scene.timers[0]->timerEnabled || scene.timers[1]->timerEnabled);
      EXPECT_EQ(scene.FlakeField.Count(), 0);
    }
  }
}

TEST(LifecycleMonitors, OnTheOtherFamilyOnePasswordCheckGuardsEveryMonitor) {
  Monitors m(kTwo, kWin9x);
  ASSERT_TRUE(m.started);
  m.api.SetPasswordAnswer(0);
  // Clicks on both monitors while the dialog is open open no second one.
  m.api.whilePasswordCheckOpen = [&m] {
    m.api.QueueClick(*m.At(0).canvas, 10);
    m.api.QueueClick(*m.At(1).canvas, 20);
    m.api.Advance(300);
  };
  m.api.QueueClick(*m.At(1).canvas, 50);
  EXPECT_FALSE(m.Advance(100));
  EXPECT_EQ(m.api.PasswordChecks(), std::vector<WindowHandle>{m.Screen().hwnd});
  // A wrong password: both monitors stay covered.
  for (const Scene& scene : m.saver.Scenes)
    EXPECT_TRUE(scene.window->visible && m.api.IsWindow(scene.window->hwnd));
  m.api.whilePasswordCheckOpen = nullptr;
  m.api.SetPasswordAnswer(1);
  m.api.QueueClick(*m.At(1).canvas, 50);
  EXPECT_TRUE(m.Advance(100));
  EXPECT_EQ(m.api.PasswordChecks().size(), 2u);
  EXPECT_TRUE(m.api.LoadedForms().empty());
}

TEST(LifecycleMonitors, AChangedMonitorLayoutEndsTheSaverAndTheSameLayoutKeepsItRunning) {
  const std::vector<std::vector<Rect>> changes = {
      {{0, 0, 800, 600}},                                          // the left monitor unplugged
      {{0, 0, 800, 600}, {-640, 0, 0, 480}, {800, 0, 1600, 600}},  // a third plugged in
      {{0, 0, 1024, 768}, {-640, 0, 0, 480}},                      // the primary's resolution
  };
  for (const std::vector<Rect>& now : changes) {
    Monitors m(kTwo);
    ASSERT_TRUE(m.started);
    m.api.QueueDisplayChange(kTwo, 50);  // a monitor that slept and came back as it was
    EXPECT_FALSE(m.Advance(500));
    m.api.QueueDisplayChange(now, 50);
    EXPECT_TRUE(m.Advance(100)) << now.size();
    EXPECT_EQ(m.api.EndStatus(), 0);
    EXPECT_TRUE(m.api.LoadedForms().empty());
    EXPECT_FALSE(m.api.ScreenSaverRunning());
  }
  // On the other family the change asks for the password, once, whatever the number of windows.
  Monitors m(kThree, kWin9x);
  m.api.QueueDisplayChange(kTwo, 50);
  EXPECT_TRUE(m.Advance(100));
  EXPECT_EQ(m.api.PasswordChecks().size(), 1u);
}

TEST(LifecycleMonitors, ARefusedPasswordAfterAChangeCoversTheMonitorsAsTheyAreNow) {
  const std::vector<Rect> plugged = {{0, 0, 800, 600}, {-640, 0, 0, 480}, {800, 100, 1824, 868}};
  Monitors m(kTwo, kWin9x, "300");
  ASSERT_TRUE(m.started);
  m.api.SetPasswordAnswer(0);
  const WindowHandle oldLeft = m.At(1).window->hwnd;
  m.api.QueueDisplayChange(plugged, 50);
  EXPECT_FALSE(m.Advance(100));
  EXPECT_EQ(m.api.PasswordChecks().size(), 1u);
  ASSERT_EQ(m.saver.Scenes.size(), 3u);
  EXPECT_FALSE(m.api.IsWindow(oldLeft));
  for (size_t i = 0; i < 3; ++i) {
    const Scene& scene = m.At(i);
    SCOPED_TRACE(i);
    EXPECT_TRUE(SameRect(WindowPixels(*scene.window), plugged[i]));
    EXPECT_TRUE(scene.window->visible && m.api.IsTopmost(scene.window->hwnd));
    EXPECT_EQ(scene.FlakeField.Count(), 300);
    EXPECT_EQ(scene.canvas->surface.Width(), plugged[i].Width());
  }
  EXPECT_LT(m.api.CursorCount(), 0);
  // The new monitor's flakes fall with the others; the same layout again changes nothing.
  const Flake before = m.At(2).FlakeField[1];
  m.api.QueueDisplayChange(plugged, 10);
  EXPECT_FALSE(m.Advance(100));
  EXPECT_EQ(m.api.PasswordChecks().size(), 1u);
  const Flake& now = m.At(2).FlakeField[1];
  EXPECT_TRUE(now.Y == before.Y + before.FallSpeed || now.Y == 0);
  // Unplugged again: the third window goes, and a click on the left monitor ends it all.
  m.api.QueueDisplayChange(kTwo, 10);
  EXPECT_FALSE(m.Advance(100));
  EXPECT_EQ(m.saver.Scenes.size(), 2u);
  EXPECT_EQ(m.api.LoadedForms().size(), 2u);
  m.api.SetPasswordAnswer(1);
  m.api.QueueClick(*m.At(1).canvas, 10);
  EXPECT_TRUE(m.Advance(100));
  EXPECT_TRUE(m.api.LoadedForms().empty());
}

TEST(LifecycleMonitors, ThePreviewIgnoresADisplayChangeAndDrawsOneScene) {
  Harness h;
  h.api.SetMonitors(kTwo, kTpp);
  const WindowHandle host = h.api.AddWindow("host", Rect{0, 0, 152, 112});
  ASSERT_FALSE(h.Start("/p " + std::to_string(host)));
  EXPECT_EQ(h.saver.Scenes.size(), 1u);
  EXPECT_TRUE(h.saver.MonitorWindows.empty());
  h.api.QueueDisplayChange({{0, 0, 800, 600}}, 50);
  EXPECT_FALSE(h.Advance(500));
  EXPECT_TRUE(h.Screen().visible);
}

TEST(LifecycleMonitors, OneMonitorRunsExactlyAsTheSingleScreenDid) {
  // The same screen given as a monitor list of one, or listed twice (a mirrored display), draws
  // the same pixels through the same system calls as the screen alone.
  auto run = [](int how) {
    auto h = std::make_unique<Harness>();
    if (how == 0) h->api.SetScreenPixels(1024, 768, kTpp);
    if (how == 1) h->api.SetMonitors({{0, 0, 1024, 768}}, kTpp);
    if (how == 2) h->api.SetMonitors({{0, 0, 1024, 768}, {0, 0, 1024, 768}, {5, 5, 5, 9}}, kTpp);
    h->Store("Remain", "on");
    h->Store("Max", "300");
    EXPECT_FALSE(h->Start("/s"));
    EXPECT_FALSE(h->Advance(5000));
    return h;
  };
  const auto alone = run(0);
  for (int how : {1, 2}) {
    const auto listed = run(how);
    EXPECT_EQ(listed->saver.Scenes.size(), 1u) << how;
    EXPECT_TRUE(listed->saver.MonitorWindows.empty());
    EXPECT_EQ(listed->api.log, alone->api.log) << how;
    EXPECT_EQ(listed->saver.Primary().canvas->surface.Pixels(),
              alone->saver.Primary().canvas->surface.Pixels())
        << how;
    EXPECT_EQ(listed->saver.random.State(), alone->saver.random.State());
  }
}

TEST(MemoryMonitors, TheDesktopLiesOverTheVirtualScreenAndIsBlackOutsideTheMonitors) {
  MemoryPlatform api;
  EXPECT_EQ(api.Monitors().size(), 1u);  // the screen alone, 1024 x 768
  EXPECT_TRUE(SameRect(api.Monitors().front(), Rect{0, 0, 1024, 768}));
  api.SetMonitors(kTwo, 12);
  EXPECT_EQ(api.Screen().widthTwips, 800.0f * 12);
  EXPECT_TRUE(SameRect(api.VirtualScreen(), Rect{-640, 0, 800, 600}));
  Surface desktop(1440, 600, kWhite);
  api.SetDesktop(desktop);
  // Below the left monitor (x < 0, y >= 480) no monitor shows anything.
  Surface dst(4, 4, 0x123456);
  api.CaptureDesktop(dst, -2, 478, 4, 4);
  EXPECT_EQ(dst.At(0, 0) & kColourMask, kWhite & kColourMask);  // (-2, 478): the left monitor
  EXPECT_EQ(dst.At(0, 2), kBlack);                              // (-2, 480): outside
  EXPECT_EQ(dst.At(3, 3) & kColourMask, kWhite & kColourMask);  // (1, 481): the primary
  api.SetScreenPixels(640, 480);
  EXPECT_EQ(api.Monitors().size(), 1u);
}

}  // namespace
}  // namespace frin::lifecycle_test
