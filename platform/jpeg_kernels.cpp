// Both inverse DCTs and both colour conversions. The vector inverse DCT keeps the scalar one's
// arithmetic exactly: the column pass multiplies 16-bit coefficients (and sums of at most four of
// them, which still fit) into full 32-bit products; the row pass multiplies in 32 bits, wrapping
// as the scalar one does; the saturation of the packing instructions is the final clamp to
// 0..255. The vector colour conversion writes each 17-bit constant as a small multiple of a
// 16-bit one (91881 = 3 x 30627, 116130 = 5 x 23226, 46802 = 2 x 23401), so 16-bit lanes give
// the scalar tables' exact 32-bit products.
#include "platform/jpeg_kernels.h"

#include <algorithm>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#define FRIN_JPEG_SSE2 1
#include <emmintrin.h>
#endif

namespace frin {
namespace {

constexpr int kConstBits = 13, kPass1Bits = 2;
// What each pass's sums are shifted down by: to kPass1Bits of fraction, then to whole samples
// (the 3 is the transform's own factor of 8).
constexpr int kPass1Shift = kConstBits - kPass1Bits, kPass2Shift = kConstBits + kPass1Bits + 3;
// The transform's constants, scaled by 2^kConstBits; all below 2^15.
constexpr uint32_t c0_298 = 2446, c0_390 = 3196, c0_541 = 4433, c0_765 = 6270, c0_899 = 7373,
                   c1_175 = 9633, c1_501 = 12299, c1_847 = 15137, c1_961 = 16069, c2_053 = 16819,
                   c2_562 = 20995, c3_072 = 25172;

// The one-dimensional inverse DCT of in[0], in[Stride], ... in[7 * Stride], the eight results
// scaled up by 2^kConstBits and not yet rounded; both passes over a block use it.
template <size_t Stride, typename In>
inline void InverseDct8(const In* in, uint32_t out[8]) {
  const auto at = [&](size_t k) {
    return static_cast<uint32_t>(static_cast<int32_t>(in[k * Stride]));
  };
  // Even part.
  uint32_t z2 = at(2), z3 = at(6);
  uint32_t z1 = (z2 + z3) * c0_541;
  uint32_t tmp2 = z1 - z3 * c1_847, tmp3 = z1 + z2 * c0_765;
  z2 = at(0);
  z3 = at(4);
  uint32_t tmp0 = (z2 + z3) << kConstBits, tmp1 = (z2 - z3) << kConstBits;
  const uint32_t t10 = tmp0 + tmp3, t13 = tmp0 - tmp3, t11 = tmp1 + tmp2, t12 = tmp1 - tmp2;
  // Odd part.
  tmp0 = at(7);
  tmp1 = at(5);
  tmp2 = at(3);
  tmp3 = at(1);
  z1 = tmp0 + tmp3;
  z2 = tmp1 + tmp2;
  z3 = tmp0 + tmp2;
  uint32_t z4 = tmp1 + tmp3;
  const uint32_t z5 = (z3 + z4) * c1_175;
  tmp0 *= c0_298;
  tmp1 *= c2_053;
  tmp2 *= c3_072;
  tmp3 *= c1_501;
  z1 *= 0u - c0_899;
  z2 *= 0u - c2_562;
  z3 = z3 * (0u - c1_961) + z5;
  z4 = z4 * (0u - c0_390) + z5;
  tmp0 += z1 + z3;
  tmp1 += z2 + z4;
  tmp2 += z2 + z3;
  tmp3 += z1 + z4;
  out[0] = t10 + tmp3;
  out[7] = t10 - tmp3;
  out[1] = t11 + tmp2;
  out[6] = t11 - tmp2;
  out[2] = t12 + tmp1;
  out[5] = t12 - tmp1;
  out[3] = t13 + tmp0;
  out[4] = t13 - tmp0;
}

// A block with only its DC term: one sample throughout.
void DcBlock(const int16_t* in, uint8_t* out, size_t stride) {
  const int32_t v = ((static_cast<int32_t>(in[0]) + 4) >> 3) + 128;
  const uint8_t s = static_cast<uint8_t>(std::clamp(v, 0, 255));
  for (int y = 0; y < 8; ++y)
    std::memset(out + stride * y, s, 8);
}

// Columns, then rows, skipping the arithmetic of a column or row whose AC terms are all zero.
void ScalarBlock(const int16_t* in, uint8_t* out, size_t stride) {
  const auto descale = [](uint32_t x, int n) {
    return static_cast<uint32_t>(static_cast<int32_t>(x + (1u << (n - 1))) >> n);
  };
  uint32_t ws[64], sums[8];
  for (int c = 0; c < 8; ++c) {
    if (in[8 + c] == 0 && in[16 + c] == 0 && in[24 + c] == 0 && in[32 + c] == 0 &&
        in[40 + c] == 0 && in[48 + c] == 0 && in[56 + c] == 0) {
      const uint32_t dc = static_cast<uint32_t>(static_cast<int32_t>(in[c])) << kPass1Bits;
      for (int r = 0; r < 8; ++r)
        ws[8 * r + c] = dc;
      continue;
    }
    InverseDct8<8>(in + c, sums);
    for (int r = 0; r < 8; ++r)
      ws[8 * r + c] = descale(sums[r], kPass1Shift);
  }
  const auto sample = [](uint32_t x, int n) {
    const int32_t v = (static_cast<int32_t>(x + (1u << (n - 1))) >> n) + 128;
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
  };
  for (int r = 0; r < 8; ++r) {
    const uint32_t* w = ws + 8 * r;
    uint8_t* o = out + stride * r;
    if (w[1] == 0 && w[2] == 0 && w[3] == 0 && w[4] == 0 && w[5] == 0 && w[6] == 0 && w[7] == 0) {
      std::memset(o, sample(w[0], kPass1Bits + 3), 8);
      continue;
    }
    InverseDct8<1>(w, sums);
    for (int i = 0; i < 8; ++i)
      o[i] = sample(sums[i], kPass2Shift);
  }
}

// The colour conversion's fixed-point terms: red = Y + crR[Cr], blue = Y + cbB[Cb],
// green = Y + ((cbG[Cb] + crG[Cr]) >> 16).
struct ColourTables {
  int32_t crR[256], cbB[256], crG[256], cbG[256];
  constexpr ColourTables() : crR(), cbB(), crG(), cbG() {
    for (int i = 0; i < 256; ++i) {
      const int32_t x = i - 128;
      crR[i] = (91881 * x + 32768) >> 16;
      cbB[i] = (116130 * x + 32768) >> 16;
      crG[i] = -46802 * x;
      cbG[i] = -22554 * x + 32768;
    }
  }
};
constexpr ColourTables kColour;

#ifdef FRIN_JPEG_SSE2

// The 32-bit Windows build runs on processors without SSE2 too: only these functions use it, and
// only where the processor has it.
#ifndef __SSE2__
#pragma GCC push_options
#pragma GCC target("sse2")
#endif

// A constant in every 16-bit lane, or in every 32-bit one.
inline __m128i Splat16(uint32_t k) {
  return _mm_set1_epi16(static_cast<int16_t>(k));
}
inline __m128i Splat32(uint32_t k) {
  return _mm_set1_epi32(static_cast<int32_t>(k));
}

// Full 32-bit products of eight 16-bit lanes by c: lanes 0..3 into lo, 4..7 into hi.
inline void Mul16(__m128i a, __m128i c, __m128i& lo, __m128i& hi) {
  const __m128i low = _mm_mullo_epi16(a, c), high = _mm_mulhi_epi16(a, c);
  lo = _mm_unpacklo_epi16(low, high);
  hi = _mm_unpackhi_epi16(low, high);
}

// The low 32 bits of each lane times c (SSE2 multiplies only two lanes at a time).
inline __m128i Mul32(__m128i a, __m128i c) {
  const __m128i even = _mm_mul_epu32(a, c);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), c);
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// Sign-extends 16-bit lanes 0..3 (lo) and 4..7 (hi) to 32 bits.
inline void Widen(__m128i a, __m128i& lo, __m128i& hi) {
  lo = _mm_srai_epi32(_mm_unpacklo_epi16(a, a), 16);
  hi = _mm_srai_epi32(_mm_unpackhi_epi16(a, a), 16);
}

inline void Transpose4(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
  const __m128i t0 = _mm_unpacklo_epi32(a, b), t1 = _mm_unpackhi_epi32(a, b);
  const __m128i t2 = _mm_unpacklo_epi32(c, d), t3 = _mm_unpackhi_epi32(c, d);
  a = _mm_unpacklo_epi64(t0, t2);
  b = _mm_unpackhi_epi64(t0, t2);
  c = _mm_unpacklo_epi64(t1, t3);
  d = _mm_unpackhi_epi64(t1, t3);
}

// The odd and even halves of the one-dimensional transform on four 32-bit lanes, given the
// products the caller made; in[k] and out[k] as in InverseDct8.
struct Products {
  __m128i z1, tmp2, tmp3;      // even part: (in2 + in6) c0_541, in6 c1_847, in2 c0_765
  __m128i t0, t1, t2, t3, z5;  // odd part: in7 c0_298, in5 c2_053, in3 c3_072, in1 c1_501
  __m128i m1, m2, m3, m4;      // (in7 + in1) c0_899, (in5 + in3) c2_562, ... c1_961, c0_390
};

inline void Combine(const Products& p, __m128i even0, __m128i even4, __m128i out[8]) {
  const __m128i tmp2 = _mm_sub_epi32(p.z1, p.tmp2), tmp3 = _mm_add_epi32(p.z1, p.tmp3);
  const __m128i tmp0 = _mm_slli_epi32(_mm_add_epi32(even0, even4), kConstBits);
  const __m128i tmp1 = _mm_slli_epi32(_mm_sub_epi32(even0, even4), kConstBits);
  const __m128i t10 = _mm_add_epi32(tmp0, tmp3), t13 = _mm_sub_epi32(tmp0, tmp3);
  const __m128i t11 = _mm_add_epi32(tmp1, tmp2), t12 = _mm_sub_epi32(tmp1, tmp2);
  const __m128i z3 = _mm_sub_epi32(p.z5, p.m3), z4 = _mm_sub_epi32(p.z5, p.m4);
  const __m128i o0 = _mm_add_epi32(p.t0, _mm_sub_epi32(z3, p.m1));
  const __m128i o1 = _mm_add_epi32(p.t1, _mm_sub_epi32(z4, p.m2));
  const __m128i o2 = _mm_add_epi32(p.t2, _mm_sub_epi32(z3, p.m2));
  const __m128i o3 = _mm_add_epi32(p.t3, _mm_sub_epi32(z4, p.m1));
  out[0] = _mm_add_epi32(t10, o3);
  out[7] = _mm_sub_epi32(t10, o3);
  out[1] = _mm_add_epi32(t11, o2);
  out[6] = _mm_sub_epi32(t11, o2);
  out[2] = _mm_add_epi32(t12, o1);
  out[5] = _mm_sub_epi32(t12, o1);
  out[3] = _mm_add_epi32(t13, o0);
  out[4] = _mm_sub_epi32(t13, o0);
}

// The column pass over all eight columns: rows[k] holds coefficient row k as 16-bit lanes;
// ws[r] (lanes 0..3) and ws[8 + r] (lanes 4..7) receive row r, descaled to kPass1Bits.
inline void Columns(const __m128i rows[8], __m128i ws[16]) {
  Products lo, hi;
  Mul16(_mm_add_epi16(rows[2], rows[6]), Splat16(c0_541), lo.z1, hi.z1);
  Mul16(rows[6], Splat16(c1_847), lo.tmp2, hi.tmp2);
  Mul16(rows[2], Splat16(c0_765), lo.tmp3, hi.tmp3);
  Mul16(rows[7], Splat16(c0_298), lo.t0, hi.t0);
  Mul16(rows[5], Splat16(c2_053), lo.t1, hi.t1);
  Mul16(rows[3], Splat16(c3_072), lo.t2, hi.t2);
  Mul16(rows[1], Splat16(c1_501), lo.t3, hi.t3);
  const __m128i z1 = _mm_add_epi16(rows[7], rows[1]), z2 = _mm_add_epi16(rows[5], rows[3]);
  const __m128i z3 = _mm_add_epi16(rows[7], rows[3]), z4 = _mm_add_epi16(rows[5], rows[1]);
  Mul16(_mm_add_epi16(z3, z4), Splat16(c1_175), lo.z5, hi.z5);
  Mul16(z1, Splat16(c0_899), lo.m1, hi.m1);
  Mul16(z2, Splat16(c2_562), lo.m2, hi.m2);
  Mul16(z3, Splat16(c1_961), lo.m3, hi.m3);
  Mul16(z4, Splat16(c0_390), lo.m4, hi.m4);
  __m128i e0lo, e0hi, e4lo, e4hi;
  Widen(rows[0], e0lo, e0hi);
  Widen(rows[4], e4lo, e4hi);
  __m128i out[8];
  const __m128i round = _mm_set1_epi32(1 << (kPass1Shift - 1));
  Combine(lo, e0lo, e4lo, out);
  for (int r = 0; r < 8; ++r)
    ws[r] = _mm_srai_epi32(_mm_add_epi32(out[r], round), kPass1Shift);
  Combine(hi, e0hi, e4hi, out);
  for (int r = 0; r < 8; ++r)
    ws[8 + r] = _mm_srai_epi32(_mm_add_epi32(out[r], round), kPass1Shift);
}

// The row pass on four rows: in[k] holds column k of those rows, out[i] receives column i.
inline void Rows(const __m128i in[8], __m128i out[8]) {
  Products p;
  p.z1 = Mul32(_mm_add_epi32(in[2], in[6]), Splat32(c0_541));
  p.tmp2 = Mul32(in[6], Splat32(c1_847));
  p.tmp3 = Mul32(in[2], Splat32(c0_765));
  p.t0 = Mul32(in[7], Splat32(c0_298));
  p.t1 = Mul32(in[5], Splat32(c2_053));
  p.t2 = Mul32(in[3], Splat32(c3_072));
  p.t3 = Mul32(in[1], Splat32(c1_501));
  const __m128i z1 = _mm_add_epi32(in[7], in[1]), z2 = _mm_add_epi32(in[5], in[3]);
  const __m128i z3 = _mm_add_epi32(in[7], in[3]), z4 = _mm_add_epi32(in[5], in[1]);
  p.z5 = Mul32(_mm_add_epi32(z3, z4), Splat32(c1_175));
  p.m1 = Mul32(z1, Splat32(c0_899));
  p.m2 = Mul32(z2, Splat32(c2_562));
  p.m3 = Mul32(z3, Splat32(c1_961));
  p.m4 = Mul32(z4, Splat32(c0_390));
  Combine(p, in[0], in[4], out);
}

// The whole block: the column pass, then the row pass on rows 0..3 and on rows 4..7.
void VectorBlock(const int16_t* in, uint8_t* out, size_t stride) {
  __m128i rows[8], ws[16];
  for (int k = 0; k < 8; ++k)
    rows[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8 * k));
  Columns(rows, ws);
  const __m128i round = _mm_set1_epi32(1 << (kPass2Shift - 1)), bias = _mm_set1_epi32(128);
  for (int g = 0; g < 2; ++g) {
    // Rows 4g..4g+3: columns 0..3 are ws[4g + j], columns 4..7 ws[8 + 4g + j]; transposed, each
    // vector is one column of the four rows.
    __m128i col[8], res[8];
    for (int j = 0; j < 4; ++j) {
      col[j] = ws[4 * g + j];
      col[4 + j] = ws[8 + 4 * g + j];
    }
    Transpose4(col[0], col[1], col[2], col[3]);
    Transpose4(col[4], col[5], col[6], col[7]);
    Rows(col, res);
    for (int i = 0; i < 8; ++i)
      res[i] = _mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(res[i], round), kPass2Shift), bias);
    // Back to rows; the two saturating packs clamp to 0..255.
    Transpose4(res[0], res[1], res[2], res[3]);
    Transpose4(res[4], res[5], res[6], res[7]);
    for (int j = 0; j < 4; ++j) {
      const __m128i words = _mm_packs_epi32(res[j], res[4 + j]);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + stride * static_cast<size_t>(4 * g + j)),
                       _mm_packus_epi16(words, words));
    }
  }
}

