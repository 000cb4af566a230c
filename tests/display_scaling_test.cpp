// The saver, its preview and its dialog at every display scaling: the screen is reported through
// the same conversion the Windows backend uses, and start-up derives the scene from it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
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

// The run's one scene.
const SceneState& StateOf(const Harness& h) {
  return h.saver.Primary().SceneState;
}

TEST(DisplayScaling, APictureCoversTheScreenWhenTheAxesHaveDifferentRatios) {
  // 9 twips per pixel across and 8 down, and the other way round.
  for (auto [dpiX, dpiY] : {std::pair{168, 192}, {192, 168}, {96, 144}}) {
    SCOPED_TRACE(::testing::Message() << dpiX << " x " << dpiY);
    const std::string file = std::string(FRIN_TEST_DATA) + "/two_colour_4x3.bmp";
    const Surface picture = *MemoryPlatform::DecodeImageFile(file);
    Harness h;
    h.api.SetScreenDpi(800, 600, dpiX, dpiY);
    h.Store("BackScreen", "on");
    h.Store("BS_File", file);
    h.Store("Max", "0");
    ASSERT_FALSE(h.Start("/s"));
    ASSERT_EQ(StateOf(h).ImageBackground, 1);
    // Each of the picture's 4 x 3 pixels covers a 200 x 200 block of the buffer and the canvas.
    for (const int i : {0, 1}) {
      const Surface& s = h.Get("Screen", i).surface;
      ASSERT_TRUE(s.Width() == 800 && s.Height() == 600);
      for (int32_t y = 0; y < 600; ++y) {
        for (int32_t x = 0; x < 800; ++x) {
          ASSERT_EQ(s.At(x, y), picture.At(x / 200, y / 200)) << i << ": " << x << "," << y;
        }
      }
    }
    // The loading box is left empty.
    EXPECT_EQ(h.Get("Screen", 2).surface.Width(), 0);
  }
}

TEST(DisplayScaling, TheLayerRisesRowByRowWhenTheAxesHaveDifferentRatios) {
  for (auto [dpiX, dpiY] : {std::pair{168, 192}, {192, 168}}) {
    SCOPED_TRACE(::testing::Message() << dpiX << " x " << dpiY);
    Harness h;
    h.api.SetScreenDpi(8, 240, dpiX, dpiY);  // 3 landings raise the layer
    h.Store("Max", "250");
    h.Store("Speed", "30");
    h.Store("Remain", "on");
    ASSERT_FALSE(h.Start("/s"));
    for (int t = 0; t < 6; ++t)
      ASSERT_FALSE(h.Advance(30));
    // Both resolutions are scale 2: the ground line counts rows of two pixels.
    const int32_t ground = StateOf(h).GroundY;
    ASSERT_LT(ground, 115);
    ASSERT_GT(ground, 50);
    // The buffer holds the layer without flakes: white exactly below the ground line.
    const Surface& buffer = h.Get("Screen", 1).surface;
    for (int32_t y = 0; y < 240; ++y) {
      bool white = true;
      for (int32_t x = 0; x < 8; ++x)
        white = white && buffer.At(x, y) == kWhite;
      EXPECT_EQ(white, y >= 2 * (ground + 1)) << "row " << y;
    }
  }
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

// A system may report a ratio halfway between two integers. The backend measures the monitors,
// the window and the frame at the same even integer start-up takes for the scene, so the saver's
// window, its canvas and the monitor it covers are the same pixels.
TEST(DisplayScaling, AHalfwayRatioIsTheSameEvenIntegerForTheSceneTheWindowAndTheMonitors) {
  for (const auto& [reported, integer] : {std::pair{14.5f, 14}, {12.5f, 12}}) {
    SCOPED_TRACE(::testing::Message() << reported);
    const float widthTwips = static_cast<float>(800 * integer);
    const float heightTwips = static_cast<float>(600 * integer);
    Harness h;
    h.api.SetScreen(ScreenInfo{widthTwips, heightTwips, reported, reported});
    EXPECT_EQ(Corners(h.api.Monitors().front()), Corners(Rect{0, 0, 800, 600}));
    ASSERT_FALSE(h.Start("/s"));
    EXPECT_EQ(StateOf(h).TwipsPerPixelX, integer);
    EXPECT_EQ(StateOf(h).SceneWidth, 800);
    EXPECT_EQ(StateOf(h).SceneHeight, 600);
    Rect r;
    ASSERT_TRUE(h.api.GetWindowRect(h.Screen().hwnd, r));
    EXPECT_EQ(Corners(r), Corners(Rect{0, 0, 800, 600}));
    EXPECT_EQ(h.Get("Screen", 0).surface.Width(), 800);
    EXPECT_EQ(h.Get("Screen", 0).surface.Height(), 600);

    // A display change keeps the ratio the backend measures with.
    MemoryPlatform api;
    api.SetScreen(ScreenInfo{widthTwips, heightTwips, reported, reported});
    api.QueueDisplayChange({Rect{0, 0, 1024, 768}});
    api.DoEvents();
    EXPECT_EQ(api.Screen().twipsPerPixelX, static_cast<float>(integer));
    EXPECT_EQ(api.Screen().widthTwips, static_cast<float>(1024 * integer));
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
