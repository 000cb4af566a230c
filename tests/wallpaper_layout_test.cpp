// The wallpaper as the desktop draws it, for a saver whose desktop copy cannot show the user's
// desktop: the layout of each position, pixel by pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wallpaper.h"
#include "tests/wallpaper_pictures.h"

namespace frin {
namespace {

using namespace wallpaper_test;
constexpr Pixel kMarker = 0xABCDEF;

// Rows of the expected picture, one character per pixel: a b c d as above, '.' the colour.
void ExpectRows(const Surface& s, const std::vector<std::string>& rows) {
  ASSERT_EQ(s.Height(), static_cast<int32_t>(rows.size()));
  for (int32_t y = 0; y < s.Height(); ++y) {
    ASSERT_EQ(s.Width(), static_cast<int32_t>(rows[y].size()));
    for (int32_t x = 0; x < s.Width(); ++x) {
      const char c = rows[y][x];
      const Pixel want = c == 'a' ? kA : c == 'b' ? kB : c == 'c' ? kC : c == 'd' ? kD : kBack;
      EXPECT_EQ(s.At(x, y), want) << "at " << x << "," << y;
    }
  }
}

// The wallpaper of a monitor painted on a surface that is exactly that monitor.
Surface Painted(const Rect& monitor, const Surface* picture, WallpaperPosition position,
                const Rect* virtualScreen = nullptr) {
  Surface s(monitor.Width(), monitor.Height(), kMarker);
  PaintWallpaper(s, monitor.left, monitor.top, monitor, virtualScreen ? *virtualScreen : monitor,
                 picture, position, kBack);
  return s;
}

TEST(WallpaperLayout, EachPositionPlacesThePictureAsTheDesktopDoes) {
  const Surface quad = Quad();
  // Centred, the odd pixel of the bars right and below.
  ExpectRows(Painted(Rect{0, 0, 5, 4}, &quad, WallpaperPosition::kCentre),
             {".....", ".ab..", ".cd..", "....."});
  // Tiled from the monitor's own corner, wherever it lies on the virtual screen.
  ExpectRows(Painted(Rect{-7, 10, -2, 13}, &quad, WallpaperPosition::kTile),
             {"ababa", "cdcdc", "ababa"});
  // Stretched to the monitor, the aspect ratio lost.
  ExpectRows(Painted(Rect{0, 0, 4, 6}, &quad, WallpaperPosition::kStretch),
             {"aabb", "aabb", "aabb", "ccdd", "ccdd", "ccdd"});
  // Fit: whole, aspect kept, bars of the colour beside it.
  ExpectRows(Painted(Rect{0, 0, 6, 4}, &quad, WallpaperPosition::kFit),
             {".aabb.", ".aabb.", ".ccdd.", ".ccdd."});
  // Fit on a portrait monitor: bars above and below.
  ExpectRows(Painted(Rect{0, 0, 4, 6}, &quad, WallpaperPosition::kFit),
             {"....", "aabb", "aabb", "ccdd", "ccdd", "...."});
  // Fill on a portrait monitor: 6 x 6, a column cut off at each side.
  ExpectRows(Painted(Rect{100, 0, 104, 6}, &quad, WallpaperPosition::kFill),
             {"aabb", "aabb", "aabb", "ccdd", "ccdd", "ccdd"});
}

TEST(WallpaperLayout, ALargerPictureIsCroppedAndALandscapeFillLosesItsSides) {
  // 4 x 4, each pixel its own colour; centred on 2 x 2 it shows its middle.
  Surface big(4, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x)
      big.At(x, y) = static_cast<Pixel>(0x10 * (y * 4 + x) + 1);
  const Surface centred = Painted(Rect{0, 0, 2, 2}, &big, WallpaperPosition::kCentre);
  EXPECT_EQ(centred.At(0, 0), big.At(1, 1));
  EXPECT_EQ(centred.At(1, 1), big.At(2, 2));
  // 4 x 2 filled over 4 x 4: 8 x 4, its first and last source columns cut away.
  Surface wide(4, 2);
  for (int32_t x = 0; x < 4; ++x) {
    wide.At(x, 0) = 0x100 * (x + 1);
    wide.At(x, 1) = 0x10000 * (x + 1);
  }
  const Surface filled = Painted(Rect{0, 0, 4, 4}, &wide, WallpaperPosition::kFill);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x)
      EXPECT_EQ(filled.At(x, y), wide.At(x < 2 ? 1 : 2, y < 2 ? 0 : 1)) << x << "," << y;
}

TEST(WallpaperLayout, SpanCoversTheVirtualScreenAndEachMonitorShowsItsPart) {
  // A 4 x 4 monitor left of an 8 x 2 primary: the virtual screen is 12 x 4. A 3 x 2 picture
  // filled over it is 12 x 8, its rows cut 2 above and 2 below.
  Surface picture(3, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x)
      picture.At(x, y) = static_cast<Pixel>(0x400000 * (x + 1) + 0x40 * (y + 1));
  const Rect left{-4, 0, 0, 4}, primary{0, 0, 8, 2}, all{-4, 0, 8, 4};
  const Surface l = Painted(left, &picture, WallpaperPosition::kSpan, &all);
  const Surface p = Painted(primary, &picture, WallpaperPosition::kSpan, &all);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x)
      EXPECT_EQ(l.At(x, y), picture.At(0, y < 2 ? 0 : 1)) << x << "," << y;
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 8; ++x)
      EXPECT_EQ(p.At(x, y), picture.At(x < 4 ? 1 : 2, 0)) << x << "," << y;
}

TEST(WallpaperLayout, OnlyTheMonitorsPartOfTheSurfaceIsPaintedAndNoPictureGivesTheColour) {
  // A surface over (-2, -1) to (6, 5) and a monitor (0, 0) to (4, 3): the rest keeps its pixels.
  Surface s(8, 6, kMarker);
  const Surface quad = Quad();
  const Rect monitor{0, 0, 4, 3};
  PaintWallpaper(s, -2, -1, monitor, monitor, nullptr, WallpaperPosition::kFill, kBack);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
      EXPECT_EQ(s.At(x, y), inside ? kBack : kMarker) << x << "," << y;
    }
  // A fill whose picture runs past the monitor paints nothing past it: on a 1 x 3 monitor the
  // picture is 3 x 3, its middle column (the picture's right one) shown.
  s.Fill(kMarker);
  PaintWallpaper(s, -2, -1, Rect{0, 0, 1, 3}, monitor, &quad, WallpaperPosition::kFill, kBack);
  EXPECT_EQ(s.At(1, 1), kMarker);
  EXPECT_EQ(s.At(3, 1), kMarker);
  EXPECT_EQ(s.At(2, 1), kB);
  EXPECT_EQ(s.At(2, 3), kD);
}

TEST(WallpaperLayout, AbsurdLayoutsGiveNoPlacement) {
  // A 1 x 65535 picture filling a 40000 pixel wide monitor would be 2.6 billion pixels high.
  EXPECT_TRUE(
      WallpaperPlacement(1, 65535, WallpaperPosition::kFill, Rect{0, 0, 40000, 10}).Empty());
  EXPECT_TRUE(WallpaperPlacement(0, 5, WallpaperPosition::kStretch, Rect{0, 0, 4, 4}).Empty());
  EXPECT_TRUE(WallpaperPlacement(5, 5, WallpaperPosition::kStretch, Rect{0, 0, 0, 4}).Empty());
  EXPECT_TRUE(
      WallpaperPlacement(5, 5, static_cast<WallpaperPosition>(9), Rect{0, 0, 4, 4}).Empty());
}

}  // namespace
}  // namespace frin