// Eight pixels of a row: luma y[0..7], chroma bytes cb and cr in the low lanes (already spread to
// one a pixel).
inline void EightPixels(const uint8_t* y, __m128i cb, __m128i cr, uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(128);
  const __m128i luma =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y)), zero);
  const __m128i b = _mm_sub_epi16(_mm_unpacklo_epi8(cb, zero), bias);
  const __m128i r = _mm_sub_epi16(_mm_unpacklo_epi8(cr, zero), bias);
  const __m128i half = _mm_set1_epi32(32768);
  // red: (3 Cr' x 30627 + 32768) >> 16; blue: (5 Cb' x 23226 + 32768) >> 16; green: (2 Cr' x
  // -23401 + Cb' x -22554 + 32768) >> 16, each product exact in 32 bits.
  const auto term = [&](__m128i lo, __m128i hi, __m128i& outLo, __m128i& outHi) {
    outLo = _mm_srai_epi32(_mm_add_epi32(lo, half), 16);
    outHi = _mm_srai_epi32(_mm_add_epi32(hi, half), 16);
  };
  __m128i lo, hi, redLo, redHi, blueLo, blueHi, greenLo, greenHi;
  Mul16(_mm_add_epi16(r, _mm_add_epi16(r, r)), Splat16(30627), lo, hi);
  term(lo, hi, redLo, redHi);
  Mul16(_mm_add_epi16(b, _mm_slli_epi16(b, 2)), Splat16(23226), lo, hi);
  term(lo, hi, blueLo, blueHi);
  const __m128i pairsLo = _mm_unpacklo_epi16(_mm_add_epi16(r, r), b);
  const __m128i pairsHi = _mm_unpackhi_epi16(_mm_add_epi16(r, r), b);
  const __m128i weights = _mm_set1_epi32(
      static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(-22554)) << 16) |
                           static_cast<uint16_t>(-23401)));
  term(_mm_madd_epi16(pairsLo, weights), _mm_madd_epi16(pairsHi, weights), greenLo, greenHi);
  // Luma added in 16 bits (the sums stay within -300..560), then the packs clamp to 0..255.
  const __m128i red = _mm_packus_epi16(_mm_add_epi16(luma, _mm_packs_epi32(redLo, redHi)), zero);
  const __m128i green =
      _mm_packus_epi16(_mm_add_epi16(luma, _mm_packs_epi32(greenLo, greenHi)), zero);
  const __m128i blue = _mm_packus_epi16(_mm_add_epi16(luma, _mm_packs_epi32(blueLo, blueHi)), zero);
  const __m128i blueGreen = _mm_unpacklo_epi8(blue, green);
  const __m128i redZero = _mm_unpacklo_epi8(red, zero);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(blueGreen, redZero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(blueGreen, redZero));
}

