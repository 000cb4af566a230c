// Pixel-exact tests of the software raster.
#include <gtest/gtest.h>

#include <climits>

#include "platform/raster.h"

namespace frin {
namespace {

constexpr Pixel kSentinel = 0x5A5A5A;

// Every pixel different, so a pixel from the wrong place shows.
Surface Numbered(int32_t w, int32_t h) {
  Surface s(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x)
      s.At(x, y) = 0x010000u * (x + 1) + 0x000100u * (y + 1) + 7;
  }
  return s;
}

// The written rectangle, found pixel by pixel.
Rect Changed(const Surface& s, Pixel unchanged) {
  Rect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int32_t y = 0; y < s.Height(); ++y) {
    for (int32_t x = 0; x < s.Width(); ++x) {
      if (s.At(x, y) == unchanged) continue;
      r.left = std::min(r.left, x);
      r.top = std::min(r.top, y);
      r.right = std::max(r.right, x + 1);
      r.bottom = std::max(r.bottom, y + 1);
    }
  }
  return r.right == INT32_MIN ? Rect{} : r;
}

bool SameRect(const Rect& a, const Rect& b) {
  if (a.Empty() && b.Empty()) return true;
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(RasterTest, BitBltCopiesClippedToBothSurfacesOnEverySide) {
  struct Case {
    int32_t dx, dy, w, h, sx, sy;
  } cases[] = {
      {2, 1, 3, 2, 1, 1},          // inside
      {-2, -1, 4, 4, 0, 0},        // destination off the top left
      {6, 4, 5, 5, 0, 0},          // destination off the bottom right
      {1, 1, 4, 4, -3, -2},        // source off the top left
      {0, 0, 9, 9, 5, 3},          // source off the bottom right
      {-1, 2, 20, 1, -1, 0},       // both, one row
      {-3, -3, 2, 2, 0, 0},        // wholly outside the destination
      {0, 0, 3, 3, 7, 0},          // wholly outside the source
      {INT32_MIN, 0, 4, 4, 0, 0},  // extreme origins
      {0, 0, INT32_MAX, INT32_MAX, 0, 0},
      {INT32_MAX, INT32_MAX, 5, 5, INT32_MIN, INT32_MIN},
      {1, 1, 0, 3, 0, 0},  // zero and negative sizes do nothing
      {1, 1, 3, -2, 0, 0},
  };
  const Surface src = Numbered(7, 5);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dx << "," << c.dy << " " << c.w << "x" << c.h << " from "
                                      << c.sx << "," << c.sy);
    Surface dst(8, 6, kSentinel);
    dst.TrackDamage(true);
    BitBlt(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, RasterOp::kSrcCopy);
    // Reference: every pixel of the block that lies on both surfaces.
    Surface want(8, 6, kSentinel);
    for (int64_t j = 0; j < c.h; ++j) {
      for (int64_t i = 0; i < c.w && i < 64; ++i) {
        const int64_t x = int64_t{c.dx} + i, y = int64_t{c.dy} + j, u = int64_t{c.sx} + i,
                      v = int64_t{c.sy} + j;
        if (x >= 0 && x < 8 && y >= 0 && y < 6 && u >= 0 && u < 7 && v >= 0 && v < 5) {
          want.At(x, y) = src.At(u, v);
        }
      }
      if (j > 64) break;
    }
    EXPECT_EQ(dst.Pixels(), want.Pixels());
    const Rect written = Changed(want, kSentinel);
    if (written.Empty()) {
      EXPECT_EQ(dst.Damage().Count(), 0);
    } else {
      ASSERT_EQ(dst.Damage().Count(), 1);
      EXPECT_TRUE(SameRect(dst.Damage()[0], written));
    }
  }
}

