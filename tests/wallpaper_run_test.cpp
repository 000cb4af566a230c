// The desktop background of a saver whose desktop copy cannot show the user's desktop: whole
// runs on the memory backend over two monitors of different sizes (a failed copy, a blanked
// screen, a missing wallpaper file and the system's kept copy of it), each monitor's background
// checked pixel by pixel.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/wallpaper.h"
#include "tests/lifecycle_test_harness.h"
#include "tests/wallpaper_pictures.h"

namespace frin {
namespace {

using namespace wallpaper_test;

using lifecycle_test::Harness;

constexpr int32_t kTpp = 15;
// A 320 x 200 primary and a portrait 120 x 160 monitor to its left: the virtual screen is
// (-120, 0) to (320, 200), 440 x 200.
const Rect kPrimary{0, 0, 320, 200}, kPortrait{-120, 0, 0, 160};

// A 24-bit bmp of the picture in the test's own temporary folder.
std::string WriteBmp(const std::string& name, const Surface& s) {
  const std::string path =
      ::testing::TempDir() + "frin-wallpaper-" + std::to_string(getpid()) + "-" + name;
  const uint32_t rowBytes = (static_cast<uint32_t>(s.Width()) * 3 + 3) & ~3u;
  const uint32_t dataSize = rowBytes * static_cast<uint32_t>(s.Height());
  std::string b;
  auto u16 = [&b](uint32_t v) { b += static_cast<char>(v & 0xFF), b += static_cast<char>(v >> 8); };
  auto u32 = [&u16](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  b += "BM";
  u32(54 + dataSize), u32(0), u32(54);
  u32(40), u32(static_cast<uint32_t>(s.Width())), u32(static_cast<uint32_t>(s.Height()));
  u16(1), u16(24), u32(0), u32(dataSize), u32(2835), u32(2835), u32(0), u32(0);
  for (int32_t y = s.Height() - 1; y >= 0; --y) {
    for (int32_t x = 0; x < s.Width(); ++x) {
      const Pixel p = s.At(x, y);
      b += static_cast<char>(p & 0xFF), b += static_cast<char>((p >> 8) & 0xFF),
          b += static_cast<char>((p >> 16) & 0xFF);
    }
    b.append(rowBytes - static_cast<uint32_t>(s.Width()) * 3, '\0');
  }
  std::ofstream(path, std::ios::binary) << b;
  return path;
}

// The desktop image over the whole virtual screen: every pixel names its place (never black).
Surface PlacedDesktop() {
  Surface d(440, 200);
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 440; ++x)
      d.At(x, y) = 0x800000 | static_cast<Pixel>(x) << 8 | static_cast<Pixel>(y);
  return d;
}

// A full-screen run on the desktop background over both monitors; prepare sets up the system.
struct DesktopRun : Harness {
  explicit DesktopRun(const std::function<void(MemoryPlatform&)>& prepare) {
    api.SetMonitors({kPrimary, kPortrait}, kTpp);
    api.SetDesktop(PlacedDesktop());
    prepare(api);
    Store("SaverType", "desktop");
    Store("Max", "0");
    started = !Start("/s");
  }
  const Surface& Background(size_t i) { return saver.Scenes.at(i).backgroundBuffer->surface; }
  bool started = false;
};

// An 11 x 5 picture, each pixel its own colour: spanned over 440 x 200 it is 40 times larger.
Surface Grid() {
  Surface g(11, 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 11; ++x)
      g.At(x, y) = 0x010101 * static_cast<Pixel>(1 + x) + 0x100000 * static_cast<Pixel>(y);
  return g;
}

TEST(WallpaperRun, ASaverThatCannotSeeTheDesktopShowsEachMonitorsWallpaper) {
  const Surface grid = Grid(), quad = Quad();
  const std::string gridFile = WriteBmp("grid.bmp", grid), quadFile = WriteBmp("quad.bmp", quad);
  // Span across both monitors.
  DesktopRun span([&](MemoryPlatform& api) {
    api.SetDesktopVisible(false);
    api.SetWallpaper(kPrimary, {gridFile, WallpaperPosition::kSpan, kBack, ""});
    api.SetWallpaper(kPortrait, {gridFile, WallpaperPosition::kSpan, kBack, ""});
  });
  ASSERT_TRUE(span.started);
  for (size_t i = 0; i < 2; ++i) {
    const Rect m = i == 0 ? kPrimary : kPortrait;
    const Surface& s = span.Background(i);
    for (int32_t y = 0; y < m.Height(); ++y)
      for (int32_t x = 0; x < m.Width(); ++x)
        ASSERT_EQ(s.At(x, y), grid.At((m.left + x + 120) / 40, (m.top + y) / 40))
            << "monitor " << i << " at " << x << "," << y;
    EXPECT_EQ(span.saver.Scenes[i].SceneState.ImageBackground, 1);
  }
  // The canvas shows the wallpaper too: the scene runs on it as on a copied desktop.
  EXPECT_TRUE(span.saver.Scenes[0].canvas->surface.Pixels() == span.Background(0).Pixels());

  // Fill on the portrait monitor (a 2 x 2 picture becomes 160 x 160, 20 columns cut each side),
  // centre on the primary with bars of its colour.
  DesktopRun mixed([&](MemoryPlatform& api) {
    api.SetDesktopVisible(false);
    api.SetWallpaper(kPrimary, {quadFile, WallpaperPosition::kCentre, 0x102030, ""});
    api.SetWallpaper(kPortrait, {quadFile, WallpaperPosition::kFill, kBack, ""});
  });
  ASSERT_TRUE(mixed.started);
  const Surface& portrait = mixed.Background(1);
  for (int32_t y = 0; y < 160; ++y)
    for (int32_t x = 0; x < 120; ++x)
      ASSERT_EQ(portrait.At(x, y), quad.At(x < 60 ? 0 : 1, y < 80 ? 0 : 1)) << x << "," << y;
  const Surface& primary = mixed.Background(0);
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 320; ++x) {
      const bool onPicture = x >= 159 && x < 161 && y >= 99 && y < 101;
      ASSERT_EQ(primary.At(x, y), onPicture ? quad.At(x - 159, y - 99) : 0x102030u)
          << x << "," << y;
    }
  std::remove(gridFile.c_str());
  std::remove(quadFile.c_str());
}

TEST(WallpaperRun, OnlyAnAllBlackMonitorIsTakenForABlankedScreen) {
  const Surface quad = Quad();
  const std::string quadFile = WriteBmp("quad-blank.bmp", quad);
  const WallpaperSettings stretched{quadFile, WallpaperPosition::kStretch, kBack, ""};
  // The primary's part of the desktop is black, the portrait one shows the desktop.
  DesktopRun blanked([&](MemoryPlatform& api) {
    Surface d = PlacedDesktop();
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 120; x < 440; ++x)
        d.At(x, y) = kBlack;
    api.SetDesktop(d);
    api.SetWallpaper(kPrimary, stretched);
    api.SetWallpaper(kPortrait, stretched);
  });
  ASSERT_TRUE(blanked.started);
  const Surface& primary = blanked.Background(0);
  for (auto [x, y, want] : {std::tuple{0, 0, kA},
                            {319, 0, kB},
                            {0, 199, kC},
                            {319, 199, kD},
                            {159, 99, kA},
                            {160, 100, kD}})
    EXPECT_EQ(primary.At(x, y), want) << x << "," << y;
  const Surface desktop = PlacedDesktop();
  EXPECT_EQ(blanked.Background(1).At(5, 7), desktop.At(5, 7));
  EXPECT_EQ(blanked.api.WallpaperQueries().size(), 1u);

