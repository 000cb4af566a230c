// The baseline jpg decoder. The headers are read up to the scan (platform/jpeg_header.h); then the
// scan is decoded a row of blocks (an MCU row) at a time, each block by DecodeBlock. Entropy
// decoding must run in order, so one thread does it, into a ring of row slots; turning a decoded
// row into pixels (the inverse DCT, the colour conversion) needs nothing but its own slot, so
// whichever thread is free takes the next decoded row. The reading thread paints rows too whenever
// the ring is full, and when it has read the last row. With two threads the helper reads, so a
// decode can begin before anyone waits for the picture; the caller paints beside it once it asks.
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

#include "platform/jpeg_header.h"
#include "platform/jpeg_kernels.h"
#include "platform/picture_header.h"

namespace frin {
namespace {

using jpeg::Component;
using jpeg::Header;
using jpeg::Huffman;
using jpeg::kFastBits;
using jpeg::kMaxComponents;

constexpr int kRingSlots = 8;

// Position in the block of each coefficient in the order the stream gives them.
constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

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

// Dequantized coefficients are held to what any encoder of 8-bit samples can produce.
int16_t ClampCoefficient(int32_t v) {
  return static_cast<int16_t>(std::clamp(v, -8192, 8191));
}

// One block of the scan: the DC term (a difference from the component's previous one, kept in
// dcPred) and the AC terms as runs of zeros and values, dequantized by q into coef in natural
// order. coef arrives zero and only nonzero entries are written. Gives the last coefficient's
// position in stream order (0: the DC term alone), or -1 for a damaged block.
int DecodeBlock(BitReader& r, const Huffman& dc, const Huffman& ac, const uint16_t* q,
                int32_t& dcPred, int16_t* coef) {
  int32_t diff = r.DecodeFast(dc);
  if (diff != 0) {
    if ((diff & 0xF0) != 0) return -1;  // a DC symbol is a size alone, no run
    diff >>= 8;
  } else {
    const int s = r.Decode(dc);
    if (s < 0 || s > 15) return -1;
    diff = r.Receive(s);
  }
  dcPred =
      static_cast<int32_t>(static_cast<uint32_t>(dcPred) + static_cast<uint32_t>(diff)) & 0xFFFF;
  coef[0] = ClampCoefficient(static_cast<int16_t>(dcPred) * static_cast<int32_t>(q[0]));
  int lastK = 0;
  for (int k = 1; k < 64;) {
    int run = 0;
    int32_t value = r.DecodeFast(ac);
    if (value != 0) {
      run = (value >> 4) & 15;
      value >>= 8;
    } else {
      const int rs = r.Decode(ac);
      if (rs < 0) return -1;
      run = rs >> 4;
      const int size = rs & 15;
      if (size == 0) {
        if (run != 15) break;  // end of block
        k += 16;               // sixteen zeros
        continue;
      }
      value = r.Receive(size);
    }
    k += run;
    if (k > 63) return -1;
    coef[kZigzag[k]] = ClampCoefficient(value * static_cast<int32_t>(q[k]));
    lastK = k++;
  }
  return lastK;
}

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
          const int lastK = DecodeBlock(r, dc, ac, q, dcPred_[c], coef);
          if (lastK < 0) return false;
          *last = static_cast<uint8_t>(lastK);
        }
      }
      if (r.Overrun()) return false;
    }
    reader_ = r;
    return true;
  }

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
