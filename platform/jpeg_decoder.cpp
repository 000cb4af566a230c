// The baseline jpg decoder. The headers are read up to the scan; then the scan is decoded a row of
// blocks (an MCU row) at a time. Entropy decoding must run in order, so one thread does it, into
// a ring of row slots; turning a decoded row into pixels (the inverse DCT, the colour conversion)
// needs nothing but its own slot, so whichever thread is free takes the next decoded row. The
// reading thread paints rows too whenever the ring is full, and when it has read the last row.
// With two threads the helper reads, so a decode can begin before anyone waits for the picture;
// the caller paints beside it once it asks.
//
// The inverse DCT and the colour conversion (platform/jpeg_kernels.h) are the common jpg
// libraries' integer ones, so a 4:4:4 picture comes out as those libraries decode it. The
// arithmetic wraps in unsigned integers: a damaged stream may give wrong pixels, never undefined
// behaviour.
#include "platform/jpeg_decoder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/jpeg_kernels.h"
#include "platform/picture_header.h"

namespace frin {
namespace {

constexpr int kMaxComponents = 3;
constexpr int kRingSlots = 8;
// The Huffman tables' one-lookup codes; 10 and 11 bits decoded no faster.
constexpr int kFastBits = 9;

// Position in the block of each coefficient in the order the stream gives them.
constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// A Huffman table: codes of up to kFastBits bits through one lookup, longer ones by length. Where
// a code and the value bits its symbol announces fit in kFastBits together, one more lookup gives
// the coefficient too.
struct Huffman {
  bool defined = false;
  std::array<uint16_t, 1 << kFastBits> fast{};  // (length << 8) | symbol, 0 when the code is longer
  // (value << 8) | (run << 4) | bits used, from the symbol's run (high four bits) and size (low
  // four, not 0); 0 when the code and its value take more than kFastBits.
  std::array<int32_t, 1 << kFastBits> fastValue{};
  std::array<int32_t, 18> maxCode{};  // largest code of each length, -1 when none
  std::array<int32_t, 17> valueOffset{};
  std::array<uint8_t, 256> symbols{};
};

struct Component {
  int id = 0, h = 1, v = 1, quant = 0;
  int dcTable = 0, acTable = 0;
  int blocksPerRow = 0;  // blocks across the whole MCU row (mcusAcross * h)
};

struct Header {
  int32_t width = 0, height = 0;
  int components = 0;
  std::array<Component, kMaxComponents> comp{};
  int hMax = 1, vMax = 1;
  int32_t mcusAcross = 0, mcuRows = 0;
  int32_t restartInterval = 0;
  bool adobeRgb = false;  // an Adobe marker says the three components are red, green, blue
  std::array<std::array<uint16_t, 64>, 4> quant{};  // in stream (zigzag) order
  std::array<bool, 4> quantDefined{};
  std::array<Huffman, 4> dc{}, ac{};
  size_t scanStart = 0;  // offset of the entropy-coded data
};

uint16_t Be16(std::string_view b, size_t at) {
  return static_cast<uint16_t>((static_cast<uint8_t>(b[at]) << 8) |
                               static_cast<uint8_t>(b[at + 1]));
}

bool BuildHuffman(Huffman& t, const uint8_t* counts, const uint8_t* symbols, int total) {
  t = Huffman{};
  std::copy(symbols, symbols + total, t.symbols.begin());
  int32_t code = 0;
  int k = 0;
  for (int len = 1; len <= 16; ++len) {
    t.valueOffset[len] = k - code;
    for (int i = 0; i < counts[len - 1]; ++i, ++k, ++code) {
      if (code >= (1 << len)) return false;  // more codes than the length can hold
      if (len <= kFastBits) {
        const int shift = kFastBits - len;
        for (int j = 0; j < (1 << shift); ++j)
          t.fast[(static_cast<size_t>(code) << shift) | j] =
              static_cast<uint16_t>((len << 8) | symbols[k]);
      }
    }
    t.maxCode[len] = counts[len - 1] > 0 ? code - 1 : -1;
    code <<= 1;
  }
  for (int32_t i = 0; i < (1 << kFastBits); ++i) {
    const int len = t.fast[static_cast<size_t>(i)] >> 8,
              symbol = t.fast[static_cast<size_t>(i)] & 0xFF;
    const int size = symbol & 15;
    if (len == 0 || size == 0 || len + size > kFastBits) continue;
    const int32_t bits = (i >> (kFastBits - len - size)) & ((1 << size) - 1);
    const int32_t value = bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
    t.fastValue[static_cast<size_t>(i)] = value * 256 + (symbol >> 4) * 16 + len + size;
  }
  t.maxCode[17] = INT32_MAX;
  t.defined = true;
  return true;
}

// Reads the markers up to the first scan. False for anything but a single-scan baseline picture
// of one or three components with every table it uses defined.
bool ReadHeader(std::string_view b, Header& h) {
  if (b.size() < 4 || Be16(b, 0) != 0xFFD8) return false;
  size_t at = 2;
  bool frame = false;
  while (at + 4 <= b.size()) {
    if (static_cast<uint8_t>(b[at]) != 0xFF) return false;
    const uint8_t marker = static_cast<uint8_t>(b[at + 1]);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const size_t length = Be16(b, at + 2);
    if (length < 2 || at + 2 + length > b.size()) return false;
    const size_t body = at + 4, end = at + 2 + length;
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(b[i]); };
    if (marker == 0xDB) {  // quantization tables
      for (size_t p = body; p < end;) {
        const int precision = byte(p) >> 4, id = byte(p) & 15;
        const size_t size = precision == 0 ? 64 : 128;
        if (id > 3 || precision > 1 || p + 1 + size > end) return false;
        for (int i = 0; i < 64; ++i)
          h.quant[id][i] = precision == 0 ? byte(p + 1 + i) : Be16(b, p + 1 + 2 * i);
        h.quantDefined[id] = true;
        p += 1 + size;
      }
    } else if (marker == 0xC4) {  // Huffman tables
      for (size_t p = body; p < end;) {
        if (p + 17 > end) return false;
        const int cls = byte(p) >> 4, id = byte(p) & 15;
        if (cls > 1 || id > 3) return false;
        int total = 0;
        uint8_t counts[16];
        for (int i = 0; i < 16; ++i)
          total += counts[i] = byte(p + 1 + i);
        if (total > 256 || p + 17 + total > end) return false;
        Huffman& t = cls == 0 ? h.dc[id] : h.ac[id];
        if (!BuildHuffman(t, counts, reinterpret_cast<const uint8_t*>(b.data()) + p + 17, total))
          return false;
        p += 17 + total;
      }
    } else if (marker == 0xC0 || marker == 0xC1) {  // baseline or extended sequential frame
      if (frame || length < 8) return false;
      frame = true;
      if (byte(body) != 8) return false;
      h.height = Be16(b, body + 1);
      h.width = Be16(b, body + 3);
      h.components = byte(body + 5);
      if (h.height == 0 || h.width == 0) return false;
      if (h.components != 1 && h.components != 3) return false;
      if (length != 8 + 3 * static_cast<size_t>(h.components)) return false;
      for (int c = 0; c < h.components; ++c) {
        Component& k = h.comp[c];
        k.id = byte(body + 6 + 3 * c);
        k.h = byte(body + 7 + 3 * c) >> 4;
        k.v = byte(body + 7 + 3 * c) & 15;
        k.quant = byte(body + 8 + 3 * c);
        if (k.h < 1 || k.h > 4 || k.v < 1 || k.v > 4 || k.quant > 3) return false;
        h.hMax = std::max(h.hMax, k.h);
        h.vMax = std::max(h.vMax, k.v);
      }
      if (h.components == 1) h.comp[0].h = h.comp[0].v = h.hMax = h.vMax = 1;
    } else if ((marker >= 0xC2 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 &&
               marker != 0xCC) {
      return false;               // progressive, lossless, arithmetic-coded: the system's decoder
    } else if (marker == 0xDD) {  // restart interval
      if (length != 4) return false;
      h.restartInterval = Be16(b, body);
    } else if (marker == 0xEE) {  // Adobe: its transform byte 0 means RGB
      if (length >= 14 && b.substr(body, 5) == std::string_view("Adobe", 5)) {
        h.adobeRgb = byte(body + 11) == 0;
      }
    } else if (marker == 0xDA) {  // start of scan
      if (!frame || length < 6) return false;
      const int n = byte(body);
      if (n != h.components || length != 6 + 2 * static_cast<size_t>(n)) return false;
      for (int i = 0; i < n; ++i) {
        const int id = byte(body + 1 + 2 * i);
        Component& k = h.comp[i];
        if (k.id != id) return false;  // in frame order, as every writer puts them
        k.dcTable = byte(body + 2 + 2 * i) >> 4;
        k.acTable = byte(body + 2 + 2 * i) & 15;
        if (k.dcTable > 3 || k.acTable > 3 || !h.dc[k.dcTable].defined ||
            !h.ac[k.acTable].defined || !h.quantDefined[k.quant]) {
          return false;
        }
      }
      const size_t s = body + 1 + 2 * static_cast<size_t>(n);
      if (byte(s) != 0 || byte(s + 1) != 63 || byte(s + 2) != 0) return false;
      h.scanStart = end;
      const int32_t mcuWidth = 8 * h.hMax, mcuHeight = 8 * h.vMax;
      h.mcusAcross = (h.width + mcuWidth - 1) / mcuWidth;
      h.mcuRows = (h.height + mcuHeight - 1) / mcuHeight;
      for (int c = 0; c < h.components; ++c)
        h.comp[c].blocksPerRow = h.mcusAcross * h.comp[c].h;
      return true;
    } else if (marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD8) || marker == 0x01) {
      return false;  // no scan, or a marker out of place
    }
    at = end;  // application data, comments and the like are skipped
  }
  return false;
}

// Reads the entropy-coded bits, taking out the stuffed zero after each 0xFF; a marker ends the
// bits (zeros follow), and fake bits are counted so a stream cut short is noticed.
class BitReader {
 public:
  BitReader(const uint8_t* at, const uint8_t* end) : at_(at), end_(end) {}

