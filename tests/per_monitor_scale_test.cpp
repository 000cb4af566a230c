// Monitors of different scales: each scene moves its flakes on its monitor's logical size and
// draws them k times larger, over a background of the monitor's full resolution.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/twips.h"
#include "resources/sprite_strips.h"
#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

constexpr int kNT = 2;

// A 3840 x 2160 laptop at 200 %, a 1920 x 1080 monitor at 100 % to its right, and a portrait
// 1200 x 1920 at 150 % to its left.
const std::vector<Rect> kDesk = {{0, 0, 3840, 2160}, {3840, 0, 5760, 1080}, {-1200, 0, 0, 1920}};
const std::vector<int32_t> kDeskDpis = {192, 96, 144};

// The saver over monitors of these dots per inch, 100 ms a step.
struct ScaledRun : MonitorsRun {
  ScaledRun(const std::vector<Rect>& monitors, const std::vector<int32_t>& dpis,
            const char* max = "300", const char* remain = "on")
      : MonitorsRun(monitors, kNT, max, remain, dpis) {}
};

bool RowIsWhite(const Surface& s, int32_t row) {
  for (int32_t x = 0; x < s.Width(); ++x) {
    if ((s.At(x, row) & kColourMask) != kWhite) return false;
  }
  return true;
}

// Every k-th pixel of every k-th row, from (0, 0).
Surface Reduced(const Surface& s, int32_t k) {
  Surface out((s.Width() + k - 1) / k, (s.Height() + k - 1) / k);
  for (int32_t y = 0; y < out.Height(); ++y)
    for (int32_t x = 0; x < out.Width(); ++x)
      out.At(x, y) = s.At(x * k, y * k);
  return out;
}

TEST(PerMonitorScale, TheScaleIsTheNearestWholeMultipleOf96HalvesUp) {
  const std::pair<int32_t, int32_t> table[] = {{0, 1},   {72, 1},  {96, 1},  {120, 1}, {143, 1},
                                               {144, 2}, {168, 2}, {192, 2}, {239, 2}, {240, 3},
                                               {288, 3}, {335, 3}, {336, 4}, {384, 4}, {-96, 1}};
  for (auto [dpi, k] : table)
    EXPECT_EQ(ScaleAtDpi(dpi), k) << dpi;
}

TEST(PerMonitorScale, EachMonitorsSceneTakesItsOwnScaleLogicalSizeAndLayerRows) {
  ScaledRun run(kDesk, kDeskDpis);
  ASSERT_TRUE(run.started);
  ASSERT_EQ(run.saver.Scenes.size(), 3u);
  const struct {
    int32_t k, pixelsWide, pixelsHigh, logicalWide, logicalHigh;
  } want[] = {{2, 3840, 2160, 1920, 1080}, {1, 1920, 1080, 1920, 1080}, {2, 1200, 1920, 600, 960}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Scene& scene = run.At(i);
    EXPECT_EQ(scene.Scale, want[i].k);
    // The window, canvas and buffer cover the monitor's every pixel.
    EXPECT_EQ(scene.SceneState.SceneWidth, want[i].pixelsWide);
    EXPECT_EQ(scene.canvas->surface.Width(), want[i].pixelsWide);
    EXPECT_EQ(scene.backgroundBuffer->surface.Height(), want[i].pixelsHigh);
    EXPECT_EQ(LogicalWidth(scene), want[i].logicalWide);
    EXPECT_EQ(LogicalHeight(scene), want[i].logicalHigh);
    // The ground starts at the logical bottom, and every flake lies in the logical scene.
    EXPECT_EQ(scene.SceneState.GroundY, want[i].logicalHigh);
    for (int32_t f = 1; f <= 300; ++f) {
      ASSERT_LE(scene.FlakeField[f].X, want[i].logicalWide);
      ASSERT_LE(scene.FlakeField[f].Y, want[i].logicalHigh + 9);
    }
  }
  // The system's one twips ratio is the primary's (192 dpi: 8), for every window.
  EXPECT_EQ(run.At(2).SceneState.TwipsPerPixelX, 8);

  // Three rises on each scene: the second and third draw the two rows above the bottom.
  for (size_t i = 0; i < 3; ++i) {
    Scene& scene = run.At(i);
    const int32_t k = scene.Scale;
    const int32_t h = scene.SceneState.SceneHeight;
    for (int r = 0; r < 3; ++r)
      RaiseLayer(scene);
    const Surface& buffer = scene.backgroundBuffer->surface;
    for (int32_t row = h - 3 * k; row < h; ++row)
      EXPECT_EQ(RowIsWhite(buffer, row), row >= h - 2 * k) << i << " row " << row;
  }
}

