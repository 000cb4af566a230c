// The raster's stretched painting of a picture (platform/raster.h), clipped, on 0x00RRGGBB
// surfaces.
//
// Stretching resamples per axis: where the destination is smaller than the source each
// destination pixel is the plain average of the block of whole source pixels it covers (a box
// filter, so a shrunk photo keeps its detail instead of sparkling); where it is as large or larger
// each destination pixel repeats the source pixel under its centre (nearest neighbour, so an
// enlarged picture stays sharp). For speed the column spans are computed once per call, each
// destination row sums its source rows per column with red and blue packed into one integer and
// green into another, and running totals turn every block's sum into one subtraction; averages
// divide through exact reciprocals. A 4000 x 3000 picture stretched to 1920 x 1080 reads each
// source pixel once.
#include <algorithm>
#include <cstdint>

#include "platform/raster.h"

namespace frin {
namespace {

// For destination positions 0..dstLen-1 over a source run of srcLen pixels: the first source
// pixel and the number of source pixels (at least 1) of each destination pixel.
struct Span {
  int32_t first = 0, count = 0;
};

Span SpanOf(int64_t i, int64_t dstLen, int64_t srcLen) {
  if (srcLen > dstLen) {
    const int64_t a = i * srcLen / dstLen, b = (i + 1) * srcLen / dstLen;
    return Span{static_cast<int32_t>(a), static_cast<int32_t>(std::max<int64_t>(b - a, 1))};
  }
  // Enlarging or equal: the source pixel under the destination pixel's centre.
  return Span{static_cast<int32_t>((2 * i + 1) * srcLen / (2 * dstLen)), 1};
}

// Exact division by a block size n < 2^13 through its reciprocal: for x < 2^21 and
// k = 21 + ceil(log2 n), floor(x / n) = (x * ceil(2^k / n)) >> k, one 32 x 32-bit product (the
// multiplier stays below 2^23); larger blocks divide.
constexpr int64_t kReciprocalLimit = 8191;
struct Reciprocal {
  uint32_t multiplier = 0;
  int shift = 0;
};
Reciprocal ReciprocalOf(uint32_t n) {
  int bits = 0;
  while ((uint32_t{1} << bits) < n)
    ++bits;
  const int shift = 21 + bits;
  return Reciprocal{static_cast<uint32_t>(((uint64_t{1} << shift) + n - 1) / n), shift};
}
// The same for a block of n < 2^13 pixels whose sum is below 2^21 - 2^12.
inline uint32_t SmallQuotient(uint32_t sum, uint32_t n, Reciprocal r) {
  return static_cast<uint32_t>((uint64_t{sum + n / 2} * r.multiplier) >> r.shift);
}
inline uint64_t RoundedQuotient(uint64_t sum, uint64_t n, Reciprocal r) {
  if (n > static_cast<uint64_t>(kReciprocalLimit)) return (sum + n / 2) / n;
  return SmallQuotient(static_cast<uint32_t>(sum), static_cast<uint32_t>(n), r);
}

Span ClipSpan(Span s, int64_t origin, int64_t limit) {
  int64_t a = origin + s.first, b = a + s.count;
  a = std::max<int64_t>(a, 0);
  b = std::min<int64_t>(b, limit);
  return b > a ? Span{static_cast<int32_t>(a), static_cast<int32_t>(b - a)} : Span{0, 0};
}

// Shrinking by blocks too large for the packed sums (a picture thousands of times larger than
// its destination): channel by channel, with 64-bit sums and divisions.
void StretchHugeBlocks(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect,
                       const std::vector<Span>& colSpans, int64_t x0, int64_t y0, int64_t y1) {
  const int64_t dh = int64_t{dstRect.bottom} - dstRect.top;
  const int64_t sh = int64_t{srcRect.bottom} - srcRect.top;
  const size_t cols = colSpans.size();
  std::vector<uint64_t> sumR(cols), sumG(cols), sumB(cols);
  for (int64_t y = y0; y < y1; ++y) {
    const Span rows = ClipSpan(SpanOf(y - dstRect.top, dh, sh), srcRect.top, src.Height());
    if (rows.count == 0) continue;
    Pixel* out = dst.Row(static_cast<int32_t>(y)) + x0;
    std::fill(sumR.begin(), sumR.end(), 0u);
    std::fill(sumG.begin(), sumG.end(), 0u);
    std::fill(sumB.begin(), sumB.end(), 0u);
    for (int32_t r = 0; r < rows.count; ++r) {
      const Pixel* in = src.Row(rows.first + r);
      for (size_t c = 0; c < cols; ++c) {
        for (int32_t k = 0; k < colSpans[c].count; ++k) {
          const Pixel p = in[colSpans[c].first + k];
          sumR[c] += (p >> 16) & 0xFFu;
          sumG[c] += (p >> 8) & 0xFFu;
          sumB[c] += p & 0xFFu;
        }
      }
    }
    for (size_t c = 0; c < cols; ++c) {
      if (colSpans[c].count == 0) continue;
      const uint64_t n =
          static_cast<uint64_t>(rows.count) * static_cast<uint64_t>(colSpans[c].count);
      const uint64_t half = n / 2;
      out[c] = static_cast<Pixel>((((sumR[c] + half) / n) << 16) | (((sumG[c] + half) / n) << 8) |
                                  ((sumB[c] + half) / n));
    }
  }
}

// A block's channel sums in two lanes: red and blue half a lane apart in one word, green in
// another, so a source pixel costs two masks and two additions. 32-bit lanes hold blocks of up to
// 257 pixels (any shrink to less than a sixteenth on both axes); 64-bit lanes up to 2^24.
template <typename Lane>
struct LaneTraits;
template <>
struct LaneTraits<uint32_t> {
  static constexpr int kShift = 16;
  static constexpr uint32_t kLowField = 0xFFFFu;
  static constexpr int64_t kBlockLimit = 257;
  static uint32_t RedBlue(Pixel p) { return p & 0xFF00FFu; }
};
template <>
struct LaneTraits<uint64_t> {
  static constexpr int kShift = 32;
  static constexpr uint64_t kLowField = 0xFFFFFFFFu;
  static constexpr int64_t kBlockLimit = int64_t{1} << 24;
  static uint64_t RedBlue(Pixel p) {
    return (static_cast<uint64_t>(p & 0xFF0000u) << 16) | (p & 0xFFu);
  }
};

// The running totals over a destination row's first kRows source rows, column by column.
template <typename Lane, int kRows>
void RunningTotals(const Pixel* const* in, int32_t width, Lane* rbTotal, Lane* gTotal) {
  Lane runRb = 0, runG = 0;
  for (int32_t x = 0; x < width; ++x) {
    for (int r = 0; r < kRows; ++r) {
      const Pixel p = in[r][x];
      runRb += LaneTraits<Lane>::RedBlue(p);
      runG += p & 0xFF00u;
    }
    rbTotal[x + 1] = runRb;
    gTotal[x + 1] = runG;
  }
}

template <typename Lane>
void StretchByLanes(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect,
                    const std::vector<Span>& colSpans, bool singleColumns, int32_t srcLo,
                    int32_t srcHi, int64_t maxBlock, int64_t x0, int64_t y0, int64_t y1) {
  const int64_t dh = int64_t{dstRect.bottom} - dstRect.top;
  const int64_t sh = int64_t{srcRect.bottom} - srcRect.top;
  const int32_t cols = static_cast<int32_t>(colSpans.size());
  std::vector<Reciprocal> reciprocal(static_cast<size_t>(std::min(maxBlock, kReciprocalLimit)) + 1);
  for (size_t n = 1; n < reciprocal.size(); ++n)
    reciprocal[n] = ReciprocalOf(static_cast<uint32_t>(n));
  // Per source column, the lane sums of the current destination row's source rows, then their
  // running totals: a block's sum is the difference of two totals. Totals may wrap around
  // the lane's range; the differences are still exact, as no block's true sum reaches it.
  const int32_t width = srcHi - srcLo;
  std::vector<Lane> lanes(4 * (static_cast<size_t>(width) + 1), 0);
  Lane* rb = lanes.data();
  Lane* g = rb + width + 1;
  Lane* rbTotal = g + width + 1;
  Lane* gTotal = rbTotal + width + 1;
  const std::vector<Pixel> zeros(static_cast<size_t>(width), 0);
  for (int64_t y = y0; y < y1; ++y) {
    const Span rows = ClipSpan(SpanOf(y - dstRect.top, dh, sh), srcRect.top, src.Height());
    if (rows.count == 0) continue;
    Pixel* out = dst.Row(static_cast<int32_t>(y)) + x0;
    if (rows.count == 1 && singleColumns) {
      const Pixel* in = src.Row(rows.first);
      for (int32_t c = 0; c < cols; ++c) {
        if (colSpans[c].count != 0) out[c] = in[colSpans[c].first];
      }
      continue;
    }
    if (rows.count <= 4) {
      // Up to four source rows (any shrink to a quarter or more): summed as they are read, rows
      // beyond the block read as zeros; two at a time where the block has no more (a photo
      // shrunk to a screen of more than half its size).
      const Pixel* in[4];
      for (int32_t r = 0; r < 4; ++r) {
        in[r] = r < rows.count ? src.Row(rows.first + r) + srcLo : zeros.data();
      }
      if (rows.count <= 2) {
        RunningTotals<Lane, 2>(in, width, rbTotal, gTotal);
      } else {
        RunningTotals<Lane, 4>(in, width, rbTotal, gTotal);
      }
    } else {
      Lane runRb = 0, runG = 0;
      // More rows: summed per column first.
      const Pixel* in = src.Row(rows.first) + srcLo;
      for (int32_t x = 0; x < width; ++x) {
        rb[x] = LaneTraits<Lane>::RedBlue(in[x]);
        g[x] = in[x] & 0xFF00u;
      }
      for (int32_t r = rows.first + 1; r < rows.first + rows.count; ++r) {
        in = src.Row(r) + srcLo;
        for (int32_t x = 0; x < width; ++x) {
          rb[x] += LaneTraits<Lane>::RedBlue(in[x]);
          g[x] += in[x] & 0xFF00u;
        }
      }
      for (int32_t x = 0; x < width; ++x) {
        runRb += rb[x];
        runG += g[x];
        rbTotal[x + 1] = runRb;
        gTotal[x + 1] = runG;
      }
    }
    for (int32_t c = 0; c < cols; ++c) {
      const Span s = colSpans[c];
      if (s.count == 0) continue;
      const int32_t first = s.first - srcLo, end = first + s.count;
      const Lane sumRb = rbTotal[end] - rbTotal[first];
      const Lane sumG = static_cast<Lane>(gTotal[end] - gTotal[first]) >> 8;
      if constexpr (sizeof(Lane) == 4) {
        // A block of at most 257 pixels: everything in 32 bits, its reciprocal always at hand.
        const uint32_t n = static_cast<uint32_t>(rows.count) * static_cast<uint32_t>(s.count);
        const Reciprocal inv = reciprocal[n];
        out[c] = (SmallQuotient(sumRb >> LaneTraits<Lane>::kShift, n, inv) << 16) |
                 (SmallQuotient(sumG, n, inv) << 8) |
                 SmallQuotient(sumRb & LaneTraits<Lane>::kLowField, n, inv);
      } else {
        const uint64_t n = static_cast<uint64_t>(rows.count) * static_cast<uint64_t>(s.count);
        const Reciprocal inv = n < reciprocal.size() ? reciprocal[n] : Reciprocal{};
        const uint64_t red = RoundedQuotient(sumRb >> LaneTraits<Lane>::kShift, n, inv);
        const uint64_t green = RoundedQuotient(sumG, n, inv);
        const uint64_t blue = RoundedQuotient(sumRb & LaneTraits<Lane>::kLowField, n, inv);
        out[c] = static_cast<Pixel>((red << 16) | (green << 8) | blue);
      }
    }
  }
}

}  // namespace

void StretchPaint(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect,
                  HelperThread* helper) {
  if (dstRect.Empty() || srcRect.Empty()) return;
  const int64_t dw = int64_t{dstRect.right} - dstRect.left;
  const int64_t dh = int64_t{dstRect.bottom} - dstRect.top;
  const int64_t sw = int64_t{srcRect.right} - srcRect.left;
  const int64_t sh = int64_t{srcRect.bottom} - srcRect.top;
  // The destination pixels actually painted.
  const int64_t x0 = std::max<int64_t>(dstRect.left, 0);
  const int64_t x1 = std::min<int64_t>(dstRect.right, dst.Width());
  const int64_t y0 = std::max<int64_t>(dstRect.top, 0);
  const int64_t y1 = std::min<int64_t>(dstRect.bottom, dst.Height());
  if (x0 >= x1 || y0 >= y1) return;

  // Source spans, clipped to the source surface; a span left empty leaves its pixel unpainted.
  const int32_t cols = static_cast<int32_t>(x1 - x0);
  std::vector<Span> colSpans(static_cast<size_t>(cols));
  bool singleColumns = true;
  for (int32_t c = 0; c < cols; ++c) {
    colSpans[c] = ClipSpan(SpanOf(x0 + c - dstRect.left, dw, sw), srcRect.left, src.Width());
    singleColumns = singleColumns && colSpans[c].count <= 1;
  }
  int32_t maxColumnCount = 1, srcLo = INT32_MAX, srcHi = 0;
  for (const Span& c : colSpans) {
    if (c.count == 0) continue;
    maxColumnCount = std::max(maxColumnCount, c.count);
    srcLo = std::min(srcLo, c.first);
    srcHi = std::max(srcHi, c.first + c.count);
  }
  if (srcLo >= srcHi) return;
  const int64_t maxRowCount = sh > dh ? (sh + dh - 1) / dh : 1;
  const int64_t maxBlock = maxRowCount * maxColumnCount;

  const auto rows = [&](int64_t from, int64_t to) {
    if (maxBlock <= LaneTraits<uint32_t>::kBlockLimit) {
      StretchByLanes<uint32_t>(dst, dstRect, src, srcRect, colSpans, singleColumns, srcLo, srcHi,
                               maxBlock, x0, from, to);
    } else if (maxBlock <= LaneTraits<uint64_t>::kBlockLimit) {
      StretchByLanes<uint64_t>(dst, dstRect, src, srcRect, colSpans, singleColumns, srcLo, srcHi,
                               maxBlock, x0, from, to);
    } else {
      StretchHugeBlocks(dst, dstRect, src, srcRect, colSpans, x0, from, to);
    }
  };
  // Each destination row is made from the source alone, so two threads can take half each; the
  // helper's half is made again here if it could not get its working memory.
  const int64_t middle = y0 + (y1 - y0) / 2;
  struct Half {
    const decltype(rows)* make;
    int64_t from, to;
    bool done = false;
  } half{&rows, middle, y1};
  const auto work = [](void* arg) {
    auto* h = static_cast<Half*>(arg);
    try {
      (*h->make)(h->from, h->to);
      h->done = true;
    } catch (...) {
    }
  };
  const bool helped = helper != nullptr && y1 - y0 >= 64 && helper->Start(work, &half);
  rows(y0, helped ? middle : y1);
  if (helped) {
    helper->Join();
    if (!half.done) rows(middle, y1);
  }
  dst.AddDamage(Rect{static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1),
                     static_cast<int32_t>(y1)});
}

}  // namespace frin
