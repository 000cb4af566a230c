// The jpg decoder's marker reading (platform/jpeg_header.h): one function a kind of marker.
#include "platform/jpeg_header.h"

#include <algorithm>

namespace frin::jpeg {
namespace {

uint16_t Be16(std::string_view b, size_t at) {
  return static_cast<uint16_t>((static_cast<uint8_t>(b[at]) << 8) |
                               static_cast<uint8_t>(b[at + 1]));
}

// A table from its code counts by length and its symbols; false when the counts give more codes
// of a length than it can hold.
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

uint8_t Byte(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]);
}

// DQT: one or more quantization tables of 8- or 16-bit entries.
bool ReadQuantTables(std::string_view body, Header& h) {
  for (size_t p = 0; p < body.size();) {
    const int precision = Byte(body, p) >> 4, id = Byte(body, p) & 15;
    const size_t size = precision == 0 ? 64 : 128;
    if (id > 3 || precision > 1 || p + 1 + size > body.size()) return false;
    for (int i = 0; i < 64; ++i)
      h.quant[id][i] = precision == 0 ? Byte(body, p + 1 + i) : Be16(body, p + 1 + 2 * i);
    h.quantDefined[id] = true;
    p += 1 + size;
  }
  return true;
}

// DHT: one or more Huffman tables, each its code counts by length and its symbols.
bool ReadHuffmanTables(std::string_view body, Header& h) {
  for (size_t p = 0; p < body.size();) {
    if (p + 17 > body.size()) return false;
    const int cls = Byte(body, p) >> 4, id = Byte(body, p) & 15;
    if (cls > 1 || id > 3) return false;
    int total = 0;
    uint8_t counts[16];
    for (int i = 0; i < 16; ++i)
      total += counts[i] = Byte(body, p + 1 + i);
    if (total > 256 || p + 17 + total > body.size()) return false;
    Huffman& t = cls == 0 ? h.dc[id] : h.ac[id];
    if (!BuildHuffman(t, counts, reinterpret_cast<const uint8_t*>(body.data()) + p + 17, total))
      return false;
    p += 17 + total;
  }
  return true;
}

// SOF0 or SOF1: the picture's size and its components' sampling and quantization tables.
bool ReadFrame(std::string_view body, Header& h) {
  if (body.size() < 6) return false;
  if (Byte(body, 0) != 8) return false;  // 8-bit samples only
  h.height = Be16(body, 1);
  h.width = Be16(body, 3);
  h.components = Byte(body, 5);
  if (h.height == 0 || h.width == 0) return false;
  if (h.components != 1 && h.components != 3) return false;
  if (body.size() != 6 + 3 * static_cast<size_t>(h.components)) return false;
  for (int c = 0; c < h.components; ++c) {
    Component& k = h.comp[c];
    k.id = Byte(body, 6 + 3 * c);
    k.h = Byte(body, 7 + 3 * c) >> 4;
    k.v = Byte(body, 7 + 3 * c) & 15;
    k.quant = Byte(body, 8 + 3 * c);
    if (k.h < 1 || k.h > 4 || k.v < 1 || k.v > 4 || k.quant > 3) return false;
    h.hMax = std::max(h.hMax, k.h);
    h.vMax = std::max(h.vMax, k.v);
  }
  if (h.components == 1) h.comp[0].h = h.comp[0].v = h.hMax = h.vMax = 1;
  return true;
}

// DRI: MCUs between restart markers, 0 for none.
bool ReadRestartInterval(std::string_view body, Header& h) {
  if (body.size() != 2) return false;
  h.restartInterval = Be16(body, 0);
  return true;
}

// APP14 "Adobe": its transform byte 0 means the three components are red, green and blue.
void ReadAdobe(std::string_view body, Header& h) {
  if (body.size() >= 12 && body.substr(0, 5) == std::string_view("Adobe", 5))
    h.adobeRgb = Byte(body, 11) == 0;
}

