// Reading what a picture file promises before it is decoded: the size of a bmp, jpg, gif or icon
// from its header, and of a wmf from its records, with the work its drawing would take.
#include "platform/picture_header.h"

#include <algorithm>
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
  // n bytes as text; empty past the end.
  std::string_view Text(size_t at, size_t n) const {
    return Has(at, n) ? b_.substr(at, n) : std::string_view();
  }
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

// An enhanced metafile's bitmap records: where each keeps the offset of its bitmap's header
// (the record's size in bytes follows it); 0 for a record that carries none.
size_t EmfBitmapField(uint32_t type) {
  switch (type) {
    case 76:   // BITBLT
    case 77:   // STRETCHBLT
    case 78:   // MASKBLT
    case 114:  // ALPHABLEND
    case 116:  // TRANSPARENTBLT
      return 84;
    case 79:  // PLGBLT
      return 96;
    case 80:  // SETDIBITSTODEVICE
    case 81:  // STRETCHDIBITS
      return 48;
    case 93:  // CREATEMONOBRUSH
    case 94:  // CREATEDIBPATTERNBRUSHPT
      return 16;
    default:
      return 0;
  }
}

// An enhanced metafile: its frame in hundredths of a millimetre (himetric, as the system sizes
// it), then the records, held to the same bounds as a wmf's.
std::optional<PictureExtent> Emf(const Bytes& b, int32_t dpiX, int32_t dpiY) {
  constexpr size_t kHeaderSize = 88;
  if (!b.Has(0, kHeaderSize) || dpiX <= 0 || dpiY <= 0) return std::nullopt;
  const size_t headerSize = b.Le32(4);
  if (headerSize < kHeaderSize || headerSize > b.Size()) return std::nullopt;
  auto side = [&](size_t from, size_t to, int32_t dpi) {
    const int64_t himetric =
        std::llabs(int64_t{static_cast<int32_t>(b.Le32(to))} - static_cast<int32_t>(b.Le32(from)));
    return (himetric * dpi + 1270) / 2540;
  };
  const int64_t width = side(24, 32, dpiX), height = side(28, 36, dpiY);
  int64_t records = 0, saves = 0, bitmapPixels = 0;
  for (size_t at = headerSize; b.Has(at, 8);) {
    const uint32_t type = b.Le32(at);
    const size_t size = b.Le32(at + 4);
    if (size < 8 || size % 4 != 0 || size > b.Size() - at) break;  // what the player reads ends
    if (++records > kMaxMetafileRecords) return std::nullopt;
    if (type == 33 && ++saves > kMaxMetafileSaves) return std::nullopt;  // SAVEDC
    if (type == 14) break;                                               // EOF
    if (const size_t field = EmfBitmapField(type); field != 0 && field + 8 <= size) {
      const size_t offset = b.Le32(at + field), length = b.Le32(at + field + 4);
      if (offset != 0 || length != 0) {
        if (offset >= size || !DibFits(b, at + offset, at + size, bitmapPixels)) {
          return std::nullopt;
        }
      }
    }
    at += size;
  }
  return Extent(PictureFormat::kEmf, width, height);
}

// A png: the first chunk is the header, with the sides.
std::optional<PictureExtent> Png(const Bytes& b) {
  if (!b.Has(8, 16) || b.Be32(8) != 13 || b.Text(12, 4) != "IHDR") return std::nullopt;
  return Extent(PictureFormat::kPng, b.Be32(16), b.Be32(20));
}

// A tiff: the sides in its first directory, the picture a decoder shows first.
std::optional<PictureExtent> Tiff(const Bytes& b) {
  const bool big = b.U8(0) == 'M';
  auto u16 = [&](size_t at) { return big ? b.Be16(at) : b.Le16(at); };
  auto u32 = [&](size_t at) { return big ? b.Be32(at) : b.Le32(at); };
  if (!b.Has(4, 4)) return std::nullopt;
  const size_t directory = u32(4);
  if (!b.Has(directory, 2)) return std::nullopt;
  const size_t count = u16(directory);
  if (!b.Has(directory + 2, 12 * count)) return std::nullopt;
  int64_t width = 0, height = 0;
  bool widthSeen = false, heightSeen = false;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = directory + 2 + 12 * i;
    const uint32_t tag = u16(entry), type = u16(entry + 2);
    if (tag != 256 && tag != 257) continue;
    // A side named twice is ambiguous: decoders differ on which one counts, so the limits could
    // not hold the one that is decoded.
    bool& seen = tag == 256 ? widthSeen : heightSeen;
    if (seen) return std::nullopt;
    seen = true;
    if (u32(entry + 4) != 1) continue;
    const int64_t value = type == 3 ? u16(entry + 8) : type == 4 ? u32(entry + 8) : 0;
    (tag == 256 ? width : height) = value;
  }
  return Extent(PictureFormat::kTiff, width, height);
}

