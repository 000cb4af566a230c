#include "resources/dialog_picture.h"

#include <algorithm>
#include <array>

#include "platform/errors.h"

namespace frin {
namespace {

// The crystal, in quarters of a pixel of the 32 x 32 picture, from its centre, the centre of
// pixel (15, 15). Six arms, one pointing straight up; each arm has two pairs of branches
// leaving it at 60 degrees on either side, which makes every branch parallel to a neighbouring
// arm. Drawn one pixel wide (scale pixels at a larger scale), these lines give the 32 x 32
// picture exactly as it was drawn by hand.
constexpr int32_t kArmLength = 52;
struct BranchPair {
  int32_t at, length;  // where it leaves the arm, from the centre, and its length
};
constexpr std::array<BranchPair, 2> kBranches = {{{24, 16}, {39, 10}}};

// The six directions, clockwise from straight up, as multiples of (sqrt(3) / 2, 1 / 2).
struct Direction {
  int32_t x, y;
};
constexpr std::array<Direction, 6> kDirections = {
    {{0, -2}, {1, -1}, {1, 1}, {0, 2}, {-1, 1}, {-1, -1}}};

// sqrt(3) in 1 / 65536.
constexpr int64_t kSqrt3 = 113512;

// quarters quarter-pixels along direction d at scale k, in sub-pixels; the irrational part is
// rounded by its size alone, so mirror images stay exact mirror images.
SubPoint Along(int32_t quarters, Direction d, int32_t k) {
  const int64_t half = int64_t{quarters} * k * kSubPixel / 8;  // half a step of d's units
  const int64_t across = (half * kSqrt3 + 32768) / 65536;      // half * sqrt(3), rounded
  return {static_cast<int32_t>(d.x * across), static_cast<int32_t>(d.y * half)};
}

SubPoint Plus(SubPoint a, SubPoint b) {
  return {a.x + b.x, a.y + b.y};
}

}  // namespace

Pixel DialogPictureGround(int32_t row, int32_t scale) {
  const int32_t k = scale < 1 ? 1 : scale;
  // Three steps a row at scale 1, the steps of row r's colour being 3 (r + 1/2) / k - 3/2: the
  // gradient through the middle of each block of k rows, rounded, none below the top's.
  const int64_t twice = 3 * (2 * int64_t{row} + 1 - k);  // the steps times 2 k
  const auto step = static_cast<Pixel>(twice <= 0 ? 0 : (twice + k) / (2 * k));
  return (step << 16) | ((0x20 + step) << 8) | (0x90 + step);
}

Surface DialogPicture(int32_t scale) {
  const int32_t k = scale < 1 ? 1 : scale;
  const int32_t size = CheckedMul(kDialogPictureSize, k);
  Surface s(size, size);
  for (int32_t y = 0; y < size; ++y) {
    std::fill(s.Row(y), s.Row(y) + size, DialogPictureGround(y, k));
  }
  // Lines one 32 x 32 pixel wide, and a hair (a sub-pixel per scale step) more, so that pixels
  // whose centres the lines' edges pass through exactly are filled on both sides alike.
  const int32_t halfWidth = k * (kSubPixel / 2 + 1);
  const int32_t middle = CheckedMul(k, 31 * kSubPixel / 2);
  const SubPoint centre{middle, middle};
  for (size_t a = 0; a < kDirections.size(); ++a) {
    FillRoundLine(s, centre, Plus(centre, Along(kArmLength, kDirections[a], k)), halfWidth, kWhite);
    for (const BranchPair& branch : kBranches) {
      const SubPoint from = Plus(centre, Along(branch.at, kDirections[a], k));
      for (const size_t side : {a + 1, a + 5}) {
        const Direction d = kDirections[side % kDirections.size()];
        FillRoundLine(s, from, Plus(from, Along(branch.length, d, k)), halfWidth, kWhite);
      }
    }
  }
  return s;
}

}  // namespace frin
