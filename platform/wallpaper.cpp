// The wallpaper's layout: integer arithmetic in 64 bits, then the raster's stretch or a tiling
// copy into a scratch surface the size of the monitor's visible part, copied onto the scene.
#include "platform/wallpaper.h"

#include <algorithm>

namespace frin {
namespace {

// Coordinates beyond this are absurd (a one-pixel-wide picture filling a wide monitor): the
// layout is given up and the colour shows.
constexpr int64_t kCoordinateLimit = int64_t{1} << 30;

// floor(x / 2), for a negative x too.
int64_t FloorHalf(int64_t x) {
  return x >= 0 ? x / 2 : -((-x + 1) / 2);
}

// a * b / c rounded to nearest (halves up), for positive values; at least 1.
int64_t ScaledLength(int64_t a, int64_t b, int64_t c) {
  return std::max<int64_t>((2 * a * b + c) / (2 * c), 1);
}

// A width x height rectangle centred on area (the odd pixel to the right and below).
Rect Centred(int64_t width, int64_t height, const Rect& area) {
  const int64_t left = area.left + FloorHalf(int64_t{area.Width()} - width);
  const int64_t top = area.top + FloorHalf(int64_t{area.Height()} - height);
  const int64_t right = left + width, bottom = top + height;
  for (int64_t v : {left, top, right, bottom})
    if (v < -kCoordinateLimit || v > kCoordinateLimit) return Rect{};
  return Rect{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
              static_cast<int32_t>(bottom)};
}

Rect Intersection(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

// Fills part (whose pixel (0, 0) is the virtual-screen point at clip's corner) with the picture
// repeated from (tileLeft, tileTop) on.
void Tile(Surface& part, const Rect& clip, const Surface& picture, int32_t tileLeft,
          int32_t tileTop) {
  const int64_t pw = picture.Width(), ph = picture.Height();
  const int64_t firstX = ((int64_t{clip.left} - tileLeft) % pw + pw) % pw;
  int64_t sy = ((int64_t{clip.top} - tileTop) % ph + ph) % ph;
  for (int32_t y = 0; y < part.Height(); ++y) {
    const Pixel* in = picture.Row(static_cast<int32_t>(sy));
    Pixel* out = part.Row(y);
    int64_t sx = firstX;
    for (int32_t x = 0; x < part.Width(); ++x) {
      out[x] = in[sx];
      if (++sx == pw) sx = 0;
    }
    if (++sy == ph) sy = 0;
  }
}

}  // namespace

Rect WallpaperPlacement(int32_t pictureWidth, int32_t pictureHeight, WallpaperPosition position,
                        const Rect& area) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || area.Empty()) return Rect{};
  const int64_t pw = pictureWidth, ph = pictureHeight, aw = area.Width(), ah = area.Height();
  // Whether the picture is at least as wide, for its height, as the area.
  const bool wider = pw * ah >= ph * aw;
  switch (position) {
    case WallpaperPosition::kCentre:
      return Centred(pw, ph, area);
    case WallpaperPosition::kTile:
      return Rect{area.left, area.top, static_cast<int32_t>(area.left + pw),
                  static_cast<int32_t>(area.top + ph)};
    case WallpaperPosition::kStretch:
      return area;
    case WallpaperPosition::kFit:
      return wider ? Centred(aw, ScaledLength(ph, aw, pw), area)
                   : Centred(ScaledLength(pw, ah, ph), ah, area);
    case WallpaperPosition::kFill:
    case WallpaperPosition::kSpan:
      return wider ? Centred(ScaledLength(pw, ah, ph), ah, area)
                   : Centred(aw, ScaledLength(ph, aw, pw), area);
  }
  return Rect{};
}

void PaintWallpaper(Surface& dst, int32_t originX, int32_t originY, const Rect& monitor,
                    const Rect& virtualScreen, const Surface* picture, WallpaperPosition position,
                    Pixel colour) {
  const int64_t dstRight = int64_t{originX} + dst.Width();
  const int64_t dstBottom = int64_t{originY} + dst.Height();
  const Rect onDst{originX, originY, static_cast<int32_t>(std::min<int64_t>(dstRight, INT32_MAX)),
                   static_cast<int32_t>(std::min<int64_t>(dstBottom, INT32_MAX))};
  const Rect clip = Intersection(monitor, onDst);
  if (clip.Empty()) return;

  Surface part(clip.Width(), clip.Height(), colour & kColourMask);
  if (picture != nullptr && picture->Width() > 0 && picture->Height() > 0) {
    const Rect& area = position == WallpaperPosition::kSpan ? virtualScreen : monitor;
    const Rect placed = WallpaperPlacement(picture->Width(), picture->Height(), position, area);
    if (position == WallpaperPosition::kTile && !placed.Empty()) {
      Tile(part, clip, *picture, placed.left, placed.top);
    } else if (!placed.Empty()) {
      const Rect shifted{placed.left - clip.left, placed.top - clip.top, placed.right - clip.left,
                         placed.bottom - clip.top};
      StretchPaint(part, shifted, *picture, Rect{0, 0, picture->Width(), picture->Height()});
    }
  }
  BitBlt(dst, clip.left - originX, clip.top - originY, clip.Width(), clip.Height(), part, 0, 0,
         RasterOp::kSrcCopy);
}

}  // namespace frin
