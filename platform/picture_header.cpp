// Reading what a picture file promises before it is decoded: the size of a bmp, jpg, gif or icon
// from its header, and of a wmf from its records, with the work its drawing would take.
#include "platform/picture_header.h"

#include <cstdlib>
#include <cstring>

namespace frin {
namespace {

// Little- and big-endian fields; a field past the end reads as absent.
class Bytes {
 public:
  explicit Bytes(std::string_view b) : b_(b) {}
  size_t Size() const { return b_.size(); }
  bool Has(size_t at, size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  uint32_t U8(size_t at) const { return static_cast<uint8_t>(b_[at]); }
  uint32_t Le16(size_t at) const { return U8(at) | U8(at + 1) << 8; }
  uint32_t Le32(size_t at) const { return Le16(at) | Le16(at + 2) << 16; }
  uint32_t Be16(size_t at) const { return U8(at) << 8 | U8(at + 1); }
  uint32_t Be32(size_t at) const { return Be16(at) << 16 | Be16(at + 2); }
  // The first position from at that holds the byte v, or Size().
  size_t Find(uint8_t v, size_t at) const {
    if (at >= b_.size()) return b_.size();
    const void* p = std::memchr(b_.data() + at, v, b_.size() - at);
    return p == nullptr ? b_.size() : static_cast<size_t>(static_cast<const char*>(p) - b_.data());
  }

 private:
  std::string_view b_;
};

// The longest colour table a bitmap of this many bits a pixel may carry: one entry a colour the
// bits can name, 256 beyond 8 bits.
uint32_t ColourTableLimit(uint32_t bits) {
  return bits <= 8 ? 1u << bits : 256u;
}

std::optional<PictureExtent> Extent(PictureFormat format, int64_t width, int64_t height) {
  if (!PictureSizeAllowed(width, height)) return std::nullopt;
  return PictureExtent{format, static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

std::optional<PictureExtent> Bmp(const Bytes& b) {
  if (!b.Has(14, 4)) return std::nullopt;
  // The pixels start within the file (a decoder reserves everything up to them first).
  if (b.Le32(10) > b.Size()) return std::nullopt;
  const uint32_t headerSize = b.Le32(14);
  // The header forms there are: core, OS/2 (16 to 64 bytes), info and its extensions.
  if (headerSize != 12 && headerSize != 16 && headerSize != 40 && headerSize != 52 &&
      headerSize != 56 && headerSize != 64 && headerSize != 108 && headerSize != 124) {
    return std::nullopt;
  }
  if (headerSize == 12) {  // the OS/2 core header: 16-bit sides
    if (!b.Has(18, 4)) return std::nullopt;
    return Extent(PictureFormat::kBmp, b.Le16(18), b.Le16(20));
  }
  if (!b.Has(18, 8)) return std::nullopt;
  // A colour table longer than the bits can name: a decoder would reserve it all first.
  if (headerSize >= 40) {
    if (!b.Has(46, 4)) return std::nullopt;
    if (b.Le32(46) > ColourTableLimit(b.Le16(28))) return std::nullopt;
  }
  const int64_t width = static_cast<int32_t>(b.Le32(18));
  const int64_t height = std::llabs(static_cast<int32_t>(b.Le32(22)));  // negative: top-down
  return Extent(PictureFormat::kBmp, width, height);
}

bool IsStartOfFrame(uint32_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<PictureExtent> Jpeg(const Bytes& b) {
  int64_t width = 0, height = 0;
  bool progressive = false;
  int64_t scans = 0;
  size_t at = 2;
  while (b.Has(at, 2)) {
    if (b.U8(at) != 0xFF) return std::nullopt;  // a marker must follow a segment
    const uint32_t marker = b.U8(at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0xD9) break;                                           // end of image
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (!b.Has(at, 2) || b.Be16(at) < 2) break;  // cut short: the decoder decides
    const size_t length = b.Be16(at);
    if (IsStartOfFrame(marker)) {
      if (!b.Has(at, 7)) return std::nullopt;
      height = b.Be16(at + 3);
      width = b.Be16(at + 5);
      progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    }
    at += length;
    if (marker != 0xDA) continue;
    // A scan: before it the frame must be known, and its coded data runs to the next marker.
    if (width == 0 || height == 0) return std::nullopt;
    if (++scans > kMaxJpegScans) return std::nullopt;
    // Only a 0xFF can begin a marker: the search jumps from one to the next.
    for (at = b.Find(0xFF, at); b.Has(at, 2); at = b.Find(0xFF, at + 1)) {
      const uint32_t next = b.U8(at + 1);
      if (next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7)) break;
    }
  }
  // No frame, or one whose height comes later in the data (which the decoders refuse).
  if (width == 0 || height == 0) return std::nullopt;
  if (progressive && scans * width * height > kMaxJpegScanPixels) return std::nullopt;
  return Extent(PictureFormat::kJpeg, width, height);
}

std::optional<PictureExtent> Gif(const Bytes& b) {
  if (!b.Has(6, 4)) return std::nullopt;
  return Extent(PictureFormat::kGif, b.Le16(6), b.Le16(8));
}

// An icon or cursor: every image it holds is at most 256 pixels a side, whatever its entry or
// its own header says.
std::optional<PictureExtent> Icon(const Bytes& b) {
  if (!b.Has(4, 2)) return std::nullopt;  // a header cut short before its image count
  const uint32_t count = b.Le16(4);
  if (count == 0 || !b.Has(6, 16 * static_cast<size_t>(count))) return std::nullopt;
  int64_t width = 0, height = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = 6 + 16 * static_cast<size_t>(i);
    const size_t size = b.Le32(entry + 8), offset = b.Le32(entry + 12);
    if (!b.Has(offset, size) || size < 16) return std::nullopt;
    int64_t w = 0, h = 0;
    if (b.Has(offset, 24) && b.Be32(offset) == 0x89504E47u) {  // an image in PNG form
      w = b.Be32(offset + 16);
      h = b.Be32(offset + 20);
    } else {
      w = static_cast<int32_t>(b.Le32(offset + 4));
      h = std::llabs(static_cast<int32_t>(b.Le32(offset + 8))) / 2;  // image and mask
    }
    if (w <= 0 || h <= 0 || w > 256 || h > 256) return std::nullopt;
    if (i == 0) {
      width = b.U8(entry) == 0 ? 256 : b.U8(entry);
      height = b.U8(entry + 1) == 0 ? 256 : b.U8(entry + 1);
    }
  }
  return Extent(PictureFormat::kIcon, width, height);
}

// Where a metafile record keeps a bitmap, as an offset from the record's start: a
// device-independent one (`dib`) or an old device bitmap (`device`); 0 when it holds none.
struct RecordBitmap {
  size_t dib = 0, device = 0;
};

RecordBitmap BitmapOfRecord(const Bytes& b, size_t at, uint32_t function, uint64_t words) {
  // The block transfers come in two forms: from the drawing surface itself, in (function >> 8)
  // + 3 words, and from a bitmap in the record.
  const bool carried = words != (function >> 8) + 3;
  switch (function) {
    case 0x0940:  // DIBBITBLT
      return {carried ? 22u : 0u, 0};
    case 0x0B41:  // DIBSTRETCHBLT
      return {carried ? 26u : 0u, 0};
    case 0x0F43:  // STRETCHDIB
      return {28, 0};
    case 0x0D33:  // SETDIBTODEV
      return {24, 0};
    case 0x0142:  // DIBCREATEPATTERNBRUSH: a device bitmap for the pattern style, else a DIB
      return b.Has(at + 6, 2) && b.Le16(at + 6) == 3 ? RecordBitmap{0, 10} : RecordBitmap{10, 0};
    case 0x0922:  // BITBLT
      return {0, carried ? 22u : 0u};
    case 0x0B23:  // STRETCHBLT
      return {0, carried ? 26u : 0u};
    default:
      return {};
  }
}

// A bitmap stretched upside down or mirrored (a negative destination height or width) in a
// STRETCHDIB, DIBSTRETCHBLT or STRETCHBLT record: one metafile player takes seconds a bitmap
// over it, so such pictures are not decoded.
bool StretchedMirrored(const Bytes& b, size_t at, uint32_t function) {
  const size_t dest = function == 0x0F43 ? 20 : function == 0x0B41 || function == 0x0B23 ? 18 : 0;
  if (dest == 0 || !b.Has(at + dest, 4)) return false;
  return static_cast<int16_t>(b.Le16(at + dest)) < 0 ||
         static_cast<int16_t>(b.Le16(at + dest + 2)) < 0;
}

// A bitmap in bytes [at, end) of a record: a size the saver could hold, its pixels counted into
// `pixels` within the bound, and its uncompressed bits inside the record.
bool DibFits(const Bytes& b, size_t at, size_t end, int64_t& pixels) {
  if (at + 4 > end) return false;
  const uint32_t header = b.Le32(at);
  if (header > end - at) return false;
  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = 0;
  if (header == 12) {  // the core header: 16-bit sides
    width = b.Le16(at + 4);
    height = b.Le16(at + 6);
    bits = b.Le16(at + 10);
  } else if (header >= 40) {
    width = static_cast<int32_t>(b.Le32(at + 4));
    height = std::llabs(static_cast<int32_t>(b.Le32(at + 8)));
    bits = b.Le16(at + 14);
    compression = b.Le32(at + 16);
  } else {
    return false;
  }
  if (!PictureSizeAllowed(width, height)) return false;
  pixels += width * height;
  if (pixels > kMaxMetafileBitmapPixels) return false;
  // The colour table: at most one entry a colour the bits can name (256 beyond 8 bits).
  const uint32_t colours = header >= 40 ? b.Le32(at + 32) : 0;
  if (colours > ColourTableLimit(bits)) return false;
  // Plain bits (0) and bit fields (3) of 16 or 32 bits lie in the record; run lengths of 8 (1) or
  // 4 (2) bits are decoded as far as they go. Any other form is no bitmap a player draws.
  if (compression == 1 || compression == 2) return bits == (compression == 1 ? 8u : 4u);
  if (compression == 3 && bits != 16 && bits != 32) return false;
  if (compression != 0 && compression != 3) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const int64_t stride = (width * bits + 31) / 32 * 4;
  return stride * height <= static_cast<int64_t>(end - at - header);
}

bool DeviceBitmapFits(const Bytes& b, size_t at, size_t end, int64_t& pixels) {
  if (at + 10 > end) return false;
  const int64_t width = static_cast<int16_t>(b.Le16(at + 2));
  const int64_t height = static_cast<int16_t>(b.Le16(at + 4));
  const int64_t widthBytes = static_cast<int16_t>(b.Le16(at + 6));
  if (!PictureSizeAllowed(width, height) || widthBytes <= 0) return false;
  pixels += width * height;
  return pixels <= kMaxMetafileBitmapPixels &&
         widthBytes * height <= static_cast<int64_t>(end - at - 10);
}

// A placeable metafile: its bounding box in units of 1/inch inch, then the records.
std::optional<PictureExtent> Wmf(const Bytes& b, int32_t dpiX, int32_t dpiY) {
  if (!b.Has(0, 22 + 18) || dpiX <= 0 || dpiY <= 0) return std::nullopt;
  const int64_t left = static_cast<int16_t>(b.Le16(6)), top = static_cast<int16_t>(b.Le16(8));
  const int64_t right = static_cast<int16_t>(b.Le16(10)), bottom = static_cast<int16_t>(b.Le16(12));
  const int64_t inch = b.Le16(14);
  if (inch == 0) return std::nullopt;
  // Himetric first, rounded as the system rounds it, then pixels at the screen's resolution.
  const int64_t hmWidth = (std::llabs(right - left) * 2540 + inch / 2) / inch;
  const int64_t hmHeight = (std::llabs(bottom - top) * 2540 + inch / 2) / inch;
  const int64_t width = (hmWidth * dpiX + 1270) / 2540, height = (hmHeight * dpiY + 1270) / 2540;
  const size_t headerWords = b.Le16(22 + 2);
  if (headerWords < 9) return std::nullopt;
  // The player reserves the largest record the header names before it reads any: no record is
  // longer than the file.
  if (b.Le32(22 + 12) > b.Size() / 2) return std::nullopt;
  int64_t records = 0, saves = 0, bitmapPixels = 0;
  for (size_t at = 22 + 2 * headerWords; b.Has(at, 6);) {
    const uint64_t words = b.Le32(at);
    if (words < 3) break;  // a broken record ends what the player reads
    if (++records > kMaxMetafileRecords) return std::nullopt;
    const uint32_t function = b.Le16(at + 4);
    if (function == 0x001E && ++saves > kMaxMetafileSaves) return std::nullopt;  // SaveDC
    if (function == 0) break;                                                    // the end record
    if (words > (b.Size() - at) / 2) break;
    const size_t end = at + 2 * words;
    if (StretchedMirrored(b, at, function)) return std::nullopt;
    const RecordBitmap bitmap = BitmapOfRecord(b, at, function, words);
    if (bitmap.dib != 0 && !DibFits(b, at + bitmap.dib, end, bitmapPixels)) return std::nullopt;
    if (bitmap.device != 0 && !DeviceBitmapFits(b, at + bitmap.device, end, bitmapPixels)) {
      return std::nullopt;
    }
    at = end;
  }
  return Extent(PictureFormat::kWmf, width, height);
}

}  // namespace

std::optional<PictureExtent> ReadPictureExtent(std::string_view bytes, int32_t dpiX, int32_t dpiY) {
  const Bytes b(bytes);
  if (!b.Has(0, 4)) return std::nullopt;
  if (b.U8(0) == 'B' && b.U8(1) == 'M') return Bmp(b);
  if (b.U8(0) == 0xFF && b.U8(1) == 0xD8) return Jpeg(b);
  if (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a") return Gif(b);
  if (b.Le16(0) == 0 && (b.Le16(2) == 1 || b.Le16(2) == 2)) return Icon(b);
  if (b.Le32(0) == 0x9AC6CDD7u) return Wmf(b, dpiX, dpiY);
  return std::nullopt;
}

}  // namespace frin
