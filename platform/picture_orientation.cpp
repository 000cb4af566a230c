#include "platform/picture_orientation.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

#include "platform/exif_orientation.h"

namespace frin {
namespace {

// Where the upright picture's pixel (x, y) lies in the stored one: origin + x * across +
// y * down, as an index into the stored pixels.
struct Walk {
  ptrdiff_t origin, across, down;
};

Walk WalkOf(int orientation, ptrdiff_t w, ptrdiff_t h) {
  const ptrdiff_t last = (h - 1) * w;  // the first pixel of the stored picture's last row
  switch (orientation) {
    case 2:
      return {w - 1, -1, w};
    case 3:
      return {last + w - 1, -1, -w};
    case 4:
      return {last, 1, -w};
    case 5:
      return {0, w, 1};
    case 6:
      return {last, -w, 1};
    case 7:
      return {last + w - 1, -w, -1};
    case 8:
      return {w - 1, w, -1};
    default:
      return {0, 1, w};
  }
}

}  // namespace

Surface Orient(const Surface& stored, int orientation) {
  if (orientation < 2 || orientation > 8 || stored.Width() == 0 || stored.Height() == 0) {
    return stored;
  }
  const bool swaps = orientation >= 5;
  const int32_t width = swaps ? stored.Height() : stored.Width();
  const int32_t height = swaps ? stored.Width() : stored.Height();
  Surface upright = Surface::Unfilled(width, height);
  const Walk walk = WalkOf(orientation, stored.Width(), stored.Height());
  const Pixel* in = stored.Data();
  // Blocks of rows and columns, so that a quarter turn reads the stored rows a few lines at a
  // time instead of one pixel a row across the whole picture.
  constexpr int32_t kBlock = 64;
  for (int32_t top = 0; top < height; top += kBlock) {
    const int32_t bottom = std::min(height, top + kBlock);
    for (int32_t left = 0; left < width; left += kBlock) {
      const int32_t right = std::min(width, left + kBlock);
      for (int32_t y = top; y < bottom; ++y) {
        Pixel* out = upright.Row(y);
        ptrdiff_t at = walk.origin + left * walk.across + y * walk.down;
        for (int32_t x = left; x < right; ++x, at += walk.across)
          out[x] = in[at];
      }
    }
  }
  return upright;
}

std::optional<Surface> Upright(std::optional<Surface> picture, std::string_view fileBytes) {
  if (!picture) return picture;
  return Upright(std::move(picture), ReadOrientation(fileBytes));
}

std::optional<Surface> Upright(std::optional<Surface> picture, int orientation) {
  if (!picture || orientation < 2 || orientation > 8) return picture;
  try {
    return Orient(*picture, orientation);
  } catch (const std::bad_alloc&) {
    return picture;
  }
}

}  // namespace frin
