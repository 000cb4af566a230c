// The software raster: block transfers with the three raster operations, the one-pixel line and
// the stretched painting of a picture, all clipped, all on 0x00RRGGBB surfaces.
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
#include "platform/raster.h"

#include <algorithm>
#include <cstring>

namespace frin {
namespace {

// Rows up to this many pixels are copied pixel by pixel rather than by memmove.
constexpr int32_t kShortRow = 32;

int32_t ClampToInt32(int64_t v) {
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(v);
}

Rect Union(const Rect& a, const Rect& b) {
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// An unsigned 128-bit value, enough for the exact Bresenham position of any step of any line
// between two 32-bit end points. Used only a few times per line, so plain code serves.
struct U128 {
  uint64_t hi = 0, lo = 0;
};

U128 Mul64(uint64_t a, uint64_t b) {
  const uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32, bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
  const uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
  const uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
  U128 r;
  r.lo = (ll & 0xFFFFFFFFu) | (mid << 32);
  r.hi = hh + (lh >> 32) + (hl >> 32) + (mid >> 32);
  return r;
}

U128 Add(U128 a, uint64_t b) {
  U128 r{a.hi, a.lo + b};
  if (r.lo < a.lo) ++r.hi;
  return r;
}

// Quotient and remainder of n by d, for 0 < d < 2^62 and a quotient that fits in 64 bits.
void DivMod(U128 n, uint64_t d, uint64_t& quotient, uint64_t& remainder) {
  uint64_t q = 0, rem = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const uint64_t b = bit >= 64 ? (n.hi >> (bit - 64)) & 1u : (n.lo >> bit) & 1u;
    rem = (rem << 1) | b;
    q <<= 1;
    if (rem >= d) {
      rem -= d;
      q |= 1u;
    }
  }
  quotient = q;
  remainder = rem;
}

// Bresenham along the major axis: at step i (0 <= i < major) the minor offset is the nearest
// integer to i * minor / major, halves rounded up: floor((2 i minor + major) / (2 major)).
struct LineSteps {
  uint64_t major = 0, minor = 0;
  void At(uint64_t i, uint64_t& offset, uint64_t& remainder) const {
    DivMod(Add(Mul64(2 * i, minor), major), 2 * major, offset, remainder);
  }
  uint64_t Offset(uint64_t i) const {
    uint64_t offset = 0, remainder = 0;
    At(i, offset, remainder);
    return offset;
  }
  // The first step in [lo, hi) whose offset is at least target, or hi.
  uint64_t FirstAtLeast(uint64_t lo, uint64_t hi, uint64_t target) const {
    while (lo < hi) {
      const uint64_t mid = lo + (hi - lo) / 2;
      if (Offset(mid) >= target) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return lo;
  }
};

}  // namespace

// --- Damage ------------------------------------------------------------------------------------

void DamageList::Add(const Rect& r) {
  if (r.Empty()) return;
  if (count_ < kCapacity) {
    rects_[count_++] = r;
    return;
  }
  rects_[0] = Union(Bounds(), r);
  count_ = 1;
}

Rect DamageList::Bounds() const {
  if (count_ == 0) return Rect{};
  Rect b = rects_[0];
  for (int i = 1; i < count_; ++i)
    b = Union(b, rects_[i]);
  return b;
}

// --- Surface -----------------------------------------------------------------------------------

Surface::Store Surface::NewPixels(size_t count) {
  return count == 0 ? Store() : std::make_unique_for_overwrite<Pixel[]>(count);
}

Surface::Store Surface::CopyOf(const Pixel* src, size_t count) {
  Store pixels = NewPixels(count);
  std::copy_n(src, count, pixels.get());
  return pixels;
}

Surface::Surface(const Surface& other)
    : width_(other.width_),
      height_(other.height_),
      owned_(CopyOf(other.pixels_, other.Count())),
      pixels_(owned_.get()),
      tracking_(other.tracking_),
      damage_(other.damage_) {}

Surface::Surface(Surface&& other) : tracking_(other.tracking_), damage_(other.damage_) {
  if (other.lent_) {
    Take(other.pixels_, other.width_, other.height_);
  } else {
    Own(std::move(other.owned_), other.width_, other.height_);
  }
  other.Own(Store(), 0, 0);
}

Surface& Surface::operator=(const Surface& other) {
  if (this == &other) return *this;
  Take(other.pixels_, other.width_, other.height_);
  tracking_ = other.tracking_;
  damage_ = other.damage_;
  return *this;
}

Surface& Surface::operator=(Surface&& other) {
  if (this == &other) return *this;
  if (other.lent_ || (lent_ && width_ == other.width_ && height_ == other.height_)) {
    Take(other.pixels_, other.width_, other.height_);
  } else {
    Own(std::move(other.owned_), other.width_, other.height_);
  }
  tracking_ = other.tracking_;
  damage_ = other.damage_;
  other.Own(Store(), 0, 0);
  return *this;
}

void Surface::Take(const Pixel* src, int32_t width, int32_t height) {
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (lent_ && width == width_ && height == height_) {
    if (n > 0 && src != pixels_) std::memmove(pixels_, src, n * sizeof(Pixel));
    return;
  }
  Own(CopyOf(src, n), width, height);
}

void Surface::Own(Store&& pixels, int32_t width, int32_t height) {
  owned_ = std::move(pixels);
  pixels_ = owned_.get();
  width_ = width;
  height_ = height;
  lent_ = false;
}

Surface Surface::Unfilled(int32_t width, int32_t height) {
  Surface s;
  if (width > 0 && height > 0)
    s.Own(NewPixels(static_cast<size_t>(width) * static_cast<size_t>(height)), width, height);
  return s;
}

void Surface::Resize(int32_t width, int32_t height, Pixel fill) {
  const int32_t w = width > 0 && height > 0 ? width : 0;
  const int32_t h = width > 0 && height > 0 ? height : 0;
  if (lent_ && w == width_ && h == height_) {
    std::fill(pixels_, pixels_ + Count(), fill & kColourMask);
  } else {
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    Store pixels = NewPixels(n);
    std::fill_n(pixels.get(), n, fill & kColourMask);
    Own(std::move(pixels), w, h);
  }
  AddDamage(Rect{0, 0, width_, height_});
}

void Surface::Fill(Pixel colour) {
  std::fill(pixels_, pixels_ + Count(), colour & kColourMask);
  AddDamage(Rect{0, 0, width_, height_});
}

void Surface::Lend(Pixel* memory) {
  if (memory == nullptr || Count() == 0) return;
  if (memory != pixels_) std::memcpy(memory, pixels_, Count() * sizeof(Pixel));
  owned_.reset();
  pixels_ = memory;
  lent_ = true;
}

void Surface::Reclaim() {
  if (!lent_) return;
  Own(CopyOf(pixels_, Count()), width_, height_);
}

// --- BitBlt ------------------------------------------------------------------------------------

void BitBlt(Surface& dst, int32_t dx, int32_t dy, int32_t width, int32_t height, const Surface& src,
            int32_t sx, int32_t sy, RasterOp op) {
  if (width <= 0 || height <= 0) return;
  // Clip in 64 bits so that origins near the ends of the 32-bit range cannot overflow.
  int64_t dLeft = dx, dTop = dy, sLeft = sx, sTop = sy, w = width, h = height;
  auto clipLow = [&](int64_t& a, int64_t& b, int64_t& extent) {
    // a is the coordinate that must not be below 0; b moves along with it.
    if (a < 0) {
      extent += a;
      b -= a;
      a = 0;
    }
  };
  clipLow(sLeft, dLeft, w);
  clipLow(dLeft, sLeft, w);
  clipLow(sTop, dTop, h);
  clipLow(dTop, sTop, h);
  w = std::min(
      {w, static_cast<int64_t>(src.Width()) - sLeft, static_cast<int64_t>(dst.Width()) - dLeft});
  h = std::min(
      {h, static_cast<int64_t>(src.Height()) - sTop, static_cast<int64_t>(dst.Height()) - dTop});
  if (w <= 0 || h <= 0) return;

  const int32_t x0 = static_cast<int32_t>(dLeft), y0 = static_cast<int32_t>(dTop);
  const int32_t u0 = static_cast<int32_t>(sLeft), v0 = static_cast<int32_t>(sTop);
  const int32_t cw = static_cast<int32_t>(w), ch = static_cast<int32_t>(h);

  // A surface blitted onto itself: walk rows and columns so that no source pixel is overwritten
  // before it is read.
  const bool same = &dst == &src;
  const bool bottomUp = same && y0 > v0;
  const bool rightToLeft = same && y0 == v0 && x0 > u0;
  for (int32_t k = 0; k < ch; ++k) {
    const int32_t row = bottomUp ? ch - 1 - k : k;
    Pixel* d = dst.Row(y0 + row) + x0;
    const Pixel* s = src.Row(v0 + row) + u0;
    switch (op) {
      case RasterOp::kSrcCopy:
        // A flake's few pixels are copied in place: a call per row would cost more than the
        // copy. (The mask changes nothing, as every surface's top byte is 0, and keeps the
        // compiler from making the loop a call again.)
        if (same || cw > kShortRow) {
          std::memmove(d, s, static_cast<size_t>(cw) * sizeof(Pixel));
        } else {
          for (int32_t i = 0; i < cw; ++i)
            d[i] = s[i] & kColourMask;
        }
        break;
      case RasterOp::kSrcErase:
        if (rightToLeft) {
          for (int32_t i = cw - 1; i >= 0; --i)
            d[i] = s[i] & ~d[i] & kColourMask;
        } else {
          for (int32_t i = 0; i < cw; ++i)
            d[i] = s[i] & ~d[i] & kColourMask;
        }
        break;
      case RasterOp::kSrcInvert:
        if (rightToLeft) {
          for (int32_t i = cw - 1; i >= 0; --i)
            d[i] = (s[i] ^ d[i]) & kColourMask;
        } else {
          for (int32_t i = 0; i < cw; ++i)
            d[i] = (s[i] ^ d[i]) & kColourMask;
        }
        break;
    }
  }
  dst.AddDamage(Rect{x0, y0, x0 + cw, y0 + ch});
}

// --- Line --------------------------------------------------------------------------------------

void DrawLine(Surface& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Pixel colour) {
  colour &= kColourMask;
  const int64_t W = dst.Width(), H = dst.Height();
  if (W == 0 || H == 0) return;
  if (x1 == x2 && y1 == y2) {
    if (x1 >= 0 && x1 < W && y1 >= 0 && y1 < H) {
      dst.At(x1, y1) = colour;
      dst.AddDamage(Rect{x1, y1, x1 + 1, y1 + 1});
    }
    return;
  }
  const int64_t ddx = static_cast<int64_t>(x2) - x1, ddy = static_cast<int64_t>(y2) - y1;
  const bool xMajor = (ddx < 0 ? -ddx : ddx) >= (ddy < 0 ? -ddy : ddy);
  // Major axis a (the one stepped every pixel), minor axis b.
  const int64_t a1 = xMajor ? x1 : y1, b1 = xMajor ? y1 : x1;
  const int64_t da = xMajor ? ddx : ddy, db = xMajor ? ddy : ddx;
  const int64_t aLimit = xMajor ? W : H, bLimit = xMajor ? H : W;
  const int64_t sa = da < 0 ? -1 : 1, sb = db < 0 ? -1 : 1;
  LineSteps steps{static_cast<uint64_t>(da * sa), static_cast<uint64_t>(db * sb)};
  const int64_t n = da * sa;  // pixels drawn: the last point is excluded

  // Steps whose major coordinate a1 + sa * i lies in [0, aLimit).
  int64_t iLo = sa > 0 ? -a1 : a1 - (aLimit - 1);
  int64_t iHi = (sa > 0 ? aLimit - 1 - a1 : a1) + 1;
  iLo = std::max<int64_t>(iLo, 0);
  iHi = std::min<int64_t>(iHi, n);
  if (iLo >= iHi) return;

  // The minor offset m grows with i; keep b1 + sb * m in [0, bLimit).
  const int64_t mLo = sb > 0 ? -b1 : b1 - (bLimit - 1);
  const int64_t mHi = sb > 0 ? bLimit - 1 - b1 : b1;  // inclusive
  if (mHi < 0) return;
  if (steps.minor == 0) {
    if (mLo > 0) return;
  } else {
    if (mLo > 0) {
      iLo = static_cast<int64_t>(steps.FirstAtLeast(
          static_cast<uint64_t>(iLo), static_cast<uint64_t>(iHi), static_cast<uint64_t>(mLo)));
    }
    iHi = static_cast<int64_t>(steps.FirstAtLeast(
        static_cast<uint64_t>(iLo), static_cast<uint64_t>(iHi), static_cast<uint64_t>(mHi) + 1));
  }
  if (iLo >= iHi) return;

  // Step from iLo with the exact error term of that step.
  uint64_t m = 0, rem = 0;
  steps.At(static_cast<uint64_t>(iLo), m, rem);
  const uint64_t twiceMajor = 2 * steps.major, twiceMinor = 2 * steps.minor;
  int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
  if (steps.minor == 0 && xMajor) {
    // Horizontal: one run of the row.
    const int32_t y = static_cast<int32_t>(b1);
    const int32_t xa = static_cast<int32_t>(a1 + sa * iLo);
    const int32_t xb = static_cast<int32_t>(a1 + sa * (iHi - 1));
    minX = std::min(xa, xb);
    maxX = std::max(xa, xb);
    std::fill(dst.Row(y) + minX, dst.Row(y) + maxX + 1, colour);
    minY = maxY = y;
  } else {
    for (int64_t i = iLo; i < iHi; ++i) {
      const int32_t a = static_cast<int32_t>(a1 + sa * i);
      const int32_t b = static_cast<int32_t>(b1 + sb * static_cast<int64_t>(m));
      const int32_t x = xMajor ? a : b, y = xMajor ? b : a;
      dst.At(x, y) = colour;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
      rem += twiceMinor;
      if (rem >= twiceMajor) {
        rem -= twiceMajor;
        ++m;
      }
    }
  }
  dst.AddDamage(Rect{minX, minY, ClampToInt32(int64_t{maxX} + 1), ClampToInt32(int64_t{maxY} + 1)});
}

// --- Stretched painting ------------------------------------------------------------------------

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