  void Fill() {
    while (count_ <= 24) {
      uint32_t byte = 0;
      if (at_ < end_ && !atMarker_) {
        byte = *at_;
        if (byte == 0xFF) {
          if (at_ + 1 < end_ && at_[1] == 0x00) {
            at_ += 2;
          } else {
            atMarker_ = true;
            byte = 0;
            ++fake_;
          }
        } else {
          ++at_;
        }
      } else {
        ++fake_;
      }
      bits_ |= byte << (24 - count_);
      count_ += 8;
    }
  }
  uint32_t Peek(int n) {
    if (count_ < n) Fill();
    return bits_ >> (32 - n);
  }
  void Skip(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  int32_t Receive(int n) {  // n bits as a signed coefficient (1 <= n <= 16)
    if (n == 0) return 0;
    const uint32_t v = Peek(n);
    Skip(n);
    return v < (1u << (n - 1)) ? static_cast<int32_t>(v) - (1 << n) + 1 : static_cast<int32_t>(v);
  }
  // The coefficient of one code and its value bits through the table's fastValue, when they fit;
  // 0 (and nothing read) when they do not, or the symbol has no value bits.
  int32_t DecodeFast(const Huffman& t) {
    const int32_t f = t.fastValue[Peek(kFastBits)];
    if (f != 0) Skip(f & 15);
    return f;
  }
  int Decode(const Huffman& t) {
    const uint32_t peek = Peek(16);
    const uint16_t f = t.fast[peek >> (16 - kFastBits)];
    if (f != 0) {
      Skip(f >> 8);
      return f & 0xFF;
    }
    for (int len = kFastBits + 1; len <= 16; ++len) {
      const int32_t code = static_cast<int32_t>(peek >> (16 - len));
      if (code <= t.maxCode[len]) {
        Skip(len);
        const int32_t index = code + t.valueOffset[len];
        return index >= 0 && index < 256 ? t.symbols[static_cast<size_t>(index)] : -1;
      }
    }
    return -1;
  }
  // Whether bits beyond the end of the data, or past a marker, were used.
  bool Overrun() const { return fake_ * 8 > count_; }
  // At a restart: the rest of the byte is dropped and the marker RSTn must follow.
  bool Restart(int n) {
    bits_ = 0;
    count_ = 0;
    fake_ = 0;
    atMarker_ = false;
    if (at_ + 1 >= end_ || at_[0] != 0xFF || at_[1] != 0xD0 + n) return false;
    at_ += 2;
    return true;
  }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
  uint32_t bits_ = 0;
  int count_ = 0;
  int fake_ = 0;
  bool atMarker_ = false;
};

// One MCU row's coefficients, dequantized, block by block in natural order, with each block's
// last coefficient position (0: only the DC term).
struct Slot {
  std::vector<int16_t> coef;
  std::vector<uint8_t> last;
  std::atomic<bool> full{false};  // it holds a decoded row not yet painted
};

// The whole decode: the header, the ring, the surface, and the two loops.
class Decoder {
 public:
  Decoder(const Header& h, std::string_view bytes, Surface& out)
      : h_(h),
        out_(out),
        reader_(reinterpret_cast<const uint8_t*>(bytes.data()) + h.scanStart,
                reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size()) {
    int blocksPerMcu = 0;
    for (int c = 0; c < h_.components; ++c)
      blocksPerMcu += h_.comp[c].h * h_.comp[c].v;
    const size_t blocks = static_cast<size_t>(blocksPerMcu) * static_cast<size_t>(h_.mcusAcross);
    for (Slot& s : ring_) {
      s.coef.assign(blocks * 64, 0);
      s.last.assign(blocks, 0);
    }
    // Each thread's sample planes of one MCU row, and each component's sample column under
    // every pixel column.
    size_t total = 0;
    for (int c = 0; c < h_.components; ++c) {
      planeOffset_[c] = total;
      planeStride_[c] = static_cast<size_t>(h_.comp[c].blocksPerRow) * 8;
      total += planeStride_[c] * 8 * static_cast<size_t>(h_.comp[c].v);
      columns_[c].resize(static_cast<size_t>(h_.width));
      for (int32_t x = 0; x < h_.width; ++x)
        columns_[c][x] = x * h_.comp[c].h / h_.hMax;
    }
    for (std::vector<uint8_t>& p : planes_)
      p.assign(total, 0);
    // Where luma has a sample under every pixel and both chroma components one under every
    // pixel or every two, rows of pixels can be made eight at a time.
    const auto spread = [&](int c) {
      const int ratio = h_.hMax / h_.comp[c].h;
      return h_.hMax % h_.comp[c].h == 0 && (ratio == 1 || ratio == 2) ? ratio - 1 : -1;
    };
    if (h_.components == 3 && h_.comp[0].h == h_.hMax && spread(1) == spread(2))
      chromaShift_ = spread(1);
  }