  // A desktop of one colour that is not black is the user's desktop, and a desktop that shows
  // itself is copied as always: no wallpaper is asked for.
  DesktopRun plain([&](MemoryPlatform& api) {
    api.SetDesktop(Surface(440, 200, 0x000001));
    api.SetWallpaper(kPrimary, stretched);
    api.SetWallpaper(kPortrait, stretched);
  });
  ASSERT_TRUE(plain.started);
  EXPECT_TRUE(plain.Background(0).Pixels() == Surface(320, 200, 0x000001).Pixels());
  EXPECT_TRUE(plain.api.WallpaperQueries().empty());
  DesktopRun seen([&](MemoryPlatform& api) { api.SetWallpaper(kPrimary, stretched); });
  ASSERT_TRUE(seen.started);
  EXPECT_EQ(seen.Background(0).At(3, 4), desktop.At(123, 4));
  EXPECT_EQ(seen.Background(1).At(119, 159), desktop.At(119, 159));
  EXPECT_TRUE(seen.api.WallpaperQueries().empty());
  std::remove(quadFile.c_str());
}

TEST(WallpaperRun, AMissingWallpaperFileShowsTheSystemsKeptCopyElseTheColour) {
  // The kept copy is a jpg without an extension, read by its content.
  const std::string kept =
      ::testing::TempDir() + "frin-wallpaper-" + std::to_string(getpid()) + "-TranscodedWallpaper";
  std::filesystem::copy_file(std::string(FRIN_TEST_DATA) + "/solid_8x8.jpg", kept,
                             std::filesystem::copy_options::overwrite_existing);
  MemoryPlatform probe;
  const std::optional<Surface> solid = probe.LoadPicture(kept);
  ASSERT_TRUE(solid.has_value());
  const Pixel keptColour = solid->At(4, 4);
  ASSERT_NE(keptColour, kBack);
  const std::string gone = ::testing::TempDir() + "frin-wallpaper-gone.jpg";
  const std::string unreadable = std::string(FRIN_TEST_DATA) + "/text.bmp";

  struct Case {
    const char* what;
    WallpaperSettings wallpaper;
    bool showsKeptCopy;
  } cases[] = {
      {"a missing file", {gone, WallpaperPosition::kStretch, kBack, kept}, true},
      {"a missing file and no kept copy", {gone, WallpaperPosition::kStretch, kBack, ""}, false},
      {"a missing file and a missing kept copy",
       {gone, WallpaperPosition::kStretch, kBack, gone + "2"},
       false},
      {"a file that is no picture", {unreadable, WallpaperPosition::kFill, kBack, kept}, false},
      {"no wallpaper", {"", WallpaperPosition::kFill, kBack, kept}, false},
  };
  for (const Case& c : cases) {
    DesktopRun run([&](MemoryPlatform& api) {
      api.SetDesktopVisible(false);
      api.SetWallpaper(kPortrait, c.wallpaper);
    });
    ASSERT_TRUE(run.started) << c.what;
    const Pixel want = c.showsKeptCopy ? keptColour : kBack;
    EXPECT_TRUE(run.Background(1).Pixels() == Surface(120, 160, want).Pixels()) << c.what;
    // The primary has no wallpaper: the black background colour alone.
    EXPECT_TRUE(run.Background(0).Pixels() == Surface(320, 200, kBlack).Pixels()) << c.what;
  }
  std::remove(kept.c_str());
}

}  // namespace
}  // namespace frin
