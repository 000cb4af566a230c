// Pixel-exact tests of the software raster.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/raster.h"
#include "tests/std_helper_thread.h"

namespace frin {
namespace {

constexpr Pixel kSentinel = 0x5A5A5A;

Surface Numbered(int32_t w, int32_t h) {  // every pixel different
  Surface s(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x)
      s.At(x, y) = (x * 0x0B0000u + y * 0x000D00u + 0x37u * (x ^ y));
  }
  return s;
}

Rect Changed(const Surface& s, Pixel unchanged) {  // bounds of the pixels not equal to unchanged
  Rect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int32_t y = 0; y < s.Height(); ++y) {
    for (int32_t x = 0; x < s.Width(); ++x) {
      if (s.At(x, y) != unchanged)
        r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1),
             std::max(r.bottom, y + 1)};
    }
  }
  return r.right == INT32_MIN ? Rect{} : r;
}

void ExpectRect(const Rect& a, const Rect& b) {
  if (a.Empty() && b.Empty()) return;
  EXPECT_TRUE(a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom)
      << a.left << "," << a.top << "," << a.right << "," << a.bottom;
}

TEST(RasterTest, BitBltIsClippedToBothSurfacesOnEverySide) {
  const int32_t cases[][6] = {
      // dx, dy, w, h, sx, sy
      {2, 1, 3, 2, 1, 1},
      {-2, -1, 4, 4, 0, 0},
      {6, 4, 5, 5, 0, 0},
      {1, 1, 4, 4, -3, -2},
      {0, 0, 9, 9, 5, 3},
      {-3, -3, 2, 2, 0, 0},
      {0, 0, 3, 3, 7, 0},
      {1, 1, 0, 3, 0, 0},
      {1, 1, 3, -2, 0, 0},
      {INT32_MIN, 0, 4, 4, 0, 0},
      {0, 0, INT32_MAX, INT32_MAX, 0, 0},
      {INT32_MAX, INT32_MAX, 5, 5, INT32_MIN, INT32_MIN},
  };
  const Surface src = Numbered(7, 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c[0] << "," << c[1] << " " << c[2] << "x" << c[3]);
    Surface dst(8, 6, kSentinel), want(8, 6, kSentinel);
    dst.TrackDamage(true);
    BitBlt(dst, c[0], c[1], c[2], c[3], src, c[4], c[5], RasterOp::kSrcCopy);
    for (int32_t y = 0; y < 6; ++y) {  // the reference, pixel by pixel
      for (int32_t x = 0; x < 8; ++x) {
        const int64_t i = int64_t{x} - c[0], j = int64_t{y} - c[1];
        const int64_t u = c[4] + i, v = c[5] + j;
        if (i >= 0 && i < c[2] && j >= 0 && j < c[3] && u >= 0 && u < 7 && v >= 0 && v < 5) {
          want.At(x, y) = src.At(static_cast<int32_t>(u), static_cast<int32_t>(v));
        }
      }
    }
    EXPECT_EQ(dst.Pixels(), want.Pixels());
    ExpectRect(dst.Damage().Bounds(), Changed(want, kSentinel));
    EXPECT_LE(dst.Damage().Count(), 1);
  }
}

TEST(RasterTest, RasterOperationsActOnTheColourBits) {
  const struct {
    RasterOp op;
    Pixel src, dst, want;
  } cases[] = {
      {RasterOp::kSrcCopy, 0x123456, 0x00FF00, 0x123456},
      {RasterOp::kSrcErase, 0x123456, 0x00FF00, 0x120056},  // src AND NOT dst
      {RasterOp::kSrcErase, 0xFFFFFF, 0xABCDEF, 0x543210},
      {RasterOp::kSrcInvert, 0x123456, 0x00FF00, 0x12CB56},  // src XOR dst
  };
  for (const auto& c : cases) {
    Surface src(1, 1, c.src), dst(1, 1, c.dst);
    BitBlt(dst, 0, 0, 1, 1, src, 0, 0, c.op);
    EXPECT_EQ(dst.At(0, 0), c.want) << std::hex << static_cast<uint32_t>(c.op);
  }
}

