// The software raster: the surface and its damage list, block transfers with the three raster
// operations, the one-pixel line and the round-ended wide line, all clipped, all on 0x00RRGGBB
// surfaces. The stretched
// painting of a picture is in raster_stretch.cpp.
#include "platform/raster.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"

namespace frin {
namespace {

// Rows up to this many pixels are copied pixel by pixel rather than by memmove.
constexpr int32_t kShortRow = 32;

int32_t ClampToInt32(int64_t v) {
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(v);
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

bool LessOrEqual(U128 a, U128 b) {
  return a.hi < b.hi || (a.hi == b.hi && a.lo <= b.lo);
}

int64_t FloorDiv(int64_t n, int64_t d) {
  return n / d - (n % d != 0 && (n < 0) != (d < 0));
}

}  // namespace

Rect Union(const Rect& a, const Rect& b) {
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

Rect BoundingRect(const std::vector<Rect>& rects) {
  if (rects.empty()) return Rect{};
  Rect bound = rects.front();
  for (const Rect& r : rects)
    bound = Union(bound, r);
  return bound;
}

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

// --- Magnify -----------------------------------------------------------------------------------

Surface Magnify(const Surface& src, int32_t scale) {
  if (scale <= 1) return src;
  const int32_t width = CheckedMul(src.Width(), scale), height = CheckedMul(src.Height(), scale);
  Surface out = Surface::Unfilled(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const Pixel* from = src.Row(y / scale);
    Pixel* to = out.Row(y);
    for (int32_t x = 0; x < width; ++x)
      to[x] = from[x / scale];
  }
  return out;
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

void FillRoundLine(Surface& dst, SubPoint a, SubPoint b, int32_t halfWidth, Pixel colour) {
  for (const int32_t v : {a.x, a.y, b.x, b.y, halfWidth}) {
    if (v < -kSubPixelLimit || v > kSubPixelLimit) RaiseError(kErrOverflow);
  }
  if (halfWidth < 0) RaiseError(kErrOverflow);
  colour &= kColourMask;
  // The pixels whose centres (kSubPixel i + kSubPixel / 2) lie in the segment's bounding box
  // grown by the half width on every side.
  const int64_t r = halfWidth, half = kSubPixel / 2;
  auto first = [&](int64_t lo) { return FloorDiv(lo - half + kSubPixel - 1, kSubPixel); };
  auto last = [&](int64_t hi) { return FloorDiv(hi - half, kSubPixel); };
  const int64_t x0 = std::max<int64_t>(first(int64_t{std::min(a.x, b.x)} - r), 0);
  const int64_t x1 = std::min<int64_t>(last(int64_t{std::max(a.x, b.x)} + r), dst.Width() - 1);
  const int64_t y0 = std::max<int64_t>(first(int64_t{std::min(a.y, b.y)} - r), 0);
  const int64_t y1 = std::min<int64_t>(last(int64_t{std::max(a.y, b.y)} + r), dst.Height() - 1);
  if (x0 > x1 || y0 > y1) return;

  // Within the limits every product below fits in 64 bits; the square of the distance across the
  // line against the square of the half width needs 128.
  const int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
  const int64_t length2 = dx * dx + dy * dy;
  const uint64_t r2 = static_cast<uint64_t>(r * r);
  const U128 across = Mul64(r2, static_cast<uint64_t>(length2));
  auto within = [&](int64_t px, int64_t py) {
    const int64_t vx = px - a.x, vy = py - a.y;
    const int64_t along = vx * dx + vy * dy;
    if (along <= 0) return static_cast<uint64_t>(vx * vx + vy * vy) <= r2;
    if (along >= length2) {
      const int64_t wx = px - b.x, wy = py - b.y;
      return static_cast<uint64_t>(wx * wx + wy * wy) <= r2;
    }
    const int64_t cross = vx * dy - vy * dx;
    const uint64_t c = static_cast<uint64_t>(cross < 0 ? -cross : cross);
    return LessOrEqual(Mul64(c, c), across);
  };
  int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
  for (int64_t y = y0; y <= y1; ++y) {
    Pixel* row = dst.Row(static_cast<int32_t>(y));
    for (int64_t x = x0; x <= x1; ++x) {
      if (!within(x * kSubPixel + half, y * kSubPixel + half)) continue;
      row[x] = colour;
      minX = std::min(minX, static_cast<int32_t>(x));
      maxX = std::max(maxX, static_cast<int32_t>(x));
      minY = std::min(minY, static_cast<int32_t>(y));
      maxY = std::max(maxY, static_cast<int32_t>(y));
    }
  }
  if (minX <= maxX) dst.AddDamage(Rect{minX, minY, maxX + 1, maxY + 1});
}

}  // namespace frin