TEST(PerMonitorScale, AFlakeIsItsSpriteMagnifiedPixelForPixel) {
  for (int32_t k : {2, 3}) {
    ScaledRun run({{0, 0, 120 * k, 90 * k}}, {96 * k}, "1", "off");
    ASSERT_TRUE(run.started);
    Scene& scene = run.At(0);
    ASSERT_EQ(scene.Scale, k);
    scene.canvas->surface.Fill(kBlack);
    for (int strip = 0; strip < 2; ++strip) {
      scene.SceneState.ImageBackground = strip == 0 ? 1 : 0;
      const Surface& sprites = scene.strips[strip]->surface;
      DrawFlake(scene, 10, 20, 6, 0);
      // Logical pixel (x, y) of the cell covers the k x k square at (10 + x, 20 + y) times k.
      for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x)
          for (int32_t dy = 0; dy < k; ++dy)
            for (int32_t dx = 0; dx < k; ++dx) {
              const Pixel want = (sprites.At(x, MaskRow(strip) + y) & kColourMask) == kBlack
                                     ? sprites.At(x, y) & kColourMask
                                     : kBlack;
              ASSERT_EQ(
                  scene.canvas->surface.At((10 + x) * k + dx, (20 + y) * k + dy) & kColourMask,
                  want)
                  << k << " strip " << strip << " at " << x << "," << y;
            }
      scene.canvas->surface.Fill(kBlack);
    }
  }
}

// With the same clock, a monitor at scale 2 shows exactly what a 96-dpi monitor of half its size
// shows, each pixel doubled: flakes, their erasing and the layer, over black. An odd size leaves
// no edge uncovered: its last logical column and row are cut by the monitor's edge.
TEST(PerMonitorScale, ScaleTwoIsTheHalfSizeSceneDoubled) {
  for (auto [w, h] : {std::pair{320, 240}, {321, 241}}) {
    SCOPED_TRACE(::testing::Message() << w << " x " << h);
    ScaledRun large({{0, 0, w, h}}, {192}, "400", "on");
    ScaledRun small({{0, 0, (w + 1) / 2, (h + 1) / 2}}, {96}, "400", "on");
    ASSERT_TRUE(large.started && small.started);
    for (int t = 0; t < 400; ++t) {
      ASSERT_FALSE(large.Advance(100));
      ASSERT_FALSE(small.Advance(100));
    }
    ASSERT_LT(small.At(0).SceneState.GroundY, (h + 1) / 2 - 3);  // the layer has risen
    EXPECT_EQ(large.At(0).SceneState.GroundY, small.At(0).SceneState.GroundY);
    EXPECT_TRUE(Reduced(large.At(0).canvas->surface, 2).Pixels() ==
                small.At(0).canvas->surface.Pixels());
    EXPECT_TRUE(Reduced(large.At(0).backgroundBuffer->surface, 2).Pixels() ==
                small.At(0).backgroundBuffer->surface.Pixels());
    // The doubled pixels really are pairs.
    const Surface& canvas = large.At(0).canvas->surface;
    for (int32_t y = 0; y + 1 < h; y += 2)
      for (int32_t x = 0; x + 1 < w; x += 2)
        ASSERT_EQ(canvas.At(x + 1, y + 1), canvas.At(x, y)) << x << "," << y;
  }
}