TEST(RasterTest, LinesExcludeTheirLastPointAndClipToTheVisiblePart) {
  using P = std::vector<std::pair<int, int>>;
  auto points = [](int x1, int y1, int x2, int y2) {
    Surface s(16, 16);
    DrawLine(s, x1 + 5, y1 + 5, x2 + 5, y2 + 5, kWhite);
    P p;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (s.At(x, y) == kWhite) p.emplace_back(x - 5, y - 5);
      }
    }
    return p;
  };
  EXPECT_EQ(points(0, 0, 4, 0), (P{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  EXPECT_EQ(points(4, 0, 0, 0), (P{{1, 0}, {2, 0}, {3, 0}, {4, 0}}));
  EXPECT_EQ(points(3, 3, 3, 3), (P{{3, 3}}));                              // one point
  EXPECT_EQ(points(0, 0, -4, 2), (P{{0, 0}, {-2, 1}, {-1, 1}, {-3, 2}}));  // halves round up

  // Every line between points around a 9 x 7 surface: the clipped drawing is the window of the
  // whole line drawn on a larger surface, and the damage is what changed.
  const int coords[] = {-15, -1, 0, 3, 8, 9, 13};
  for (int x1 : coords) {
    for (int y1 : coords) {
      for (int x2 : coords) {
        for (int y2 : {-6, 0, 4, 7, 12}) {
          Surface clipped(9, 7), whole(64, 64), window(9, 7);
          clipped.TrackDamage(true);
          DrawLine(clipped, x1, y1, x2, y2, kWhite);
          DrawLine(whole, x1 + 20, y1 + 20, x2 + 20, y2 + 20, kWhite);
          BitBlt(window, 0, 0, 9, 7, whole, 20, 20, RasterOp::kSrcCopy);
          ASSERT_EQ(clipped.Pixels(), window.Pixels()) << x1 << "," << y1 << " " << x2 << "," << y2;
          ExpectRect(clipped.Damage().Bounds(), Changed(window, kBlack));
        }
      }
    }
  }
}

TEST(RasterTest, FarAwayEndPointsAreClippedWithoutWalkingThem) {
  Surface s(10, 10);
  DrawLine(s, INT32_MIN, 4, INT32_MAX, 4, kWhite);                        // row 4
  DrawLine(s, 6, INT32_MAX, 6, INT32_MIN, kWhite);                        // column 6
  DrawLine(s, -1000000000, -1000000000, 1000000000, 1000000000, kWhite);  // the diagonal
  // One row down over the whole 32-bit range: the step comes mid-run, at column 0.
  DrawLine(s, INT32_MIN, 2, INT32_MAX, 1, kWhite);
  DrawLine(s, 5, 1000000000, 5, 999999999, kWhite);  // wholly outside
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(s.At(x, y) == kWhite, y == 4 || x == 6 || x == y || y == 1) << x << "," << y;
    }
  }
}

// Pixel (x, y)'s centre in sub-pixels.
SubPoint Centre(int32_t x, int32_t y) {
  return {x * kSubPixel + kSubPixel / 2, y * kSubPixel + kSubPixel / 2};
}

std::vector<std::string> Picture(const Surface& s) {  // '#' where the colour is white
  std::vector<std::string> rows;
  for (int32_t y = 0; y < s.Height(); ++y) {
    rows.emplace_back();
    for (int32_t x = 0; x < s.Width(); ++x)
      rows.back() += s.At(x, y) == kWhite ? '#' : '.';
  }
  return rows;
}

