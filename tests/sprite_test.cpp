// The sprite strips' content and the masked drawing of their cells.
#include <gtest/gtest.h>

#include "platform/errors.h"
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
// Strip 0 serves image backgrounds, strip 1 the black one.
constexpr Cell kCells[] = {
    {1, 0, 7, 45, 4}, {1, 7, 7, 37, 12}, {1, 14, 5, 21, 4},
    {0, 0, 6, 32, 4}, {0, 6, 5, 21, 4},  {0, 12, 4, 12, 4},
};

TEST(SpriteTest, StripsHaveTheirSizeAndMaskRow) {
  const Surface s0 = MakeSpriteStrip(0), s1 = MakeSpriteStrip(1);
  EXPECT_EQ(s0.Width(), 18);
  EXPECT_EQ(s0.Height(), 12);
  EXPECT_EQ(s1.Width(), 21);
  EXPECT_EQ(s1.Height(), 14);
  EXPECT_EQ(MaskRow(0), 6);
  EXPECT_EQ(MaskRow(1), 7);
  EXPECT_EQ(SpriteStrip(0).maskRow, 6);
  EXPECT_EQ(SpriteStrip(1).maskRow, 7);
  // A few pixels of the legend's colours.
  EXPECT_EQ(s1.At(0, 1), 0x606080u);   // p
  EXPECT_EQ(s1.At(1, 0), 0x606080u);   // p
  EXPECT_EQ(s1.At(3, 2), 0xFFC0FFu);   // k
  EXPECT_EQ(s1.At(16, 2), 0xFFFF80u);  // l
  EXPECT_EQ(s1.At(9, 0), 0x404040u);   // d
  EXPECT_EQ(s1.At(14, 2), 0x808080u);  // g
  EXPECT_EQ(s1.At(2, 1), 0xC0C080u);   // y
  EXPECT_EQ(s1.At(9, 2), 0xC0C0FFu);   // b
  EXPECT_EQ(s0.At(5, 2), 0xC0C0FFu);   // b
  EXPECT_EQ(s0.At(0, 7), kBlack);
  for (int i : {0, 1}) {
    const SpriteStripMap& m = SpriteStrip(i);
    for (int32_t y = 0; y < m.height; ++y) {
      for (char ch : m.rows[y]) {
        Pixel p;
        EXPECT_TRUE(SpriteLegendColour(ch, p)) << ch;
      }
    }
  }
  try {
    SpriteStrip(2);
    ADD_FAILURE() << "no error for strip 2";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrSubscript);
  }
}

TEST(SpriteTest, MasksAreBlackOrWhiteAndWhiteMasksHideWhiteSprites) {
  for (const Cell& c : kCells) {
    SCOPED_TRACE(::testing::Message() << "strip " << c.strip << " cell " << c.column);
    const Surface s = MakeSpriteStrip(c.strip);
    const int32_t maskRow = MaskRow(c.strip);
    int opaque = 0, transparent = 0;
    bool cornersTransparent = true;
    for (int32_t y = 0; y < c.size; ++y) {
      for (int32_t x = c.column; x < c.column + c.size; ++x) {
        const Pixel mask = s.At(x, maskRow + y), sprite = s.At(x, y);
        ASSERT_TRUE(mask == kBlack || mask == kWhite) << x << "," << y;
        if (mask == kWhite) {
          ++transparent;
          EXPECT_EQ(sprite, kWhite) << x << "," << y;
        } else {
          ++opaque;
        }
        const bool corner =
            (y == 0 || y == c.size - 1) && (x == c.column || x == c.column + c.size - 1);
        if (corner) cornersTransparent = cornersTransparent && mask == kWhite;
      }
    }
    EXPECT_EQ(opaque, c.opaque);
    EXPECT_EQ(transparent, c.transparent);
    EXPECT_TRUE(cornersTransparent);
  }
  // Pixels in no sprite and no mask square are white.
  for (int strip : {0, 1}) {
    const Surface s = MakeSpriteStrip(strip);
    for (int32_t y = 0; y < s.Height(); ++y) {
      for (int32_t x = 0; x < s.Width(); ++x) {
        bool used = false;
        for (const Cell& c : kCells) {
          if (c.strip != strip || x < c.column || x >= c.column + c.size) continue;
          used = used || y < c.size || (y >= MaskRow(strip) && y < MaskRow(strip) + c.size);
        }
        if (!used) {
          EXPECT_EQ(s.At(x, y), kWhite) << strip << ": " << x << "," << y;
        }
      }
    }
  }
}

// The background pattern a test draws over.
using Background = Pixel (*)(int32_t x, int32_t y);
Pixel BlackAt(int32_t, int32_t) {
  return kBlack;
}
Pixel WhiteAt(int32_t, int32_t) {
  return kWhite;
}
Pixel PatternAt(int32_t x, int32_t y) {
  return ((x + y) % 2 == 0) ? 0x123456u : (0xA5C3E1u ^ static_cast<Pixel>(x * 0x010203 + y));
}

TEST(SpriteTest, DrawFlakeShowsTheOpaquePixelsAndKeepsTheBackgroundElsewhere) {
  for (Background bg : {BlackAt, WhiteAt, PatternAt}) {
    for (const Cell& c : kCells) {
      // Positions inside, and cut by each edge of the canvas.
      for (auto [px, py] : {std::pair{5, 4}, {-3, 2}, {2, -4}, {17, 6}, {9, 11}, {-7, 0}}) {
        SCOPED_TRACE(::testing::Message()
                     << "strip " << c.strip << " cell " << c.column << " at " << px << "," << py);
        testing::SceneFixture f(20, 14, 1);
        f.saver.SceneState.ImageBackground = c.strip == 0 ? 1 : 0;
        for (int32_t y = 0; y < 14; ++y) {
          for (int32_t x = 0; x < 20; ++x)
            f.Canvas().At(x, y) = bg(x, y);
        }
        DrawFlake(f.saver, px, py, static_cast<uint8_t>(c.size), static_cast<uint8_t>(c.column));
        const Surface strip = MakeSpriteStrip(c.strip);
        for (int32_t y = 0; y < 14; ++y) {
          for (int32_t x = 0; x < 20; ++x) {
            Pixel want = bg(x, y);
            const int32_t u = x - px, v = y - py;
            if (u >= 0 && u < c.size && v >= 0 && v < c.size &&
                strip.At(c.column + u, MaskRow(c.strip) + v) == kBlack) {
              want = strip.At(c.column + u, v);
            }
            ASSERT_EQ(f.Canvas().At(x, y), want) << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(SpriteTest, WhiteDiscsOverWhiteShowOnlyTheirShading) {
  testing::SceneFixture f(8, 8, 1);
  f.saver.SceneState.ImageBackground = 1;
  f.Canvas().Fill(kWhite);
  DrawFlake(f.saver, 1, 1, 6, 0);
  int shaded = 0;
  for (Pixel p : f.Canvas().Pixels()) {
    EXPECT_TRUE(p == kWhite || p == 0xC0C0FFu);
    shaded += p == 0xC0C0FFu;
  }
  EXPECT_EQ(shaded, 7);  // the light blue pixels of the large image-background cell
}

}  // namespace
}  // namespace frin
