// Coalescing of a tick's damage for presentation. A tick of many flakes leaves hundreds of small
// rectangles (each flake's erased and drawn cells), and every rectangle copied to the window is
// one transfer to the display. The surface is cut into square tiles; the rectangles mark the
// tiles they touch, and each horizontal run of marked tiles is presented as one rectangle. The
// surface holds the truth, so presenting unchanged pixels around a change is harmless. Portable:
// it needs no system header.
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

}  // namespace frin::win32