int32_t VectorColourRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift,
                        uint32_t* out, int32_t width) {
  int32_t x = 0;
  if (chromaShift == 0) {
    for (; x + 8 <= width; x += 8) {
      EightPixels(y + x, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + x)),
                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + x)), out + x);
    }
  } else if (chromaShift == 1) {
    for (; x + 8 <= width; x += 8) {
      int32_t b4, r4;
      std::memcpy(&b4, cb + x / 2, 4);
      std::memcpy(&r4, cr + x / 2, 4);
      const __m128i b = _mm_cvtsi32_si128(b4), r = _mm_cvtsi32_si128(r4);
      EightPixels(y + x, _mm_unpacklo_epi8(b, b), _mm_unpacklo_epi8(r, r), out + x);
    }
  }
  return x;
}

#ifndef __SSE2__
#pragma GCC pop_options
#endif

#endif  // FRIN_JPEG_SSE2

// Asked once, before main; every block and row reads the answer.
#if defined(__SSE2__)
constexpr bool kVectorUnit = true;
#elif defined(FRIN_JPEG_SSE2)
const bool kVectorUnit = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2") != 0;
}();
#else
constexpr bool kVectorUnit = false;
#endif

}  // namespace

void InverseDctScalar(const int16_t* in, int last, uint8_t* out, size_t stride) {
  if (last == 0) {
    DcBlock(in, out, stride);
  } else {
    ScalarBlock(in, out, stride);
  }
}