// A WebP: the sides in its first chunk, whichever of the three forms it takes.
std::optional<PictureExtent> Webp(const Bytes& b) {
  const std::string_view form = b.Text(12, 4);
  if (!b.Has(20, form == "VP8L" ? 5 : 10)) return std::nullopt;
  if (form == "VP8 ") {  // lossy: a key frame's start code, then 14-bit sides
    if (b.U8(23) != 0x9D || b.U8(24) != 0x01 || b.U8(25) != 0x2A) return std::nullopt;
    return Extent(PictureFormat::kWebp, b.Le16(26) & 0x3FFF, b.Le16(28) & 0x3FFF);
  }
  if (form == "VP8L") {  // lossless: a signature byte, then the sides less one in 14 bits each
    if (b.U8(20) != 0x2F) return std::nullopt;
    const uint32_t bits = b.Le32(21);
    return Extent(PictureFormat::kWebp, (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
  }
  if (form == "VP8X") {  // extended: the canvas's sides less one in 24 bits each
    const int64_t width = (b.Le16(24) | b.U8(26) << 16) + 1;
    const int64_t height = (b.Le16(27) | b.U8(29) << 16) + 1;
    return Extent(PictureFormat::kWebp, width, height);
  }
  return std::nullopt;
}

// The boxes of the ISO media format between at and end: each a size and a type, then its body.
struct Box {
  std::string_view type;
  size_t body = 0, end = 0;
};

// The box starting at `at`, or one of no type when none fits before end.
Box BoxAt(const Bytes& b, size_t at, size_t end) {
  if (at > end || end - at < 8) return {};
  uint64_t size = b.Be32(at);
  size_t header = 8;
  if (size == 1) {  // a 64-bit size follows the type
    if (end - at < 16) return {};
    size = uint64_t{b.Be32(at + 8)} << 32 | b.Be32(at + 12);
    header = 16;
  } else if (size == 0) {  // to the end of what holds it
    size = end - at;
  }
  if (size < header || size > end - at) return {};
  return {b.Text(at + 4, 4), at + header, at + static_cast<size_t>(size)};
}

// The first box of this type among those in [at, end).
Box FindBox(const Bytes& b, size_t at, size_t end, std::string_view type) {
  for (Box box = BoxAt(b, at, end); !box.type.empty(); box = BoxAt(b, box.end, end)) {
    if (box.type == type) return box;
  }
  return {};
}

// A heif: the largest image size among the item properties (the primary picture, or the grid
// its tiles make, is the largest item; thumbnails and tiles are smaller).
std::optional<PictureExtent> Heif(const Bytes& b) {
  const Box meta = FindBox(b, 0, b.Size(), "meta");
  if (meta.type.empty()) return std::nullopt;
  const Box iprp = FindBox(b, meta.body + 4, meta.end, "iprp");  // meta is a full box
  if (iprp.type.empty()) return std::nullopt;
  const Box ipco = FindBox(b, iprp.body, iprp.end, "ipco");
  if (ipco.type.empty()) return std::nullopt;
  int64_t width = 0, height = 0;
  for (Box p = BoxAt(b, ipco.body, ipco.end); !p.type.empty(); p = BoxAt(b, p.end, ipco.end)) {
    if (p.type != "ispe" || p.end - p.body < 12) continue;
    width = std::max<int64_t>(width, b.Be32(p.body + 4));
    height = std::max<int64_t>(height, b.Be32(p.body + 8));
  }
  return Extent(PictureFormat::kHeif, width, height);
}

bool IsHeifBrand(std::string_view brand) {
  for (std::string_view known : {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs",
                                 "mif1", "msf1", "avif", "avis"}) {
    if (brand == known) return true;
  }
  return false;
}

}  // namespace

std::optional<PictureFormat> PictureFormatOf(std::string_view bytes) {
  const Bytes b(bytes);
  if (!b.Has(0, 4)) return std::nullopt;
  if (b.U8(0) == 'B' && b.U8(1) == 'M') return PictureFormat::kBmp;
  if (b.U8(0) == 0xFF && b.U8(1) == 0xD8) return PictureFormat::kJpeg;
  if (b.Text(0, 6) == "GIF87a" || b.Text(0, 6) == "GIF89a") return PictureFormat::kGif;
  if (b.Le16(0) == 0 && (b.Le16(2) == 1 || b.Le16(2) == 2)) return PictureFormat::kIcon;
  if (b.Le32(0) == 0x9AC6CDD7u) return PictureFormat::kWmf;
  if (b.Le32(0) == 1 && b.Has(40, 4) && b.Le32(40) == 0x464D4520u) return PictureFormat::kEmf;
  if (b.Text(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) return PictureFormat::kPng;
  if (b.Text(0, 4) == std::string_view("II*\0", 4) ||
      b.Text(0, 4) == std::string_view("MM\0*", 4)) {
    return PictureFormat::kTiff;
  }
  if (b.Text(0, 4) == "RIFF" && b.Text(8, 4) == "WEBP") return PictureFormat::kWebp;
  if (b.Text(4, 4) == "ftyp" && IsHeifBrand(b.Text(8, 4))) return PictureFormat::kHeif;
  return std::nullopt;
}

std::optional<PictureExtent> ReadPictureExtent(std::string_view bytes, int32_t dpiX, int32_t dpiY) {
  const std::optional<PictureFormat> format = PictureFormatOf(bytes);
  if (!format) return std::nullopt;
  const Bytes b(bytes);
  switch (*format) {
    case PictureFormat::kBmp:
      return Bmp(b);
    case PictureFormat::kJpeg:
      return Jpeg(b);
    case PictureFormat::kGif:
      return Gif(b);
    case PictureFormat::kIcon:
      return Icon(b);
    case PictureFormat::kWmf:
      return Wmf(b, dpiX, dpiY);
    case PictureFormat::kEmf:
      return Emf(b, dpiX, dpiY);
    case PictureFormat::kPng:
      return Png(b);
    case PictureFormat::kTiff:
      return Tiff(b);
    case PictureFormat::kWebp:
      return Webp(b);
    case PictureFormat::kHeif:
      return Heif(b);
  }
  return std::nullopt;
}

}  // namespace frin