TEST(RasterTest, RasterOperationsActOnTheColourBits) {
  struct Case {
    RasterOp op;
    Pixel src, dst, want;
  } cases[] = {
      {RasterOp::kSrcCopy, 0x123456, 0x00FF00, 0x123456},
      {RasterOp::kSrcErase, 0x123456, 0x00FF00, 0x120056},   // src AND NOT dst
      {RasterOp::kSrcErase, 0x000000, 0xABCDEF, 0x000000},   // black mask: black
      {RasterOp::kSrcErase, 0xFFFFFF, 0xABCDEF, 0x543210},   // white mask: inverted
      {RasterOp::kSrcInvert, 0x123456, 0x00FF00, 0x12CB56},  // src XOR dst
      {RasterOp::kSrcInvert, 0xFFFFFF, 0x543210, 0xABCDEF},
  };
  for (const Case& c : cases) {
    Surface src(1, 1, c.src), dst(1, 1, c.dst);
    BitBlt(dst, 0, 0, 1, 1, src, 0, 0, c.op);
    EXPECT_EQ(dst.At(0, 0), c.want) << std::hex << static_cast<uint32_t>(c.op);
    EXPECT_EQ(dst.At(0, 0) & 0xFF000000u, 0u);
  }
}

TEST(RasterTest, BitBltWithinOneSurfaceReadsBeforeItWrites) {
  for (auto op : {RasterOp::kSrcCopy, RasterOp::kSrcInvert}) {
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 2}}) {
      Surface s = Numbered(7, 7);
      const Surface before = s;
      BitBlt(s, 1 + dx, 1 + dy, 4, 4, s, 1, 1, op);
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
          const Pixel src = before.At(1 + x, 1 + y), old = before.At(1 + dx + x, 1 + dy + y);
          EXPECT_EQ(s.At(1 + dx + x, 1 + dy + y), op == RasterOp::kSrcCopy ? src : (src ^ old));
        }
      }
    }
  }
}

// The pixels of a line as a set of points, drawn on a surface big enough to hold it whole.
std::vector<std::pair<int, int>> Points(int x1, int y1, int x2, int y2) {
  Surface s(64, 64);
  DrawLine(s, x1 + 20, y1 + 20, x2 + 20, y2 + 20, kWhite);
  std::vector<std::pair<int, int>> p;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      if (s.At(x, y) == kWhite) p.emplace_back(x - 20, y - 20);
    }
  }
  return p;
}