bool InverseDctVector(const int16_t* in, int last, uint8_t* out, size_t stride) {
#ifdef FRIN_JPEG_SSE2
  if (!kVectorUnit) return false;
  if (last == 0) {
    DcBlock(in, out, stride);
  } else {
    VectorBlock(in, out, stride);
  }
  return true;
#else
  (void)in, (void)last, (void)out, (void)stride;
  return false;
#endif
}

void InverseDct(const int16_t* in, int last, uint8_t* out, size_t stride) {
  if (!InverseDctVector(in, last, out, stride)) InverseDctScalar(in, last, out, stride);
}

void YCbCrRowScalar(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const int32_t* yAt,
                    const int32_t* cbAt, const int32_t* crAt, uint32_t* out, int32_t from,
                    int32_t width) {
  for (int32_t x = from; x < width; ++x) {
    const int32_t a = y[yAt[x]], b = cb[cbAt[x]], c = cr[crAt[x]];
    const int32_t red = a + kColour.crR[c], green = a + ((kColour.cbG[b] + kColour.crG[c]) >> 16),
                  blue = a + kColour.cbB[b];
    out[x] = (static_cast<uint32_t>(std::clamp(red, 0, 255)) << 16) |
             (static_cast<uint32_t>(std::clamp(green, 0, 255)) << 8) |
             static_cast<uint32_t>(std::clamp(blue, 0, 255));
  }
}

int32_t YCbCrRowVector(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift,
                       uint32_t* out, int32_t width) {
#ifdef FRIN_JPEG_SSE2
  if (kVectorUnit) return VectorColourRow(y, cb, cr, chromaShift, out, width);
#else
  (void)y, (void)cb, (void)cr, (void)chromaShift, (void)out, (void)width;
#endif
  return 0;
}

void YCbCrRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const int32_t* yAt,
              const int32_t* cbAt, const int32_t* crAt, int chromaShift, uint32_t* out,
              int32_t width) {
  const int32_t done = YCbCrRowVector(y, cb, cr, chromaShift, out, width);
  YCbCrRowScalar(y, cb, cr, yAt, cbAt, crAt, out, done, width);
}

}  // namespace frin
