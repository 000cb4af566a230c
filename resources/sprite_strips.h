// The two flake sprite strips, shipped inside the program as character maps (one character per
// pixel, see the legend in sprite_strips.cpp). Each strip holds three sprites side by side in
// its upper half and, directly below each, its mask: black where the sprite is opaque, white
// where the background shows through.
//
//   strip 0 (Frin_Pic(0)): 18 x 12, image backgrounds, mask from row 6, cells (0,6) (6,5) (12,4)
//   strip 1 (Frin_Pic(1)): 21 x 14, black background,  mask from row 7, cells (0,7) (7,7) (14,5)
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/raster.h"

namespace frin {

inline constexpr int kSpriteStripCount = 2;

struct SpriteStripMap {
  int32_t width = 0;
  int32_t height = 0;
  int32_t maskRow = 0;                      // first row of the mask half
  std::array<std::string_view, 14> rows{};  // `height` rows, top row first
};

// The map of strip 0 or 1; any other index raises the subscript error.
const SpriteStripMap& SpriteStrip(int index);

// The colour of one map character; false for a character outside the legend.
bool SpriteLegendColour(char c, Pixel& colour);

// The strip as a surface of its own size.
Surface MakeSpriteStrip(int index);

// The first mask row of a strip: 6 in strip 0, 7 in strip 1.
constexpr int32_t MaskRow(int stripIndex) {
  return stripIndex == 0 ? 6 : 7;
}

}  // namespace frin
