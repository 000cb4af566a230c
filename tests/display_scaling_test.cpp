// The saver, its preview and its dialog at every display scaling: the screen is reported through
// the same conversion the Windows backend uses, and start-up derives the scene from it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/twips.h"
#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

struct Scaling {
  int32_t dpi, twipsPerPixel;
};
// The ratios a user's system reports at the common scalings, 320 dpi (4.5) going to the even 4.
std::vector<int32_t> Corners(const Rect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

constexpr Scaling kScalings[] = {{96, 15}, {120, 12}, {144, 10}, {168, 9},
                                 {192, 8}, {240, 6},  {288, 5},  {320, 4}};

TEST(DisplayScaling, TheSaverWindowCanvasAndBufferCoverEveryPixelOfTheScreen) {
  struct Screen {
    int32_t width, height;
  };
  for (const Scaling& s : kScalings) {
    for (const Screen screen : {Screen{800, 600}, Screen{640, 480}, Screen{1366, 768}}) {
      Harness h;
      h.api.SetScreenDpi(screen.width, screen.height, s.dpi, s.dpi);
      ASSERT_FALSE(h.Start("/s")) << s.dpi;
      const SceneState& scene = h.saver.Primary().SceneState;
      EXPECT_EQ(scene.TwipsPerPixelX, s.twipsPerPixel) << s.dpi;
      EXPECT_EQ(scene.TwipsPerPixelY, s.twipsPerPixel) << s.dpi;
      EXPECT_EQ(scene.SceneWidth, screen.width) << s.dpi;
      EXPECT_EQ(scene.SceneHeight, screen.height) << s.dpi;
      Rect r;
      ASSERT_TRUE(h.api.GetWindowRect(h.Screen().hwnd, r));
      EXPECT_EQ(Corners(r), Corners(Rect{0, 0, screen.width, screen.height}))
          << s.dpi << " " << screen.width;
      for (int i : {0, 1}) {
        EXPECT_EQ(h.Get("Screen", i).surface.Width(), screen.width) << s.dpi;
        EXPECT_EQ(h.Get("Screen", i).surface.Height(), screen.height) << s.dpi;
      }
      // A key still ends it.
      h.api.QueueKeyDown(h.Screen(), 32);
      EXPECT_TRUE(h.Advance(100)) << s.dpi;
    }
  }
}

TEST(DisplayScaling, AxesOfDifferentRatiosEachCoverTheirPixels) {
  Harness h;
  h.api.SetScreenDpi(800, 600, 168, 192);
  ASSERT_FALSE(h.Start("/s"));
  EXPECT_EQ(h.saver.Primary().SceneState.TwipsPerPixelX, 9);
  EXPECT_EQ(h.saver.Primary().SceneState.TwipsPerPixelY, 8);
  Rect r;
  ASSERT_TRUE(h.api.GetWindowRect(h.Screen().hwnd, r));
  EXPECT_EQ(Corners(r), Corners(Rect{0, 0, 800, 600}));
  EXPECT_EQ(h.Get("Screen", 0).surface.Width(), 800);
  EXPECT_EQ(h.Get("Screen", 0).surface.Height(), 600);
}

TEST(DisplayScaling, TheDialogOpensCentredWithinAPixel) {
  for (const Scaling& s : kScalings) {
    Harness h;
    h.api.SetScreenDpi(1280, 1024, s.dpi, s.dpi);
    ASSERT_FALSE(h.Start("/c")) << s.dpi;
    Rect r;
    ASSERT_TRUE(h.api.GetWindowRect(h.saver.Form_Set->hwnd, r));
    // Both margins agree to a pixel: left against right, top against bottom.
    EXPECT_LE(std::abs(r.left - (1280 - r.right)), 1) << s.dpi;
    EXPECT_LE(std::abs(r.top - (1024 - r.bottom)), 1) << s.dpi;
    EXPECT_GT(r.right - r.left, 0) << s.dpi;
  }
}

TEST(DisplayScaling, ThePreviewTakesTheHostsPixels) {
  for (const Scaling& s : kScalings) {
    Harness h;
    h.api.SetScreenDpi(1280, 1024, s.dpi, s.dpi);
    const WindowHandle dialog = h.api.AddWindow(kHostCaptionPlain, Rect{200, 100, 600, 550});
    const WindowHandle preview = h.api.AddWindow("", Rect{250, 150, 402, 262}, dialog);
    ASSERT_FALSE(h.Start("/p " + std::to_string(preview))) << s.dpi;
    EXPECT_EQ(h.saver.Primary().SceneState.SceneWidth, 152) << s.dpi;
    EXPECT_EQ(h.saver.Primary().SceneState.SceneHeight, 112) << s.dpi;
    EXPECT_EQ(h.Get("Screen", 0).surface.Width(), 152) << s.dpi;
    EXPECT_EQ(h.Get("Screen", 0).surface.Height(), 112) << s.dpi;
  }
}

TEST(DisplayScaling, TheConversionRoundsTiesToEvenAndKeepsPixelsExact) {
  EXPECT_EQ(TwipsPerPixelAtDpi(0), 15);    // no resolution reported
  EXPECT_EQ(TwipsPerPixelAtDpi(2880), 1);  // 0.5 would round to 0: never below 1
  EXPECT_EQ(TwipsPerPixelAtDpi(115), 13);  // 12.52
  EXPECT_EQ(TwipsPerPixelAtDpi(1920), 1);  // 0.75
  EXPECT_EQ(IntegerTwipsPerPixel(7.5f), 8);
  EXPECT_EQ(IntegerTwipsPerPixel(4.5f), 4);
  EXPECT_EQ(IntegerTwipsPerPixel(0.2f), 1);
  const ScreenInfo s = ScreenFromPixels(3840, 2160, 4, 5);
  EXPECT_EQ(s.widthTwips, 15360.0f);
  EXPECT_EQ(s.heightTwips, 10800.0f);
}

}  // namespace
}  // namespace frin::lifecycle_test