  // The reading thread: every row in order, painting whenever the ring is full.
  void Read(HelperThread* helper) {
    std::vector<uint8_t>& planes = planes_[0];
    for (int32_t row = 0; row < h_.mcuRows && !failed_.load(std::memory_order_relaxed); ++row) {
      Slot& slot = ring_[static_cast<size_t>(row % kRingSlots)];
      while (slot.full.load(std::memory_order_acquire)) {
        if (!PaintOne(planes) && helper != nullptr) helper->Pause();
        if (failed_.load(std::memory_order_relaxed)) return;
      }
      if (!DecodeRow(slot)) {
        failed_.store(true, std::memory_order_relaxed);
        return;
      }
      slot.full.store(true, std::memory_order_release);
      decoded_.store(row + 1, std::memory_order_release);
    }
  }

  // Either thread (0 the reading one, 1 the other): paints decoded rows until every row is
  // claimed or the stream failed.
  void PaintAll(HelperThread* helper, int thread) {
    std::vector<uint8_t>& planes = planes_[static_cast<size_t>(thread)];
    while (!failed_.load(std::memory_order_relaxed) &&
           claimed_.load(std::memory_order_relaxed) < h_.mcuRows) {
      if (!PaintOne(planes) && helper != nullptr) helper->Pause();
    }
  }