// SOS: each component's tables, then the MCU grid. A full spectral range and no successive
// approximation: one sequential scan of every component in frame order, with every table it
// names defined.
bool ReadScan(std::string_view body, Header& h) {
  if (body.size() < 4) return false;
  const int n = Byte(body, 0);
  if (n != h.components || body.size() != 4 + 2 * static_cast<size_t>(n)) return false;
  for (int i = 0; i < n; ++i) {
    Component& k = h.comp[i];
    if (k.id != Byte(body, 1 + 2 * i)) return false;  // in frame order, as every writer puts them
    k.dcTable = Byte(body, 2 + 2 * i) >> 4;
    k.acTable = Byte(body, 2 + 2 * i) & 15;
    if (k.dcTable > 3 || k.acTable > 3 || !h.dc[k.dcTable].defined || !h.ac[k.acTable].defined ||
        !h.quantDefined[k.quant]) {
      return false;
    }
  }
  const size_t s = 1 + 2 * static_cast<size_t>(n);
  if (Byte(body, s) != 0 || Byte(body, s + 1) != 63 || Byte(body, s + 2) != 0) return false;
  const int32_t mcuWidth = 8 * h.hMax, mcuHeight = 8 * h.vMax;
  h.mcusAcross = (h.width + mcuWidth - 1) / mcuWidth;
  h.mcuRows = (h.height + mcuHeight - 1) / mcuHeight;
  for (int c = 0; c < h.components; ++c)
    h.comp[c].blocksPerRow = h.mcusAcross * h.comp[c].h;
  return true;
}

// What a marker met before the scan asks of the reader.
enum class MarkerKind { kSkip, kDecline, kQuant, kHuffman, kFrame, kRestart, kAdobe, kScan };

MarkerKind KindOf(uint8_t marker) {
  switch (marker) {
    case 0xDB:
      return MarkerKind::kQuant;
    case 0xC4:
      return MarkerKind::kHuffman;
    case 0xC0:  // baseline
    case 0xC1:  // extended sequential
      return MarkerKind::kFrame;
    case 0xC8:  // reserved
    case 0xCC:  // arithmetic conditioning, of no use without an arithmetic-coded frame
      return MarkerKind::kSkip;
    case 0xDD:
      return MarkerKind::kRestart;
    case 0xEE:
      return MarkerKind::kAdobe;
    case 0xDA:
      return MarkerKind::kScan;
    case 0x01:  // TEM
    case 0xD9:  // end of picture: no scan
      return MarkerKind::kDecline;
    default:
      break;
  }
  // Progressive, lossless and arithmetic-coded frames are the system decoder's; a restart or a
  // second start of picture is out of place.
  if ((marker >= 0xC2 && marker <= 0xCF) || (marker >= 0xD0 && marker <= 0xD8))
    return MarkerKind::kDecline;
  return MarkerKind::kSkip;  // application data, comments and the like
}

}  // namespace

bool ReadHeader(std::string_view b, Header& h) {
  if (b.size() < 4 || Be16(b, 0) != 0xFFD8) return false;
  size_t at = 2;
  bool frame = false;
  while (at + 4 <= b.size()) {
    if (Byte(b, at) != 0xFF) return false;
    const uint8_t marker = Byte(b, at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const size_t length = Be16(b, at + 2);
    if (length < 2 || at + 2 + length > b.size()) return false;
    const std::string_view body = b.substr(at + 4, length - 2);
    at += 2 + length;
    switch (KindOf(marker)) {
      case MarkerKind::kSkip:
        break;
      case MarkerKind::kDecline:
        return false;
      case MarkerKind::kQuant:
        if (!ReadQuantTables(body, h)) return false;
        break;
      case MarkerKind::kHuffman:
        if (!ReadHuffmanTables(body, h)) return false;
        break;
      case MarkerKind::kFrame:
        if (frame || !ReadFrame(body, h)) return false;
        frame = true;
        break;
      case MarkerKind::kRestart:
        if (!ReadRestartInterval(body, h)) return false;
        break;
      case MarkerKind::kAdobe:
        ReadAdobe(body, h);
        break;
      case MarkerKind::kScan:
        if (!frame || !ReadScan(body, h)) return false;
        h.scanStart = at;
        return true;
    }
  }
  return false;
}

}  // namespace frin::jpeg
