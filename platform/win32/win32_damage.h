// Coalescing of a tick's damage for presentation. A tick of many flakes leaves hundreds of small
// rectangles (each flake's erased and drawn cells); the window receives them as the clip region
// of one copy, and a region of hundreds of rectangles costs more to build and to clip by than
// the few pixels it saves. So the surface is cut into square tiles; the rectangles mark the
// tiles they touch, and each horizontal run of marked tiles becomes one rectangle of the region.
// The surface holds the truth, so presenting unchanged pixels around a change is harmless.
// Portable: it needs no system header.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/raster.h"

namespace frin::win32 {

class DamageTiles {
 public:
  static constexpr int32_t kTile = 32;  // pixels

  // Sizes the grid for a surface; the only allocation, made when the surface's size changes.
  void Resize(int32_t width, int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    columns_ = (width_ + kTile - 1) / kTile;
    rows_ = (height_ + kTile - 1) / kTile;
    marked_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_), 0);
  }

  // Marks the tiles a rectangle touches; the parts outside the surface are dropped.
  void Mark(const Rect& r) {
    const int32_t left = std::max(r.left, 0), top = std::max(r.top, 0);
    const int32_t right = std::min(r.right, width_), bottom = std::min(r.bottom, height_);
    if (left >= right || top >= bottom) return;
    for (int32_t ty = top / kTile; ty <= (bottom - 1) / kTile; ++ty) {
      uint8_t* row = marked_.data() + static_cast<size_t>(ty) * static_cast<size_t>(columns_);
      std::fill(row + left / kTile, row + (right - 1) / kTile + 1, uint8_t{1});
    }
  }

  // Calls present(rect) once for each horizontal run of marked tiles, top to bottom, the rect
  // clipped to the surface, and clears the marks.
  template <typename F>
  void TakeRuns(F&& present) {
    for (int32_t ty = 0; ty < rows_; ++ty) {
      uint8_t* row = marked_.data() + static_cast<size_t>(ty) * static_cast<size_t>(columns_);
      int32_t tx = 0;
      while (tx < columns_) {
        if (row[tx] == 0) {
          ++tx;
          continue;
        }
        const int32_t start = tx;
        while (tx < columns_ && row[tx] != 0)
          row[tx++] = 0;
        present(Rect{start * kTile, ty * kTile, std::min(tx * kTile, width_),
                     std::min((ty + 1) * kTile, height_)});
      }
    }
  }

 private:
  int32_t width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
  std::vector<uint8_t> marked_;
};

// Up to this many rectangles of a tick go into the region as they are; more are coalesced into
// runs of tiles.
constexpr int kDirectRects = 16;

// The rectangles of one present of a surface of tiles' size: calls add(rect) for each, clipped
// to the surface and in surface pixels, and returns their bounding rectangle (empty when
// nothing of the damage lies on the surface). Allocates nothing; the tiles' marks are cleared.
template <typename F>
Rect CollectDamage(const DamageList& damage, DamageTiles& tiles, int32_t width, int32_t height,
                   F&& add) {
  Rect bounds;
  auto take = [&](const Rect& r) {
    const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
                 std::min(r.bottom, height)};
    if (c.Empty()) return;
    bounds = bounds.Empty()
                 ? c
                 : Rect{std::min(bounds.left, c.left), std::min(bounds.top, c.top),
                        std::max(bounds.right, c.right), std::max(bounds.bottom, c.bottom)};
    add(c);
  };
  if (damage.Count() <= kDirectRects) {
    for (int i = 0; i < damage.Count(); ++i)
      take(damage[i]);
    return bounds;
  }
  for (int i = 0; i < damage.Count(); ++i)
    tiles.Mark(damage[i]);
  tiles.TakeRuns(take);
  return bounds;
}

}  // namespace frin::win32
