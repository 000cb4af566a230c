// The software raster: every pixel the program draws goes through these functions, on 32-bit
// surfaces holding 0x00RRGGBB (the top byte is always 0; the operations act on the colour bits).
// Backends only present a surface, capture the desktop into one and decode pictures into one.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/helper_thread.h"

namespace frin {

using Pixel = uint32_t;  // 0x00RRGGBB
constexpr Pixel kColourMask = 0x00FFFFFFu;
constexpr Pixel kBlack = 0x000000u;
constexpr Pixel kWhite = 0xFFFFFFu;

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool Empty() const { return right <= left || bottom <= top; }
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};

// The smallest rectangle holding both.
Rect Union(const Rect& a, const Rect& b);
// The smallest rectangle holding every one (the virtual screen of a list of monitors); empty for
// no rectangle.
Rect BoundingRect(const std::vector<Rect>& rects);

// The rectangles drawn on a surface since a backend last presented it. Fixed capacity, so
// recording never allocates; past the capacity the list folds into its bounding rectangle.
class DamageList {
 public:
  static constexpr int kCapacity = 2048;
  void Add(const Rect& r);
  void Clear() { count_ = 0; }
  int Count() const { return count_; }
  const Rect& operator[](int i) const { return rects_[i]; }
  Rect Bounds() const;

 private:
  std::array<Rect, kCapacity> rects_{};
  int count_ = 0;
};

// A read-only view of a surface's pixels, row after row, wherever they are kept.
class PixelView {
 public:
  using value_type = Pixel;
  using iterator = const Pixel*;
  using const_iterator = const Pixel*;

  PixelView() = default;
  PixelView(const Pixel* data, size_t size) : data_(data), size_(size) {}
  PixelView(const std::vector<Pixel>& v) : data_(v.data()), size_(v.size()) {}  // NOLINT

  const Pixel* begin() const { return data_; }
  const Pixel* end() const { return data_ + size_; }
  const Pixel* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Pixel operator[](size_t i) const { return data_[i]; }
  operator std::vector<Pixel>() const { return std::vector<Pixel>(begin(), end()); }  // NOLINT
  friend bool operator==(PixelView a, PixelView b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  const Pixel* data_ = nullptr;
  size_t size_ = 0;
};

// A surface keeps its pixels in memory of its own, or in memory a backend lends it (the DIB
// section a window is presented from), so that the raster draws straight into what the backend
// shows. A loan belongs to this one object: copies and moves of a surface own their pixels, and
// an assignment or Resize of the same size writes into the loan, of another size ends it. The
// lender calls Reclaim before it frees the memory; a surface destroyed while lent leaves the
// memory to its lender.
class Surface {
 public:
  Surface() = default;
  Surface(int32_t width, int32_t height, Pixel fill = kBlack) { Resize(width, height, fill); }
  // A surface whose pixels are not set, for a writer that sets every one of them (a decoder)
  // and so need not wait for a fill first.
  static Surface Unfilled(int32_t width, int32_t height);
  Surface(const Surface& other);
  Surface(Surface&& other);
  Surface& operator=(const Surface& other);
  Surface& operator=(Surface&& other);
  ~Surface() = default;

  // Sizes the surface and fills every pixel; the contents do not survive.
  void Resize(int32_t width, int32_t height, Pixel fill = kBlack);
  void Fill(Pixel colour);

  // Moves the pixels into memory of Width() x Height() pixels (rows top down, no padding) that
  // stays valid until Reclaim; the surface's own storage is freed. Nothing for an empty surface.
  void Lend(Pixel* memory);
  bool IsLent() const { return lent_; }
  // Copies the pixels back into storage of the surface's own and stops using the loan.
  void Reclaim();

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  Pixel At(int32_t x, int32_t y) const { return pixels_[Index(x, y)]; }
  Pixel& At(int32_t x, int32_t y) { return pixels_[Index(x, y)]; }
  const Pixel* Row(int32_t y) const { return pixels_ + Index(0, y); }
  Pixel* Row(int32_t y) { return pixels_ + Index(0, y); }
  const Pixel* Data() const { return pixels_; }
  Pixel* Data() { return pixels_; }
  PixelView Pixels() const { return PixelView(pixels_, Count()); }

  // Damage tracking for presentation: off unless a backend asks for it.
  void TrackDamage(bool on) { tracking_ = on; }
  void AddDamage(const Rect& r) {
    if (tracking_) damage_.Add(r);
  }
  DamageList& Damage() { return damage_; }

 private:
  size_t Index(int32_t x, int32_t y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  }
  size_t Count() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
  // Takes width x height pixels from src: into the loan when the size matches, else owned.
  void Take(const Pixel* src, int32_t width, int32_t height);
  // Pixels of the surface's own, made without a value: every maker sets them (or Unfilled's
  // caller does).
  using Store = std::unique_ptr<Pixel[]>;
  static Store NewPixels(size_t count);
  static Store CopyOf(const Pixel* src, size_t count);
  void Own(Store&& pixels, int32_t width, int32_t height);

  int32_t width_ = 0, height_ = 0;
  Store owned_;
  Pixel* pixels_ = nullptr;  // owned_.get() or the loan
  bool lent_ = false;
  bool tracking_ = false;
  DamageList damage_;
};

enum class RasterOp : uint32_t {
  kSrcCopy = 0x00CC0020,    // destination := source
  kSrcErase = 0x00440328,   // destination := source AND NOT destination
  kSrcInvert = 0x00660046,  // destination := source XOR destination
};

// Copies a width x height block from src at (sx, sy) to dst at (dx, dy) with the raster
// operation, clipped to both surfaces (negative and out-of-range origins included).
void BitBlt(Surface& dst, int32_t dx, int32_t dy, int32_t width, int32_t height, const Surface& src,
            int32_t sx, int32_t sy, RasterOp op);

// A solid line one pixel wide from (x1, y1) to (x2, y2) in pixels, the last point excluded as
// the window system draws lines; a single point when both ends are the same. Clipped.
void DrawLine(Surface& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Pixel colour);

// src magnified `scale` times, pixel for pixel: each pixel becomes a scale x scale square of its
// colour (a copy of src at a scale of 1 or less).
Surface Magnify(const Surface& src, int32_t scale);

// Positions of the round-ended line, in sub-pixels: 1/kSubPixel of a pixel from the surface's
// top-left corner, so that pixel (x, y) has its centre at (kSubPixel x + kSubPixel / 2,
// kSubPixel y + kSubPixel / 2). Positions and widths stay within +-kSubPixelLimit (65536 pixels).
inline constexpr int32_t kSubPixel = 256;
inline constexpr int32_t kSubPixelLimit = 1 << 24;
struct SubPoint {
  int32_t x = 0, y = 0;
};

// A solid line with round ends: every pixel whose centre lies within halfWidth sub-pixels of the
// segment from a to b, the edge included (a line 2 halfWidth wide; a disc when a and b are the
// same point). Exact, so a segment and its mirror image fill mirror images of each other.
// Clipped; a position or width beyond the limit, or a negative width, raises the overflow error.
void FillRoundLine(Surface& dst, SubPoint a, SubPoint b, int32_t halfWidth, Pixel colour);

// Paints the source rectangle of src scaled to fill the destination rectangle of dst exactly,
// without keeping the aspect ratio. Clipped to dst.
// With a helper thread the rows are shared between two threads; the pixels are the same.
void StretchPaint(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect,
                  HelperThread* helper = nullptr);

}  // namespace frin
