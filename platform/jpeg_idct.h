// The inverse DCT of the jpg decoder: the accurate integer transform of the common jpg libraries
// (13-bit constants, columns then rows, two bits kept between the passes). The processor's
// vector unit (SSE2) runs it where it has one, with the same integer arithmetic, so the samples
// are the same either way.
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

}  // namespace frin
