#include "platform/exif_orientation.h"

#include <cstdint>

namespace frin {
namespace {

constexpr uint32_t kOrientationTag = 0x0112;
constexpr uint32_t kTypeShort = 3, kTypeLong = 4;

// Bytes read in one order or the other; a field past the end reads as absent.
class Fields {
 public:
  Fields(std::string_view b, bool bigEndian) : b_(b), big_(bigEndian) {}
  bool Has(size_t at, size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  uint32_t U8(size_t at) const { return static_cast<uint8_t>(b_[at]); }
  uint32_t U16(size_t at) const {
    return big_ ? U8(at) << 8 | U8(at + 1) : U8(at) | U8(at + 1) << 8;
  }
  uint32_t U32(size_t at) const {
    return big_ ? U16(at) << 16 | U16(at + 2) : U16(at) | U16(at + 2) << 16;
  }

 private:
  std::string_view b_;
  bool big_;
};

int Valid(uint32_t value) {
  return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

// The tag in the first directory of a tiff structure (a tiff file, or the block an Exif segment
// or chunk holds).
int FromTiff(std::string_view tiff) {
  if (tiff.size() < 8) return 1;
  const bool big = tiff.substr(0, 4) == std::string_view("MM\0*", 4);
  if (!big && tiff.substr(0, 4) != std::string_view("II*\0", 4)) return 1;
  const Fields f(tiff, big);
  const size_t directory = f.U32(4);
  if (!f.Has(directory, 2)) return 1;
  const size_t count = f.U16(directory);
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = directory + 2 + 12 * i;
    if (!f.Has(entry, 12)) return 1;
    if (f.U16(entry) != kOrientationTag) continue;
    if (f.U32(entry + 4) != 1) return 1;  // one value, kept in the entry itself
    const uint32_t type = f.U16(entry + 2);
    if (type == kTypeShort) return Valid(f.U16(entry + 8));
    if (type == kTypeLong) return Valid(f.U32(entry + 8));
    return 1;
  }
  return 1;
}

// An Exif block: the tiff structure, after the "Exif\0\0" some writers put before it.
int FromExif(std::string_view exif) {
  constexpr std::string_view kExifHeader("Exif\0\0", 6);
  if (exif.substr(0, 6) == kExifHeader) exif.remove_prefix(6);
  return FromTiff(exif);
}

// The first Exif segment among a jpg's segments before its first scan.
int FromJpeg(std::string_view b) {
  const Fields f(b, true);
  size_t at = 2;
  while (f.Has(at, 4)) {
    if (f.U8(at) != 0xFF) return 1;
    const uint32_t marker = f.U8(at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;  // the data begins: no Exif before it
    const size_t length = f.U16(at + 2);
    if (length < 2 || !f.Has(at + 2, length)) return 1;
    const std::string_view payload = b.substr(at + 4, length - 2);
    if (marker == 0xE1 && payload.substr(0, 6) == std::string_view("Exif\0\0", 6)) {
      return FromExif(payload);
    }
    at += 2 + length;
  }
  return 1;
}

// A png's eXIf chunk, wherever it lies among the chunks.
int FromPng(std::string_view b) {
  const Fields f(b, true);
  for (size_t at = 8; f.Has(at, 12);) {
    const size_t length = f.U32(at);
    if (!f.Has(at + 12, length)) return 1;
    const std::string_view type = b.substr(at + 4, 4);
    if (type == "eXIf") return FromExif(b.substr(at + 8, length));
    if (type == "IEND") return 1;
    at += 12 + length;
  }
  return 1;
}

// A WebP's EXIF chunk.
int FromWebp(std::string_view b) {
  const Fields f(b, false);
  for (size_t at = 12; f.Has(at, 8);) {
    const size_t length = f.U32(at + 4);
    if (!f.Has(at + 8, length)) return 1;
    if (b.substr(at, 4) == "EXIF") return FromExif(b.substr(at + 8, length));
    at += 8 + length + (length & 1);  // chunks are padded to an even length
  }
  return 1;
}

}  // namespace

int ReadOrientation(std::string_view b) {
  if (b.size() >= 4 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xD8) {
    return FromJpeg(b);
  }
  if (b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) return FromPng(b);
  if (b.size() >= 12 && b.substr(0, 4) == "RIFF" && b.substr(8, 4) == "WEBP") return FromWebp(b);
  return FromTiff(b);
}

}  // namespace frin
