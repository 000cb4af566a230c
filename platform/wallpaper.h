// The wallpaper as the desktop draws it: what the saver shows for a monitor whose desktop copy
// cannot show the user's desktop (the saver runs on another desktop, the copy failed, or the
// screen was blanked). Pure layout over the raster, so both backends give the same pixels.
#pragma once

#include <cstdint>
#include <string>

#include "platform/raster.h"

namespace frin {

// The positions the system offers, numbered as its desktop-wallpaper interface numbers them
// (DESKTOP_WALLPAPER_POSITION).
enum class WallpaperPosition : int32_t {
  kCentre = 0,   // the picture unscaled, centred; larger pictures cropped
  kTile = 1,     // the picture unscaled, repeated from the monitor's top-left corner
  kStretch = 2,  // scaled to the monitor exactly, the aspect ratio lost
  kFit = 3,      // scaled whole into the monitor, aspect kept, bars of the colour
  kFill = 4,     // scaled to cover the monitor, aspect kept, the excess cropped evenly
  kSpan = 5,     // one picture covering the whole virtual screen as fill covers a monitor
};

// What the system says of one monitor's wallpaper. An empty path: no wallpaper, the colour alone.
struct WallpaperSettings {
  std::string path;  // UTF-8
  WallpaperPosition position = WallpaperPosition::kFill;
  Pixel colour = kBlack;  // the desktop's background colour, 0x00RRGGBB
  // The system's own copy of the current wallpaper, read where the named file is gone; may be
  // empty.
  std::string keptCopy;
  bool operator==(const WallpaperSettings&) const = default;
};

// The rectangle, in the coordinates of `area`, where the picture of width x height pixels is
// drawn for the position (for kTile, the first tile at the area's top-left corner). Empty when
// there is no picture or the layout would be absurdly large.
Rect WallpaperPlacement(int32_t pictureWidth, int32_t pictureHeight, WallpaperPosition position,
                        const Rect& area);

// Paints the part of `monitor` that lies on dst with that monitor's wallpaper: the colour, then
// the picture laid out for the position (over `virtualScreen` for kSpan, over the monitor
// otherwise), clipped to the monitor. dst's pixel (0, 0) is the virtual-screen point `origin`.
// A null picture paints the colour alone. Nothing outside the monitor changes.
void PaintWallpaper(Surface& dst, int32_t originX, int32_t originY, const Rect& monitor,
                    const Rect& virtualScreen, const Surface* picture, WallpaperPosition position,
                    Pixel colour);

}  // namespace frin
