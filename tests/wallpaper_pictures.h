// The wallpaper tests' picture and colours: a 2 x 2 picture of four colours and the desktop's
// background colour, so that every pixel of a laid-out wallpaper names where it came from.
#pragma once

#include "platform/raster.h"

namespace frin::wallpaper_test {

inline constexpr Pixel kA = 0x110000, kB = 0x002200, kC = 0x000033, kD = 0x440044;
inline constexpr Pixel kBack = 0x3A6EA5;  // the desktop's background colour

// A 2 x 2 picture: a b / c d.
inline Surface Quad() {
  Surface s(2, 2);
  s.At(0, 0) = kA;
  s.At(1, 0) = kB;
  s.At(0, 1) = kC;
  s.At(1, 1) = kD;
  return s;
}

}  // namespace frin::wallpaper_test