  bool Failed() const { return failed_.load(); }
  // Both loops end at their next row.
  void Stop() { failed_.store(true, std::memory_order_relaxed); }

 private:
  // Claims the next decoded row and paints it; false when none is ready.
  bool PaintOne(std::vector<uint8_t>& planes) {
    int32_t row = claimed_.load(std::memory_order_relaxed);
    if (row >= decoded_.load(std::memory_order_acquire)) return false;
    if (!claimed_.compare_exchange_strong(row, row + 1, std::memory_order_acq_rel)) return true;
    Slot& slot = ring_[static_cast<size_t>(row % kRingSlots)];
    Paint(row, slot, planes.data());
    slot.full.store(false, std::memory_order_release);
    return true;
  }

  bool DecodeRow(Slot& slot) {
    BitReader r = reader_;
    int16_t* coef = slot.coef.data();
    uint8_t* last = slot.last.data();
    for (int32_t m = 0; m < h_.mcusAcross; ++m) {
      if (h_.restartInterval > 0 && mcu_ > 0 && mcu_ % h_.restartInterval == 0) {
        if (r.Overrun() || !r.Restart(restarts_ & 7)) return false;
        ++restarts_;
        dcPred_.fill(0);
      }
      ++mcu_;
      for (int c = 0; c < h_.components; ++c) {
        const Component& k = h_.comp[c];
        const Huffman& dc = h_.dc[k.dcTable];
        const Huffman& ac = h_.ac[k.acTable];
        const uint16_t* q = h_.quant[k.quant].data();
        for (int b = 0; b < k.h * k.v; ++b, coef += 64, ++last) {
          int32_t diff = r.DecodeFast(dc);
          if (diff != 0) {
            if ((diff & 0xF0) != 0) return false;  // a DC symbol is a size alone, no run
            diff >>= 8;
          } else {
            const int s = r.Decode(dc);
            if (s < 0 || s > 15) return false;
            diff = r.Receive(s);
          }
          dcPred_[c] = static_cast<int32_t>(static_cast<uint32_t>(dcPred_[c]) +
                                            static_cast<uint32_t>(diff)) &
                       0xFFFF;
          const int32_t dcValue = static_cast<int16_t>(dcPred_[c]);
          coef[0] = Clamp(dcValue * static_cast<int32_t>(q[0]));
          int lastK = 0;
          for (int k2 = 1; k2 < 64;) {
            int run = 0;
            int32_t value = r.DecodeFast(ac);
            if (value != 0) {
              run = (value >> 4) & 15;
              value >>= 8;
            } else {
              const int rs = r.Decode(ac);
              if (rs < 0) return false;
              run = rs >> 4;
              const int size = rs & 15;
              if (size == 0) {
                if (run != 15) break;
                k2 += 16;
                continue;
              }
              value = r.Receive(size);
            }
            k2 += run;
            if (k2 > 63) return false;
            coef[kZigzag[k2]] = Clamp(value * static_cast<int32_t>(q[k2]));
            lastK = k2++;
          }
          *last = static_cast<uint8_t>(lastK);
        }
      }
      if (r.Overrun()) return false;
    }
    reader_ = r;
    return true;
  }

