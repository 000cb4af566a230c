// The sprite strips' content and the masked drawing of their cells.
#include <gtest/gtest.h>

#include "resources/sprite_strips.h"
#include "scene/scene.h"
#include "tests/scene_fakes.h"

namespace frin {
namespace {

struct Cell {
  int strip;
  int32_t column, size;
  int opaque, transparent;
};
constexpr Cell kCells[] = {{1, 0, 7, 45, 4}, {1, 7, 7, 37, 12}, {1, 14, 5, 21, 4},
                           {0, 0, 6, 32, 4}, {0, 6, 5, 21, 4},  {0, 12, 4, 12, 4}};

TEST(SpriteTest, StripsHoldTheirCellsAndMasks) {
  const Surface strips[] = {MakeSpriteStrip(0), MakeSpriteStrip(1)};
  EXPECT_TRUE(strips[0].Width() == 18 && strips[0].Height() == 12 && MaskRow(0) == 6);
  EXPECT_TRUE(strips[1].Width() == 21 && strips[1].Height() == 14 && MaskRow(1) == 7);
  EXPECT_EQ(strips[1].At(3, 2), 0xFFC0FFu);   // k
  EXPECT_EQ(strips[1].At(16, 2), 0xFFFF80u);  // l
  EXPECT_EQ(strips[1].At(9, 0), 0x404040u);   // d
  EXPECT_EQ(strips[0].At(5, 2), 0xC0C0FFu);   // b
  std::vector<bool> used[2] = {std::vector<bool>(18 * 12), std::vector<bool>(21 * 14)};
  for (const Cell& c : kCells) {
    SCOPED_TRACE(::testing::Message() << "strip " << c.strip << " cell " << c.column);
    const Surface& s = strips[c.strip];
    int opaque = 0, transparent = 0;
    for (int32_t y = 0; y < c.size; ++y) {
      for (int32_t x = c.column; x < c.column + c.size; ++x) {
        const Pixel mask = s.At(x, MaskRow(c.strip) + y);
        ASSERT_TRUE(mask == kBlack || mask == kWhite);
        if (mask == kWhite) {
          EXPECT_EQ(s.At(x, y), kWhite) << x << "," << y;
        }
        (mask == kWhite ? transparent : opaque)++;
        used[c.strip][y * s.Width() + x] = used[c.strip][(MaskRow(c.strip) + y) * s.Width() + x] =
            true;
      }
    }
    EXPECT_EQ(opaque, c.opaque);
    EXPECT_EQ(transparent, c.transparent);
  }
  for (int i : {0, 1}) {  // pixels in no cell are white
    for (int32_t p = 0; p < strips[i].Width() * strips[i].Height(); ++p) {
      if (!used[i][p]) {
        EXPECT_EQ(strips[i].Pixels()[p], kWhite) << i << ": " << p;
      }
    }
  }
}

TEST(SpriteTest, DrawFlakeShowsOpaquePixelsAndKeepsTheBackgroundElsewhere) {
  auto black = [](int32_t, int32_t) { return kBlack; };
  auto white = [](int32_t, int32_t) { return kWhite; };
  auto pattern = [](int32_t x, int32_t y) { return (x + y) % 2 ? 0x123456u : 0xA5C3E1u ^ x; };
  for (Pixel (*bg)(int32_t, int32_t) : {+black, +white, +pattern}) {
    for (const Cell& c : kCells) {
      for (auto [px, py] : {std::pair{5, 4}, {-3, 2}, {2, -4}, {17, 6}, {9, 11}}) {
        SCOPED_TRACE(::testing::Message()
                     << c.strip << "/" << c.column << " at " << px << "," << py);
        testing::SceneFixture f(20, 14, 1);
        f.saver.Primary().SceneState.ImageBackground = c.strip == 0 ? 1 : 0;
        for (int32_t y = 0; y < 14; ++y) {
          for (int32_t x = 0; x < 20; ++x)
            f.Canvas().At(x, y) = bg(x, y);
        }
        DrawFlake(f.saver.Primary(), px, py, static_cast<uint8_t>(c.size),
                  static_cast<uint8_t>(c.column));
        const Surface strip = MakeSpriteStrip(c.strip);
        for (int32_t y = 0; y < 14; ++y) {
          for (int32_t x = 0; x < 20; ++x) {
            const int32_t u = x - px, v = y - py;
            const bool opaque = u >= 0 && u < c.size && v >= 0 && v < c.size &&
                                strip.At(c.column + u, MaskRow(c.strip) + v) == kBlack;
            ASSERT_EQ(f.Canvas().At(x, y), opaque ? strip.At(c.column + u, v) : bg(x, y))
                << x << "," << y;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace frin
