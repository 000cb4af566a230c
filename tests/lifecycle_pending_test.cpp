// Both runs against input that is already waiting when they yield to pending events: the yield
// comes while the window is hidden and before the scene exists, and the positions it leaves
// behind are the reference for the first movement check.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

// Lets a test queue input the first time the saver window is shown (the input then waits for
// the run's yield), and notes what the window looked like when the ending began.
class PendingPlatform : public RecordingPlatform {
 public:
  std::function<void(Form&)> atFirstShow;
  struct Seen {
    bool visible;
    int32_t left, top, canvasWidth;
  };
  std::optional<Seen> atEnding;

  void OnFormChanged(Form& form, Property what) override {
    RecordingPlatform::OnFormChanged(form, what);
    if (form.Name() == "Form_Screen" && what == Property::kVisible && form.visible && atFirstShow) {
      auto queue = std::move(atFirstShow);
      atFirstShow = nullptr;
      queue(form);
    }
  }
  int ShowCursor(bool show) override {
    if (show && !atEnding && !LoadedForms().empty()) {
      Form& form = *LoadedForms().front();
      atEnding = Seen{form.visible, form.left, form.top, form.Get("Screen", 0).surface.Width()};
    }
    return RecordingPlatform::ShowCursor(show);
  }
};

struct Pending {
  PendingPlatform api;
  Saver saver{api};
  Pending() {
    api.SetClockStart(20261207);
    api.SetScreenPixels(320, 200);
    api.SetDesktop(Surface(320, 200, 0x336699));
    api.SetSetting("Tolvar", "SS_Frin", "SaverType", "desktop");
    api.SetSetting("Tolvar", "SS_Frin", "Remain", "on");
  }
  // True when the process ended before Main returned or right after.
  bool Start(const std::string& commandText) {
    api.SetCommandText(commandText);
    if (RunUntilEnded([this] { Main(saver); })) return true;
    return RunUntilEnded([this] { api.MainReturned(); }) || api.Ended();
  }
};

TEST(LifecyclePending, AKeyOrClickWaitingAtTheStartEndsTheSaverBeforeTheSceneIsMade) {
  for (bool key : {true, false}) {
    SCOPED_TRACE(key ? "key" : "click");
    Pending p;
    p.api.atFirstShow = [&](Form& form) {
      if (key) {
        p.api.QueueKeyDown(form, 32);
      } else {
        p.api.QueueClick(form.Get("Screen", 0));
      }
    };
    EXPECT_TRUE(p.Start("/s"));
    EXPECT_EQ(p.api.EndStatus(), 0);
    // Handled at the yield: the window was hidden at its place with the canvas sized...
    ASSERT_TRUE(p.api.atEnding.has_value());
    EXPECT_FALSE(p.api.atEnding->visible);
    EXPECT_EQ(p.api.atEnding->left, 0);
    EXPECT_EQ(p.api.atEnding->top, 0);
    EXPECT_EQ(p.api.atEnding->canvasWidth, 320);
    // ...and nothing of the scene was made or shown: no desktop copy, no flakes, no timer, and
    // the system was never told that a saver runs.
    const RecordingPlatform& log = p.api;
    EXPECT_EQ(log.Find("capture"), log.log.size());
    EXPECT_EQ(log.Find("timer 0 on"), log.log.size());
    EXPECT_EQ(log.Find("running"), log.log.size());
    EXPECT_FALSE(log.firstOnScreen.has_value());
    EXPECT_GE(p.api.CursorCount(), 0);
  }
}

TEST(LifecyclePending, MovementWaitingAtTheStartIsTheReferenceNotAnEnding) {
  Pending p;
  p.api.SetSetting("Tolvar", "SS_Frin", "Mouse_Move", "off");
  p.api.SetCursorPos({500, 400});
  p.api.SetCaretPos({1, 1});
  p.api.QueueCursorMove({20, 30});
  p.api.QueueCaretMove({4, 5});
  ASSERT_FALSE(p.Start("/s"));
  EXPECT_EQ(p.saver.Primary().SceneState.LastCursor, (Point{20, 30}));
  EXPECT_EQ(p.saver.Primary().SceneState.LastCaret, (Point{4, 5}));
  RunUntilEnded([&] { p.api.Advance(2000); });
  EXPECT_FALSE(p.api.Ended());  // twenty ticks with the mouse where it stood
  // A move after the start still ends it at the next tick.
  p.api.QueueCursorMove({21, 30});
  RunUntilEnded([&] { p.api.Advance(200); });
  EXPECT_TRUE(p.api.Ended());
}

TEST(LifecyclePending, APreviewClosedByItsHostBeforeItIsDrawnEndsWithoutAScene) {
  Pending p;
  const WindowHandle dialog = p.api.AddWindow(kHostCaptionPlain, Rect{200, 100, 600, 550});
  const WindowHandle preview = p.api.AddWindow("", Rect{250, 150, 402, 262}, dialog);
  p.api.atFirstShow = [&](Form& form) { p.api.PostClose(form.hwnd); };
  EXPECT_TRUE(p.Start("/p " + std::to_string(preview)));
  EXPECT_EQ(p.api.EndStatus(), 0);
  EXPECT_EQ(p.saver.Primary().FlakeField.Count(), 0);
  EXPECT_EQ(p.api.Find("capture"), p.api.log.size());
  EXPECT_EQ(p.api.Find("timer 0 on"), p.api.log.size());
  ASSERT_FALSE(p.api.PostedCloses().empty());
}

TEST(LifecyclePending, APreviewIsHiddenWhileItsSceneIsMadeAndShownWithItsFlakes) {
  Pending p;
  const WindowHandle dialog = p.api.AddWindow(kHostCaptionPlain, Rect{200, 100, 600, 550});
  const WindowHandle preview = p.api.AddWindow("", Rect{250, 150, 402, 262}, dialog);
  ASSERT_FALSE(p.Start("/p " + std::to_string(preview)));
  // Shown once to be placed, hidden for the desktop copy and the first step, then shown.
  const std::vector<std::string>& log = p.api.log;
  const size_t capture = p.api.Find("capture");
  ASSERT_LT(capture, log.size());
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(std::count(log.begin(), log.begin() + static_cast<long>(capture), "show"), 1);
  EXPECT_EQ(std::count(log.begin(), log.begin() + static_cast<long>(capture), "hide"), 1);
  EXPECT_EQ(std::count(log.begin() + static_cast<long>(capture), log.end(), "show"), 1);
  EXPECT_LT(std::find(log.begin() + static_cast<long>(capture), log.end(), "show"),
            std::find(log.begin(), log.end(), "timer 0 on"));
  EXPECT_TRUE(p.saver.Form_Screen->visible);
}

}  // namespace
}  // namespace frin::lifecycle_test