  // Dequantized coefficients are held to what any encoder of 8-bit samples can produce.
  static int16_t Clamp(int32_t v) { return static_cast<int16_t>(std::clamp(v, -8192, 8191)); }

  // The row's blocks through the inverse DCT into sample planes, then into pixels.
  // The slot's coefficients are left zero for the next row it holds: the reading thread writes
  // only the nonzero ones.
  void Paint(int32_t row, Slot& slot, uint8_t* planes) {
    const size_t* planeOffset = planeOffset_.data();
    const size_t* planeStride = planeStride_.data();
    int16_t* coef = slot.coef.data();
    const uint8_t* last = slot.last.data();
    for (int32_t m = 0; m < h_.mcusAcross; ++m) {
      for (int c = 0; c < h_.components; ++c) {
        const Component& k = h_.comp[c];
        for (int by = 0; by < k.v; ++by) {
          for (int bx = 0; bx < k.h; ++bx, coef += 64, ++last) {
            uint8_t* at = planes + planeOffset[c] + planeStride[c] * 8 * by +
                          (static_cast<size_t>(m) * k.h + bx) * 8;
            InverseDct(coef, *last, at, planeStride[c]);
            std::memset(coef, 0, *last == 0 ? sizeof *coef : 64 * sizeof *coef);
          }
        }
      }
    }
    const int32_t top = row * 8 * h_.vMax;
    const int32_t rows = std::min(8 * h_.vMax, h_.height - top);
    const int32_t width = h_.width;
    for (int32_t y = 0; y < rows; ++y) {
      Pixel* px = out_.Row(top + y);
      const uint8_t* p[kMaxComponents];
      for (int c = 0; c < h_.components; ++c) {
        const int32_t planeRow = y * h_.comp[c].v / h_.vMax;
        p[c] = planes + planeOffset[c] + planeStride[c] * static_cast<size_t>(planeRow);
      }
      if (h_.components == 1) {
        for (int32_t x = 0; x < width; ++x)
          px[x] = Pixel{p[0][x]} * 0x010101u;
        continue;
      }
      const int32_t* m0 = columns_[0].data();
      const int32_t* m1 = columns_[1].data();
      const int32_t* m2 = columns_[2].data();
      if (!h_.adobeRgb) {
        YCbCrRow(p[0], p[1], p[2], m0, m1, m2, chromaShift_, px, width);
        continue;
      }
      for (int32_t x = 0; x < width; ++x)
        px[x] = (Pixel(p[0][m0[x]]) << 16) | (Pixel(p[1][m1[x]]) << 8) | Pixel(p[2][m2[x]]);
    }
  }