TEST(RasterTest, LinesExcludeTheirLastPoint) {
  using P = std::vector<std::pair<int, int>>;
  EXPECT_EQ(Points(0, 0, 4, 0), (P{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  EXPECT_EQ(Points(4, 0, 0, 0), (P{{1, 0}, {2, 0}, {3, 0}, {4, 0}}));
  EXPECT_EQ(Points(2, 1, 2, 4), (P{{2, 1}, {2, 2}, {2, 3}}));
  EXPECT_EQ(Points(0, 0, 3, 3), (P{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_EQ(Points(3, 3, 3, 3), (P{{3, 3}}));  // both ends equal: one point
  // A shallow line: the minor offset is the nearest integer, halves rounded up.
  EXPECT_EQ(Points(0, 0, 4, 2), (P{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));
  EXPECT_EQ(Points(0, 0, -4, 2), (P{{0, 0}, {-2, 1}, {-1, 1}, {-3, 2}}));
  // Steep: stepped along y.
  EXPECT_EQ(Points(0, 0, 1, 3), (P{{0, 0}, {0, 1}, {1, 2}}));
}

TEST(RasterTest, ClippedLinesDrawExactlyTheVisiblePartOfTheWholeLine) {
  // Every line between points of a grid around a 9 x 7 surface, drawn clipped and drawn whole on
  // a larger surface: the clipped drawing is the window of the whole one.
  const int coords[] = {-15, -4, -1, 0, 3, 6, 8, 9, 13};
  for (int x1 : coords) {
    for (int y1 : coords) {
      for (int x2 : coords) {
        for (int y2 : {-6, 0, 4, 7, 12}) {
          Surface clipped(9, 7);
          clipped.TrackDamage(true);
          DrawLine(clipped, x1, y1, x2, y2, kWhite);
          Surface whole(64, 64);
          DrawLine(whole, x1 + 20, y1 + 20, x2 + 20, y2 + 20, kWhite);
          Surface window(9, 7);
          BitBlt(window, 0, 0, 9, 7, whole, 20, 20, RasterOp::kSrcCopy);
          ASSERT_EQ(clipped.Pixels(), window.Pixels())
              << x1 << "," << y1 << " -> " << x2 << "," << y2;
          const Rect written = Changed(window, kBlack);
          EXPECT_TRUE(SameRect(clipped.Damage().Bounds(), written));
        }
      }
    }
  }
}

TEST(RasterTest, FarAwayEndPointsAreClippedWithoutWalkingThem) {
  Surface s(10, 10);
  DrawLine(s, INT32_MIN, 4, INT32_MAX, 4, kWhite);                        // the whole row
  DrawLine(s, 6, INT32_MAX, 6, INT32_MIN, kWhite);                        // the whole column
  DrawLine(s, -1000000000, -1000000000, 1000000000, 1000000000, kWhite);  // the diagonal
  DrawLine(s, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, kWhite);
  // Nearly flat, falling one row over the whole 32-bit range: the step to row 1 comes at the
  // middle of the run, which is column 0, so the visible part lies on row 1 only.
  DrawLine(s, INT32_MIN, 2, INT32_MAX, 1, kWhite);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool want = y == 4 || x == 6 || x == y || y == 1;
      EXPECT_EQ(s.At(x, y) == kWhite, want) << x << "," << y;
    }
  }
  DrawLine(s, 5, 1000000000, 5, 999999999, kWhite);  // wholly outside: nothing
  EXPECT_EQ(s.At(5, 9), kBlack);
}

TEST(RasterTest, StretchCoversTheDestinationRectangleExactly) {
  // Enlarging 2 x 2 to 6 x 4 at (3, 2): each source pixel becomes a 3 x 2 block.
  Surface src(2, 2);
  src.At(0, 0) = 0x110000;
  src.At(1, 0) = 0x002200;
  src.At(0, 1) = 0x000033;
  src.At(1, 1) = 0x444444;
  Surface dst(12, 8, kSentinel);
  dst.TrackDamage(true);
  StretchPaint(dst, Rect{3, 2, 9, 6}, src, Rect{0, 0, 2, 2});
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 3 && x < 9 && y >= 2 && y < 6;
      const Pixel want = inside ? src.At((x - 3) / 3, (y - 2) / 2) : kSentinel;
      EXPECT_EQ(dst.At(x, y), want) << x << "," << y;
    }
  }
  EXPECT_TRUE(SameRect(dst.Damage().Bounds(), Rect{3, 2, 9, 6}));

  // Partly off the destination: the visible part is what the whole stretch would paint there.
  Surface whole(20, 20, kSentinel), clipped(6, 5, kSentinel);
  const Surface pic = Numbered(5, 7);
  StretchPaint(whole, Rect{7, 8, 18, 17}, pic, Rect{0, 0, 5, 7});
  StretchPaint(clipped, Rect{-3, -2, 8, 7}, pic, Rect{0, 0, 5, 7});
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(clipped.At(x, y), whole.At(x + 10, y + 10));
  }
}

TEST(RasterTest, StretchShrinksByAveragingTheCoveredBlock) {
  // 4 x 2 of black and white columns shrunk to 2 x 1: each output is one black, one white
  // column averaged, halves rounded up.
  Surface src(4, 2);
  for (int y = 0; y < 2; ++y) {
    src.At(0, y) = kBlack;
    src.At(1, y) = kWhite;
    src.At(2, y) = 0x102030;
    src.At(3, y) = 0x102032;
  }
  Surface dst(2, 1, kSentinel);
  StretchPaint(dst, Rect{0, 0, 2, 1}, src, Rect{0, 0, 4, 2});
  EXPECT_EQ(dst.At(0, 0), 0x808080u);
  EXPECT_EQ(dst.At(1, 0), 0x102031u);
  // 5 columns to 2: blocks [0, 2) and [2, 5); a sub-rectangle of the source.
  Surface five(7, 1);
  const Pixel cols[] = {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00};
  for (int x = 0; x < 7; ++x)
    five.At(x, 0) = cols[x];
  Surface two(2, 1);
  StretchPaint(two, Rect{0, 0, 2, 1}, five, Rect{0, 0, 5, 1});
  EXPECT_EQ(two.At(0, 0), 0xFF0000u);
  EXPECT_EQ(two.At(1, 0), 0x0000FFu);
  // Empty rectangles paint nothing.
  StretchPaint(two, Rect{0, 0, 0, 1}, five, Rect{0, 0, 5, 1});
  StretchPaint(two, Rect{0, 0, 2, 1}, five, Rect{3, 0, 3, 1});
  EXPECT_EQ(two.At(1, 0), 0x0000FFu);
}

// The resampling rule, written out: per axis, a shrunk destination pixel averages the source
// block [floor(i s / d), floor((i + 1) s / d)); an enlarged one takes the source pixel under its
// centre. Averages round halves up.
Pixel ReferenceStretch(const Surface& src, int64_t i, int64_t j, int64_t dw, int64_t dh) {
  auto span = [](int64_t k, int64_t d, int64_t s) {
    if (s > d) return std::pair{k * s / d, std::max(k * s / d + 1, (k + 1) * s / d)};
    const int64_t a = (2 * k + 1) * s / (2 * d);
    return std::pair{a, a + 1};
  };
  const auto [x0, x1] = span(i, dw, src.Width());
  const auto [y0, y1] = span(j, dh, src.Height());
  uint64_t r = 0, g = 0, b = 0, n = 0;
  for (int64_t y = y0; y < y1; ++y) {
    for (int64_t x = x0; x < x1; ++x) {
      const Pixel p = src.At(static_cast<int32_t>(x), static_cast<int32_t>(y));
      r += p >> 16;
      g += (p >> 8) & 0xFF;
      b += p & 0xFF;
      ++n;
    }
  }
  return static_cast<Pixel>(((r + n / 2) / n) << 16 | ((g + n / 2) / n) << 8 | (b + n / 2) / n);
}

TEST(RasterTest, StretchFollowsTheResamplingRuleAtEveryScale) {
  struct Case {
    int32_t sw, sh, dw, dh;
  } cases[] = {
      {37, 23, 5, 4},    // small blocks
      {300, 200, 7, 3},  // blocks of thousands of pixels
      {640, 480, 1, 1},  // one block of the whole picture
      {9, 7, 4, 11},     // shrunk across, enlarged down
      {5, 40, 13, 6},    // enlarged across, shrunk down
      {3, 2, 3, 2},      // same size: a copy
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh);
    Surface src(c.sw, c.sh);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < c.sh; ++y) {
      for (int32_t x = 0; x < c.sw; ++x) {
        seed = seed * 1103515245u + 12345u;
        src.At(x, y) = (seed >> 8) & kColourMask;
      }
    }
    Surface dst(c.dw, c.dh);
    StretchPaint(dst, Rect{0, 0, c.dw, c.dh}, src, Rect{0, 0, c.sw, c.sh});
    for (int32_t y = 0; y < c.dh; ++y) {
      for (int32_t x = 0; x < c.dw; ++x) {
        ASSERT_EQ(dst.At(x, y), ReferenceStretch(src, x, y, c.dw, c.dh)) << x << "," << y;
      }
    }
  }
}

TEST(RasterTest, DamageListFoldsIntoItsBoundsWhenFull) {
  DamageList d;
  d.Add(Rect{5, 5, 5, 9});  // empty: ignored
  EXPECT_EQ(d.Count(), 0);
  EXPECT_TRUE(d.Bounds().Empty());
  for (int i = 0; i < DamageList::kCapacity; ++i)
    d.Add(Rect{i, 0, i + 1, 1});
  EXPECT_EQ(d.Count(), DamageList::kCapacity);
  d.Add(Rect{-4, 3, -2, 10});
  ASSERT_EQ(d.Count(), 1);
  EXPECT_TRUE(SameRect(d[0], Rect{-4, 0, DamageList::kCapacity, 10}));
}

}  // namespace
}  // namespace frin
