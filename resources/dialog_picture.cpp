#include "resources/dialog_picture.h"

#include <array>
#include <string_view>

namespace frin {
namespace {

// '#' is the crystal (white), '.' the ground.
// clang-format off
constexpr std::array<std::string_view, kDialogPictureSize> kCrystal = {
    "................................",
    "................................",
    "...............#................",
    "...............#................",
    ".............#.#.#..............",
    "..............###...............",
    "...............#................",
    "............#..#..#.............",
    ".......#..#..#####..#..#........",
    "....##.#..#...###...#..#.##.....",
    "......##..#....#....#..##.......",
    ".....##.###....#....###.##......",
    ".........##....#....##..........",
    "........##.##..#..##.##.........",
    "......##.....#####.....##.......",
    "..............###...............",
    "......##.....#####.....##.......",
    "........##.##..#..##.##.........",
    ".........##....#....##..........",
    ".....##.###....#....###.##......",
    "......##..#....#....#..##.......",
    "....##.#..#...###...#..#.##.....",
    ".......#..#..#####..#..#........",
    "............#..#..#.............",
    "...............#................",
    "..............###...............",
    ".............#.#.#..............",
    "...............#................",
    "...............#................",
    "................................",
    "................................",
    "................................",
};
// clang-format on

}  // namespace

Pixel DialogPictureGround(int32_t row) {
  const auto r = static_cast<Pixel>(row * 3);
  const auto g = static_cast<Pixel>(0x20 + row * 3);
  const auto b = static_cast<Pixel>(0x90 + row * 3);
  return (r << 16) | (g << 8) | b;
}

Surface DialogPicture() {
  Surface s(kDialogPictureSize, kDialogPictureSize);
  for (int32_t y = 0; y < kDialogPictureSize; ++y) {
    const Pixel ground = DialogPictureGround(y);
    for (int32_t x = 0; x < kDialogPictureSize; ++x) {
      s.At(x, y) =
          kCrystal[static_cast<size_t>(y)][static_cast<size_t>(x)] == '#' ? kWhite : ground;
    }
  }
  return s;
}

}  // namespace frin