  const Header& h_;
  Surface& out_;
  BitReader reader_;
  std::array<Slot, kRingSlots> ring_;
  std::array<std::vector<uint8_t>, 2> planes_;
  std::array<size_t, kMaxComponents> planeOffset_{}, planeStride_{};
  std::array<std::vector<int32_t>, kMaxComponents> columns_;
  std::array<int32_t, kMaxComponents> dcPred_{};
  int64_t mcu_ = 0;
  int restarts_ = 0;
  std::atomic<int32_t> decoded_{0}, claimed_{0};
  std::atomic<bool> failed_{false};
  int chromaShift_ = -1;  // pixel x's chroma samples at x >> chromaShift_ in their rows, if not -1
};

// How far a job has come: its helper thread is still reading the header and making the surface,
// rows are being decoded, or it ended before any (no baseline jpg, no room).
enum class Stage : int { kSettingUp, kRunning, kOver };

}  // namespace

struct JpegJob::Work {
  std::string_view bytes;
  HelperThread* helper = nullptr;  // set when the helper thread took the reading
  Header header;
  std::optional<Surface> out;
  std::optional<Decoder> decoder;
  std::atomic<Stage> stage{Stage::kSettingUp};
  JpegOutcome outcome = JpegOutcome::kDeclined;  // when over without running

  // The header, the surface and the decoder; the stage then says whether rows follow.
  void SetUp() {
    Stage next = Stage::kOver;
    if (ReadHeader(bytes, header) && PictureSizeAllowed(header.width, header.height)) {
      try {
        out.emplace(Surface::Unfilled(header.width, header.height));  // every row is painted
        decoder.emplace(header, bytes, *out);
        next = Stage::kRunning;
      } catch (const std::bad_alloc&) {
        // A picture this process has no room for gives the black background.
        decoder.reset();
        out.reset();
        outcome = JpegOutcome::kDecoded;
      }
    }
    stage.store(next, std::memory_order_release);
  }

  // The helper thread's part when it reads: everything until the last row is claimed.
  static void RunReader(void* arg) {
    Work& w = *static_cast<Work*>(arg);
    w.SetUp();
    if (w.stage.load(std::memory_order_relaxed) != Stage::kRunning) return;
    w.decoder->Read(w.helper);
    w.decoder->PaintAll(w.helper, 0);
  }
};

JpegJob::JpegJob(std::string_view bytes) : work_(std::make_unique<Work>()) {
  work_->bytes = bytes;
}

JpegJob::~JpegJob() {
  if (work_ == nullptr || work_->helper == nullptr) return;
  // Unfinished: the picture is not wanted any more.
  Work& w = *work_;
  while (w.stage.load(std::memory_order_acquire) == Stage::kSettingUp)
    w.helper->Pause();
  if (w.stage.load(std::memory_order_acquire) == Stage::kRunning) w.decoder->Stop();
  w.helper->Join();
}

bool JpegJob::Begin(HelperThread* helper) {
  if (helper == nullptr || work_->helper != nullptr) return false;
  work_->helper = helper;
  if (helper->Start(Work::RunReader, work_.get())) return true;
  work_->helper = nullptr;
  return false;
}

JpegResult JpegJob::Finish() {
  Work& w = *work_;
  if (w.helper == nullptr) {
    // Not begun: all of it here.
    w.SetUp();
    if (w.stage.load() == Stage::kRunning) {
      w.decoder->Read(nullptr);
      w.decoder->PaintAll(nullptr, 0);
    }
  } else {
    // The helper reads; this thread paints beside it from the next decoded row on.
    while (w.stage.load(std::memory_order_acquire) == Stage::kSettingUp)
      w.helper->Pause();
    if (w.stage.load(std::memory_order_acquire) == Stage::kRunning)
      w.decoder->PaintAll(w.helper, 1);
    w.helper->Join();
    w.helper = nullptr;
  }
  JpegResult result;
  result.outcome = w.outcome;
  if (w.decoder) {
    const bool failed = w.decoder->Failed();
    w.decoder.reset();
    if (!failed) {
      w.out->Damage().Clear();
      result.picture = std::move(w.out);
      result.outcome = JpegOutcome::kDecoded;
    }
    w.out.reset();
  }
  return result;
}

JpegResult DecodeBaselineJpeg(std::string_view bytes, HelperThread* helper) {
  JpegJob job(bytes);
  job.Begin(helper);
  return job.Finish();
}

}  // namespace frin
