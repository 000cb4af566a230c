// The settings dialog's picture: the hand-drawn 32 x 32 crystal at 96 dpi, and the same crystal
// drawn afresh at every larger display scale.
#include "resources/dialog_picture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string_view>

namespace frin {
namespace {

// The picture as it was drawn by hand: '#' white, '.' the row's ground.
// clang-format off
constexpr std::array<std::string_view, 32> kHandDrawn = {
    "................................",
    "................................",
    "...............#................",
    "...............#................",
    ".............#.#.#..............",
    "..............###...............",
    "...............#................",
    "............#..#..#.............",
    ".......#..#..#####..#..#........",
    "....##.#..#...###...#..#.##.....",
    "......##..#....#....#..##.......",
    ".....##.###....#....###.##......",
    ".........##....#....##..........",
    "........##.##..#..##.##.........",
    "......##.....#####.....##.......",
    "..............###...............",
    "......##.....#####.....##.......",
    "........##.##..#..##.##.........",
    ".........##....#....##..........",
    ".....##.###....#....###.##......",
    "......##..#....#....#..##.......",
    "....##.#..#...###...#..#.##.....",
    ".......#..#..#####..#..#........",
    "............#..#..#.............",
    "...............#................",
    "..............###...............",
    ".............#.#.#..............",
    "...............#................",
    "...............#................",
    "................................",
    "................................",
    "................................",
};
// clang-format on

bool HandDrawnWhite(int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < 32 && y < 32 && kHandDrawn[y][x] == '#';
}

int Channel(Pixel p, int shift) {
  return static_cast<int>((p >> shift) & 0xFF);
}

TEST(DialogPictureTest, AtScaleOneItIsTheHandDrawnCrystalPixelForPixel) {
  const Surface s = DialogPicture();
  ASSERT_EQ(s.Width(), kDialogPictureSize);
  ASSERT_EQ(s.Height(), kDialogPictureSize);
  for (int32_t y = 0; y < 32; ++y) {
    // Three steps lighter each row, from 0x002090 at the top.
    const Pixel ground = static_cast<Pixel>(3 * y) * 0x010101u + 0x002090u;
    EXPECT_EQ(DialogPictureGround(y), ground);
    for (int32_t x = 0; x < 32; ++x) {
      ASSERT_EQ(s.At(x, y), HandDrawnWhite(x, y) ? kWhite : ground) << x << "," << y;
    }
  }
  // Scales below 1 are 1.
  EXPECT_EQ(DialogPicture(0).Pixels(), s.Pixels());
  EXPECT_EQ(DialogPicture(-2).Pixels(), s.Pixels());
}

// The pixel's whiteness, reduced by k: odd scales by the centre pixel of each k x k block, even
// scales (whose blocks have no centre pixel) by the majority, half counting.
bool ReducedWhite(const Surface& s, int32_t k, int32_t x, int32_t y) {
  if (k % 2 == 1) return s.At(x * k + k / 2, y * k + k / 2) == kWhite;
  int white = 0;
  for (int32_t j = 0; j < k; ++j) {
    for (int32_t i = 0; i < k; ++i)
      white += s.At(x * k + i, y * k + j) == kWhite;
  }
  return 2 * white >= k * k;
}

TEST(DialogPictureTest, LargerScalesDrawTheSameCrystalWithLinesScalePixelsWide) {
  for (int32_t k = 2; k <= 6; ++k) {
    SCOPED_TRACE(testing::Message() << "scale " << k);
    const Surface s = DialogPicture(k);
    const int32_t n = 32 * k;
    ASSERT_EQ(s.Width(), n);
    ASSERT_EQ(s.Height(), n);
    // Crisp: every pixel is white or its row's ground, and the crystal is mirrored about its
    // centre, the middle of pixel (15, 15) of the small picture, both ways.
    for (int32_t y = 0; y < n; ++y) {
      for (int32_t x = 0; x < n; ++x) {
        const bool white = s.At(x, y) == kWhite;
        ASSERT_TRUE(white || s.At(x, y) == DialogPictureGround(y, k)) << x << "," << y;
        const int32_t mx = 31 * k - 1 - x, my = 31 * k - 1 - y;  // off the picture: no crystal
        ASSERT_EQ(white, mx >= 0 && s.At(mx, y) == kWhite) << x << "," << y;
        ASSERT_EQ(white, my >= 0 && s.At(x, my) == kWhite) << x << "," << y;
      }
    }
    // The lower arm between its branches, small row 24: exactly the k columns of small column 15.
    for (int32_t y = 24 * k; y < 25 * k; ++y) {
      for (int32_t x = 0; x < n; ++x) {
        ASSERT_EQ(s.At(x, y) == kWhite, x >= 15 * k && x < 16 * k) << x << "," << y;
      }
    }
    // Reduced by k it is the hand-drawn crystal: exactly at odd scales; at even ones the blocks
    // that a slanting line only half covers may go either way, so a few pixels of the slanting
    // arms and branches move, by one pixel at most.
    int differ = 0;
    for (int32_t y = 0; y < 32; ++y) {
      for (int32_t x = 0; x < 32; ++x) {
        const bool reduced = ReducedWhite(s, k, x, y);
        if (reduced == HandDrawnWhite(x, y)) continue;
        ++differ;
        bool near = false;  // a white pixel of the other picture beside it
        for (int32_t j = -1; j <= 1; ++j) {
          for (int32_t i = -1; i <= 1; ++i) {
            const int32_t u = x + i, v = y + j;
            if (u < 0 || v < 0 || u >= 32 || v >= 32) continue;
            near = near || (reduced ? HandDrawnWhite(u, v) : ReducedWhite(s, k, u, v));
          }
        }
        EXPECT_TRUE(near) << x << "," << y;
      }
    }
    EXPECT_EQ(differ > 0, k % 2 == 0);
    EXPECT_LE(differ, 32);
  }
}

TEST(DialogPictureTest, TheGroundRunsTheSameGradientOverTheTallerPicture) {
  for (int32_t k = 2; k <= 6; ++k) {
    Pixel above = DialogPictureGround(0, k);
    EXPECT_EQ(above, DialogPictureGround(0));  // the same top
    for (int32_t y = 0; y < 32 * k; ++y) {
      const Pixel p = DialogPictureGround(y, k), small = DialogPictureGround(y / k);
      for (const int shift : {16, 8, 0}) {
        // Within one step of the small picture's row, never darker than the row above.
        EXPECT_LE(std::abs(Channel(p, shift) - Channel(small, shift)), 1) << k << ": " << y;
        EXPECT_GE(Channel(p, shift), Channel(above, shift)) << k << ": " << y;
      }
      // Blue, lightening by the same steps in red, green and blue.
      EXPECT_EQ(Channel(p, 8) - Channel(p, 16), 0x20);
      EXPECT_EQ(Channel(p, 0) - Channel(p, 16), 0x90);
      above = p;
    }
    // Smooth: each block of k rows lightens by the small picture's three steps.
    EXPECT_EQ(
        Channel(DialogPictureGround(20 * k, k), 16) - Channel(DialogPictureGround(19 * k, k), 16),
        3);
  }
}

}  // namespace
}  // namespace frin
