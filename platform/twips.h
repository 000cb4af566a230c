// The one conversion between twips and pixels. Each axis has one integer twips per pixel, the
// runtime's ratio 1440 / dots per inch rounded to the nearest integer (ties to even); the screen's
// size in twips is its size in pixels times that integer, and twips convert back to pixels at the
// same integer. Both backends and the start-up use these functions, so a scene of
// screen-twips / twips-per-pixel pixels covers exactly the screen's pixels at every scaling.
#pragma once

#include <cstdint>

#include "platform/module_api.h"

namespace frin {

// 1440 / dpi rounded ties to even (15 at 96, 12 at 120, 9 at 168, 8 at 192, 4 at 320); 15 when the
// system reports no resolution; never below 1.
int32_t TwipsPerPixelAtDpi(int32_t dpi);

// The integer scale of a display of this many dots per inch: dpi / 96 to the nearest integer,
// halves up, never below 1 (1 up to 143 dpi, 2 from 144 to 239, 3 from 240 to 335).
int32_t ScaleAtDpi(int32_t dpi);

// A reported twips per pixel as the program's integer ratio: rounded ties to even, never below 1.
// What start-up computes for the scene, and what the backends measure with.
int32_t IntegerTwipsPerPixel(float reported);

// The screen object of a screen of the given pixels at the given integer ratios.
ScreenInfo ScreenFromPixels(int32_t widthPixels, int32_t heightPixels, int32_t twipsPerPixelX,
                            int32_t twipsPerPixelY);

// Twips to pixels at an integer ratio, to the nearest pixel (halves away from zero), clamped to 32
// bits; multiples of the ratio convert exactly. A ratio below 1 counts as 15.
int32_t TwipsToPixels(int64_t twips, int32_t twipsPerPixel);

}  // namespace frin