TEST(RasterTest, RoundLinesFillThePixelsWhoseCentresLieWithinHalfTheWidth) {
  Surface s(10, 7);
  s.TrackDamage(true);
  // Two pixels wide, from pixel (2, 3) to pixel (6, 3): the ends' round caps reach one pixel
  // further, their edges included.
  FillRoundLine(s, Centre(2, 3), Centre(6, 3), kSubPixel, kWhite);
  EXPECT_EQ(Picture(s),
            (std::vector<std::string>{"..........", "..........", "..#####...", ".#######..",
                                      "..#####...", "..........", ".........."}));
  ExpectRect(s.Damage().Bounds(), Rect{1, 2, 8, 5});

  // A disc of radius 1.6 around a pixel corner, and a line along the diagonal a little over
  // 1.4 pixels wide: the centres beside it lie half a diagonal (0.707 pixels) away.
  Surface disc(6, 6), diagonal(6, 6);
  FillRoundLine(disc, {3 * kSubPixel, 3 * kSubPixel}, {3 * kSubPixel, 3 * kSubPixel}, 410, kWhite);
  EXPECT_EQ(Picture(disc),
            (std::vector<std::string>{"......", "..##..", ".####.", ".####.", "..##..", "......"}));
  FillRoundLine(diagonal, Centre(1, 1), Centre(4, 4), 182, kWhite);  // 182 / 256 > 1 / sqrt(2)
  EXPECT_EQ(Picture(diagonal),
            (std::vector<std::string>{"......", ".##...", ".###..", "..###.", "...##.", "......"}));

  // A width beyond the limit is refused, not wrapped around.
  EXPECT_THROW(FillRoundLine(s, {0, 0}, {kSubPixelLimit + 1, 0}, kSubPixel, kWhite), RuntimeError);
  EXPECT_THROW(FillRoundLine(s, {0, 0}, {0, 0}, -1, kWhite), RuntimeError);
}

TEST(RasterTest, RoundLinesAreClippedAndMirrorExactly) {
  // Segments around and across a 9 x 7 surface, at odd sub-pixel positions and widths: the
  // clipped drawing is the window of the whole one drawn on a larger surface; the segment drawn
  // backwards and its mirror image (about the surface's middle) fill the same and the mirrored
  // pixels.
  const int32_t coords[] = {-2000, -300, 0, 517, 1153, 1800, 2400, 4000};
  for (const int32_t x1 : coords) {
    for (const int32_t y1 : coords) {
      for (const int32_t x2 : {-700, 640, 1920, 3000}) {
        for (const int32_t y2 : {-50, 901, 2500}) {
          for (const int32_t w : {0, 100, 128, 383}) {
            SCOPED_TRACE(testing::Message()
                         << x1 << "," << y1 << " " << x2 << "," << y2 << " " << w);
            Surface clipped(9, 7), whole(64, 64), window(9, 7), backwards(9, 7), mirrored(9, 7);
            clipped.TrackDamage(true);
            FillRoundLine(clipped, {x1, y1}, {x2, y2}, w, kWhite);
            const int32_t off = 20 * kSubPixel;
            FillRoundLine(whole, {x1 + off, y1 + off}, {x2 + off, y2 + off}, w, kWhite);
            BitBlt(window, 0, 0, 9, 7, whole, 20, 20, RasterOp::kSrcCopy);
            ASSERT_EQ(clipped.Pixels(), window.Pixels());
            ExpectRect(clipped.Damage().Bounds(), Changed(window, kBlack));
            FillRoundLine(backwards, {x2, y2}, {x1, y1}, w, kWhite);
            ASSERT_EQ(backwards.Pixels(), clipped.Pixels());
            const int32_t mx = 9 * kSubPixel, my = 7 * kSubPixel;
            FillRoundLine(mirrored, {mx - x1, my - y1}, {mx - x2, my - y2}, w, kWhite);
            for (int32_t y = 0; y < 7; ++y) {
              for (int32_t x = 0; x < 9; ++x)
                ASSERT_EQ(mirrored.At(8 - x, 6 - y), clipped.At(x, y)) << x << "," << y;
            }
          }
        }
      }
    }
  }
}