// The desktop keeps its every pixel at scale 2: a one-pixel checkerboard survives in the buffer.
TEST(PerMonitorScale, TheDesktopCopyKeepsTheMonitorsFullResolution) {
  Harness h;
  h.api.SetMonitors({{0, 0, 64, 48}, {64, 0, 96, 24}}, {192, 288});
  Surface desktop(96, 48);
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 0; x < 96; ++x)
      desktop.At(x, y) = (x + y) % 2 == 0 ? 0x102030u : 0xC0D0E0u;
  h.api.SetDesktop(desktop);
  h.Store("SaverType", "desktop");
  h.Store("Max", "0");
  ASSERT_FALSE(h.Start("/s"));
  ASSERT_EQ(h.saver.Scenes.size(), 2u);
  EXPECT_EQ(h.saver.Scenes[1].Scale, 3);
  for (const Scene& scene : h.saver.Scenes) {
    const Surface& buffer = scene.backgroundBuffer->surface;
    for (int32_t y = 0; y < buffer.Height(); ++y)
      for (int32_t x = 0; x < buffer.Width(); ++x)
        ASSERT_EQ(buffer.At(x, y), desktop.At(scene.Origin.x + x, y)) << x << "," << y;
  }
}

// A picture is stretched over the monitor's pixels, not its logical size.
TEST(PerMonitorScale, APictureIsStretchedOverEveryPixel) {
  for (int32_t dpi : {96, 192}) {
    Harness h;
    h.api.SetMonitors({{0, 0, 8, 6}}, {dpi});
    h.Store("BackScreen", "on");
    h.Store("BS_File", std::string(FRIN_TEST_DATA) + "/two_colour_4x3.bmp");
    h.Store("Max", "0");
    ASSERT_FALSE(h.Start("/s"));
    const Surface& buffer = h.saver.Primary().backgroundBuffer->surface;
    const std::optional<Surface> picture =
        MemoryPlatform::DecodeImageFile(std::string(FRIN_TEST_DATA) + "/two_colour_4x3.bmp");
    ASSERT_TRUE(picture);
    Surface want(8, 6);
    StretchPaint(want, Rect{0, 0, 8, 6}, *picture, Rect{0, 0, 4, 3});
    EXPECT_TRUE(buffer.Pixels() == want.Pixels()) << dpi;
  }
}

// The preview's scale is its own window's: a host drawn at 192 dpi gives scale 2, whatever the
// system's; the program first takes on the host's awareness.
TEST(PerMonitorScale, ThePreviewFollowsItsWindowsDpiAndTheHostsAwareness) {
  for (auto [hostDpi, k] : {std::pair{96, 1}, {144, 2}, {192, 2}}) {
    Harness h;
    h.api.SetScreenDpi(1280, 1024, 96, 96);
    const WindowHandle dialog = h.api.AddWindow(kHostCaptionPlain, Rect{200, 100, 600, 550});
    const WindowHandle preview = h.api.AddWindow("", Rect{250, 150, 554, 374}, dialog);
    h.api.SetWindowDpi(preview, hostDpi);
    ASSERT_FALSE(h.Start("/p " + std::to_string(preview)));
    ASSERT_EQ(h.api.AwarenessHosts(), std::vector<WindowHandle>{preview});
    const Scene& scene = h.saver.Primary();
    EXPECT_EQ(scene.Scale, k) << hostDpi;
    EXPECT_EQ(scene.canvas->surface.Width(), 304);
    EXPECT_EQ(LogicalWidth(scene), 304 / k);
  }
}

// A monitor that takes another scale while the saver runs changes the layout, as a monitor that
// moves does; the same scales at other dots per inch do not.
TEST(PerMonitorScale, AScaleChangeIsALayoutChange) {
  const std::vector<Rect> two = {{0, 0, 800, 600}, {800, 0, 1440, 480}};
  {
    ScaledRun run(two, {96, 96});
    ASSERT_TRUE(run.started);
    run.api.QueueDisplayChange(two, {120, 96}, 10);  // 125 %: still scale 1
    EXPECT_FALSE(run.Advance(100));
    run.api.QueueDisplayChange(two, {120, 192}, 10);
    EXPECT_TRUE(run.Advance(100));
  }
  {
    // Where the password check refuses the ending, the other monitor starts again at its new
    // scale.
    ScaledRun run(two, {96, 96});
    run.api.SetPlatformId(1);
    run.saver.NTFamily = 0;
    run.api.SetPasswordAnswer(0);
    run.api.QueueDisplayChange(two, {96, 192}, 10);
    EXPECT_FALSE(run.Advance(100));
    ASSERT_EQ(run.saver.Scenes.size(), 2u);
    EXPECT_EQ(run.At(1).Scale, 2);
    EXPECT_EQ(LogicalWidth(run.At(1)), 320);
  }
}

}  // namespace
}  // namespace frin::lifecycle_test
