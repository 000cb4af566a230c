#include "resources/sprite_strips.h"

#include "platform/errors.h"

namespace frin {
namespace {

// Legend: each character and its colour (0x00RRGGBB). The colours are entries of a 3-3-2
// colour cube, so the maps convert to an 8-bit palette without loss.
struct LegendEntry {
  char c;
  Pixel colour;
};
constexpr LegendEntry kLegend[] = {
    {'.', 0x000000}, {'d', 0x404040}, {'p', 0x606080}, {'g', 0x808080}, {'o', 0xA0A080},
    {'y', 0xC0C080}, {'b', 0xC0C0FF}, {'k', 0xFFC0FF}, {'l', 0xFFFF80}, {'#', 0xFFFFFF},
};

// White discs with light blue shading on their lower right, for desktop and picture backgrounds.
constexpr SpriteStripMap kStrip0{18,
                                 12,
                                 MaskRow(0),
                                 {
                                     "##################",
                                     "##################",
                                     "#####b####b####b##",
                                     "#####b###bb###b###",
                                     "####bb##bb########",
                                     "##bbb#############",
                                     "#....##...###..###",
                                     "...........#....##",
                                     "...........#....##",
                                     "...........##..###",
                                     "......#...########",
                                     "#....#############",
                                 }};

// Ringed discs in muted colours, for the black background.
constexpr SpriteStripMap kStrip1{21,
                                 14,
                                 MaskRow(1),
                                 {
                                     "#pooop###dpd###pgp###",
                                     "poy#yop#poyop#py#yp##",
                                     "oy#k#yodob#bodg#l#g##",
                                     "o#klk#opy#l#yppy#yp##",
                                     "oy#k#yodob#bod#pgp###",
                                     "poy#yop#poyop########",
                                     "#pooop###dpd#########",
                                     "#.....###...###...###",
                                     ".......#.....#.....##",
                                     "...................##",
                                     "...................##",
                                     "..............#...###",
                                     ".......#.....########",
                                     "#.....###...#########",
                                 }};

constexpr bool MapIsWellFormed(const SpriteStripMap& m) {
  for (int32_t y = 0; y < m.height; ++y) {
    if (m.rows[y].size() != static_cast<size_t>(m.width)) return false;
  }
  return true;
}
static_assert(MapIsWellFormed(kStrip0) && MapIsWellFormed(kStrip1));

}  // namespace

const SpriteStripMap& SpriteStrip(int index) {
  if (index == 0) return kStrip0;
  if (index == 1) return kStrip1;
  RaiseError(kErrSubscript);
}

bool SpriteLegendColour(char c, Pixel& colour) {
  for (const LegendEntry& e : kLegend) {
    if (e.c == c) {
      colour = e.colour;
      return true;
    }
  }
  return false;
}

Surface MakeSpriteStrip(int index) {
  const SpriteStripMap& map = SpriteStrip(index);
  Surface s(map.width, map.height, kWhite);
  for (int32_t y = 0; y < map.height; ++y) {
    for (int32_t x = 0; x < map.width; ++x) {
      Pixel colour = kWhite;
      SpriteLegendColour(map.rows[y][x], colour);
      s.At(x, y) = colour;
    }
  }
  return s;
}

}  // namespace frin