// The resampling rule written out: per axis, a shrunk destination pixel averages the source
// block [floor(i s / d), floor((i + 1) s / d)), halves rounded up; an enlarged one takes the
// source pixel under its centre.
Pixel ByTheRule(const Surface& src, int64_t i, int64_t j, int64_t dw, int64_t dh) {
  auto span = [](int64_t k, int64_t d, int64_t s) {
    if (s > d) return std::pair{k * s / d, std::max(k * s / d + 1, (k + 1) * s / d)};
    return std::pair{(2 * k + 1) * s / (2 * d), (2 * k + 1) * s / (2 * d) + 1};
  };
  const auto [x0, x1] = span(i, dw, src.Width());
  const auto [y0, y1] = span(j, dh, src.Height());
  uint64_t r = 0, g = 0, b = 0, n = 0;
  for (int64_t y = y0; y < y1; ++y) {
    for (int64_t x = x0; x < x1; ++x, ++n) {
      const Pixel p = src.At(static_cast<int32_t>(x), static_cast<int32_t>(y));
      r += p >> 16;
      g += (p >> 8) & 0xFF;
      b += p & 0xFF;
    }
  }
  return static_cast<Pixel>(((r + n / 2) / n) << 16 | ((g + n / 2) / n) << 8 | (b + n / 2) / n);
}

// A w x h surface of pseudo-random colours drawn from seed.
Surface Noise(int32_t w, int32_t h, uint32_t seed) {
  Surface src(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      src.At(x, y) = (seed >> 8) & kColourMask;
    }
  }
  return src;
}

TEST(RasterTest, TwoThreadsStretchTheSamePixelsAsOne) {
  // A photo shrunk to a screen, one enlarged, one shrunk by huge blocks, one partly off the
  // destination.
  const int32_t cases[][6] = {{400, 300, 0, 0, 192, 108},
                              {50, 70, 0, 0, 130, 200},
                              {3000, 2000, 0, 0, 1, 100},
                              {90, 90, -7, 5, 150, 140}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c[0] << "x" << c[1] << " -> " << c[4] << "x" << c[5]);
    const Surface src = Noise(c[0], c[1], 99);
    const Rect to{c[2], c[3], c[2] + c[4], c[3] + c[5]};
    Surface one(160, 150, kSentinel), two(160, 150, kSentinel);
    StretchPaint(one, to, src, Rect{0, 0, c[0], c[1]});
    StdHelperThread helper;
    StretchPaint(two, to, src, Rect{0, 0, c[0], c[1]}, &helper);
    EXPECT_TRUE(one.Pixels() == two.Pixels());
  }
}

TEST(RasterTest, StretchCoversTheDestinationRectangleByTheResamplingRule) {
  const int32_t cases[][6] = {
      // source w, h; destination left, top, w, h (on a 24 x 16 surface)
      {37, 23, 2, 3, 5, 4},   {300, 200, 1, 1, 7, 3},
      {640, 480, 4, 4, 1, 1}, {9, 7, 0, 0, 4, 11},
      {5, 40, 3, 2, 13, 6},   {3, 2, 5, 5, 3, 2},
      {2, 1, 0, 0, 1, 1},     {20, 9, 0, 0, 6, 4},
      {700, 3, 0, 0, 2, 1},   {40, 22, 0, 0, 24, 16},
      {30, 40, 0, 0, 24, 16}, {11, 13, -4, -3, 30, 25},  // partly off the destination
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c[0] << "x" << c[1] << " -> " << c[4] << "x" << c[5]);
    const Surface src = Noise(c[0], c[1], 12345);
    Surface dst(24, 16, kSentinel);
    dst.TrackDamage(true);
    const Rect to{c[2], c[3], c[2] + c[4], c[3] + c[5]};
    StretchPaint(dst, to, src, Rect{0, 0, c[0], c[1]});
    for (int32_t y = 0; y < 16; ++y) {
      for (int32_t x = 0; x < 24; ++x) {
        const bool inside = x >= to.left && x < to.right && y >= to.top && y < to.bottom;
        ASSERT_EQ(dst.At(x, y),
                  inside ? ByTheRule(src, x - to.left, y - to.top, c[4], c[5]) : kSentinel)
            << x << "," << y;
      }
    }
    ExpectRect(dst.Damage().Bounds(), Rect{std::max(to.left, 0), std::max(to.top, 0),
                                           std::min(to.right, 24), std::min(to.bottom, 16)});
  }
}

}  // namespace
}  // namespace frin
