// The vector inverse DCT against the scalar one: the same samples for every kind of block the
// decoder can hold, the extremes of the dequantized range included.
#include "platform/jpeg_idct.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace frin {
namespace {

using Block = std::array<int16_t, 64>;
using Samples = std::array<uint8_t, 8 * 12>;  // 8 rows of 12 bytes: the block and 4 untouched

// Both ways into a frame whose stride is wider than the block; the bytes beside it must stay.
void ExpectTheSame(const Block& in, int last) {
  Samples scalar, vector;
  scalar.fill(0xA5);
  vector.fill(0xA5);
  InverseDctScalar(in.data(), last, scalar.data(), 12);
  if (!InverseDctVector(in.data(), last, vector.data(), 12)) GTEST_SKIP() << "no vector unit";
  ASSERT_EQ(scalar, vector);
  for (int r = 0; r < 8; ++r) {
    for (int i = 8; i < 12; ++i)
      ASSERT_EQ(vector[static_cast<size_t>(12 * r + i)], 0xA5);
  }
}

TEST(JpegIdct, TheVectorUnitGivesTheScalarSamples) {
  std::mt19937 random(20261208);
  const auto draw = [&](int lo, int hi) {
    return static_cast<int16_t>(std::uniform_int_distribution<int>(lo, hi)(random));
  };
  for (int n = 0; n < 20000; ++n) {
    SCOPED_TRACE(n);
    Block in{};
    // Small photographs' values, the whole dequantized range, and sparse blocks whose zero
    // columns and rows the scalar transform skips.
    const int kind = n % 4;
    for (size_t k = 0; k < 64; ++k) {
      if (kind == 0) in[k] = draw(-64, 64);
      if (kind == 1) in[k] = draw(-8192, 8191);
      if (kind == 2 && draw(0, 7) == 0) in[k] = draw(-2048, 2048);
      if (kind == 3 && (k % 8 == 0 || k < 8)) in[k] = draw(-8192, 8191);
    }
    ExpectTheSame(in, 63);
  }
  // Every coefficient at each extreme, alone and all together.
  for (const int16_t v : {int16_t{-8192}, int16_t{8191}}) {
    Block all;
    all.fill(v);
    ExpectTheSame(all, 63);
    for (size_t k = 0; k < 64; ++k) {
      Block one{};
      one[k] = v;
      ExpectTheSame(one, 63);
    }
    Block dc{};
    dc[0] = v;
    ExpectTheSame(dc, 0);
  }
  // Alternating signs drive the sums of the column pass to their limits.
  Block checker;
  for (size_t k = 0; k < 64; ++k)
    checker[k] = (k / 8 + k % 8) % 2 == 0 ? int16_t{8191} : int16_t{-8192};
  ExpectTheSame(checker, 63);
}

}  // namespace
}  // namespace frin
