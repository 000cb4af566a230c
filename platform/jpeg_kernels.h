// The jpg decoder's arithmetic on blocks and rows: the inverse DCT (the accurate integer
// transform of the common jpg libraries: 13-bit constants, columns then rows, two bits kept
// between the passes) and the colour conversion (their 16-bit fixed-point YCbCr to RGB). The
// processor's vector unit (SSE2) runs both where it has one, with the same integer arithmetic, so
// the samples and pixels are the same either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frin {

// One dequantized block (natural order) into 8 x 8 samples at out, rows stride bytes apart.
// last: the zigzag position of the last coefficient that may be nonzero (0: only the DC term).
void InverseDct(const int16_t* in, int last, uint8_t* out, size_t stride);

// Each way on its own, for the tests: one coefficient at a time, and on the vector unit (false,
// and nothing written, on a processor without one).
void InverseDctScalar(const int16_t* in, int last, uint8_t* out, size_t stride);
bool InverseDctVector(const int16_t* in, int last, uint8_t* out, size_t stride);

// One row of width pixels (0x00RRGGBB) from its rows of luma and chroma samples: pixel x takes
// y[yAt[x]], cb[cbAt[x]] and cr[crAt[x]]. chromaShift says the same more simply where it can (0:
// luma and chroma at x; 1: luma at x, chroma at x / 2; -1: neither), so the row runs on the
// vector unit.
void YCbCrRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const int32_t* yAt,
              const int32_t* cbAt, const int32_t* crAt, int chromaShift, uint32_t* out,
              int32_t width);

// Each way on its own, for the tests: the scalar one makes pixels from..width-1; the vector one
// makes whole groups of eight from 0 and returns how many pixels it made (0 on a processor
// without a vector unit, or for a chromaShift of -1).
void YCbCrRowScalar(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const int32_t* yAt,
                    const int32_t* cbAt, const int32_t* crAt, uint32_t* out, int32_t from,
                    int32_t width);
int32_t YCbCrRowVector(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift,
                       uint32_t* out, int32_t width);

}  // namespace frin
