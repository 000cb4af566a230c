// The vector kernels against the scalar ones: the inverse DCT gives the same samples for every
// kind of block the decoder can hold, the extremes of the dequantized range included; the colour
// conversion the same pixels for every luma and chroma value, with chroma under every pixel and
// under every two.
#include "platform/jpeg_kernels.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <random>
#include <vector>

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

TEST(JpegKernels, TheVectorUnitGivesTheScalarSamples) {
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

TEST(JpegKernels, TheVectorUnitGivesTheScalarColours) {
  // Rows that cover every (Y, Cb, Cr) of a coarse grid plus random ones, of widths that leave
  // a tail for the scalar conversion; the extremes 0 and 255 are on the grid.
  std::mt19937 random(7);
  for (const int shift : {0, 1}) {
    for (const int32_t width : {8, 13, 2051}) {
      SCOPED_TRACE(::testing::Message() << "shift " << shift << ", width " << width);
      const int32_t chroma = (width >> shift) + 1;
      std::vector<uint8_t> y(static_cast<size_t>(width)), cb(static_cast<size_t>(chroma)),
          cr(static_cast<size_t>(chroma));
      for (int pass = 0; pass < 64; ++pass) {
        for (int32_t x = 0; x < width; ++x)
          y[static_cast<size_t>(x)] =
              static_cast<uint8_t>(pass < 32 ? (x * 51 + pass) % 256 : random() % 256);
        for (int32_t x = 0; x < chroma; ++x) {
          cb[static_cast<size_t>(x)] = static_cast<uint8_t>(pass < 32 ? (x * 17) % 256 : random());
          cr[static_cast<size_t>(x)] =
              static_cast<uint8_t>(pass < 32 ? (pass * 8 + x / 16) % 256 : random());
        }
        std::vector<int32_t> at(static_cast<size_t>(width)), chromaAt(static_cast<size_t>(width));
        std::iota(at.begin(), at.end(), 0);
        for (int32_t x = 0; x < width; ++x)
          chromaAt[static_cast<size_t>(x)] = x >> shift;
        std::vector<uint32_t> scalar(static_cast<size_t>(width), 1u), vector(scalar);
        YCbCrRowScalar(y.data(), cb.data(), cr.data(), at.data(), chromaAt.data(), chromaAt.data(),
                       scalar.data(), 0, width);
        const int32_t done =
            YCbCrRowVector(y.data(), cb.data(), cr.data(), shift, vector.data(), width);
        if (done == 0) GTEST_SKIP() << "no vector unit";
        ASSERT_EQ(done, width / 8 * 8);
        ASSERT_TRUE(std::equal(vector.begin(), vector.begin() + done, scalar.begin()));
        if (done < width) {
          ASSERT_EQ(vector[static_cast<size_t>(done)], 1u) << "past the groups of eight";
        }
        YCbCrRow(y.data(), cb.data(), cr.data(), at.data(), chromaAt.data(), chromaAt.data(), shift,
                 vector.data(), width);
        ASSERT_EQ(vector, scalar);
      }
    }
  }
}

}  // namespace
}  // namespace frin
