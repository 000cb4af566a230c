// What a picture file promises before it is decoded: its format and its size in pixels, read
// from the header alone. Both backends ask this first and hand the bytes to a decoder only when
// the picture is one the saver can hold and decode quickly, so that a file claiming 65535 x 65535
// pixels, a jpg of a thousand scans or a metafile of millions of records gives the black
// background at once instead of exhausting the 32-bit address space or freezing the saver.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace frin {

// The largest picture decoded: 32 megapixels (a 24-megapixel camera photo fits; one copy takes
// 128 MB at 32 bits a pixel, and a decoder, the backend and the surface each hold one).
inline constexpr int64_t kMaxPicturePixels = 32LL * 1024 * 1024;
// The longest side decoded (the system's bitmaps take no more).
inline constexpr int32_t kMaxPictureSide = 32767;
// A progressive jpg's decoder works over the whole picture once a scan: scans times pixels stay
// under this (a 24-megapixel photo of ten scans fits), and no jpg has more than kMaxJpegScans.
inline constexpr int64_t kMaxJpegScanPixels = 256LL * 1024 * 1024;
inline constexpr int32_t kMaxJpegScans = 100;
// Metafile records played (twenty thousand lines take the slowest player under a second), and
// the states saved among them (each later record costs more for every one).
inline constexpr int32_t kMaxMetafileRecords = 20000;
inline constexpr int32_t kMaxMetafileSaves = 1000;
// Bitmaps inside a metafile's records: each within the picture bounds above with its bits inside
// its record, and all of them together no more pixels than one largest picture (the player
// decodes each bitmap whole before it draws it, whatever the size it is drawn at).
inline constexpr int64_t kMaxMetafileBitmapPixels = kMaxPicturePixels;

enum class PictureFormat { kBmp, kJpeg, kGif, kIcon, kWmf, kEmf, kPng, kTiff, kWebp, kHeif };

struct PictureExtent {
  PictureFormat format = PictureFormat::kBmp;
  int32_t width = 0, height = 0;  // pixels; a metafile's at the given resolution
};

// The format the file's first bytes name (its content, whatever its name); nullopt when they name
// none of these. A heif is an image file of the ISO media format (HEIC, AVIF).
std::optional<PictureFormat> PictureFormatOf(std::string_view bytes);

// The format and size the file's header declares, when the file is a bmp, jpg, gif, icon,
// placeable wmf, emf, png, tiff, WebP or heif whose picture lies within the bounds above; nullopt
// for any other file (another format, a header cut short, a size of zero or beyond the bounds, too
// many scans or records, a bitmap in a metafile record beyond the bounds or with fewer bits than
// it claims). dpiX and dpiY are the screen's pixels per inch, which size a metafile.
std::optional<PictureExtent> ReadPictureExtent(std::string_view bytes, int32_t dpiX, int32_t dpiY);

// Whether a decoded picture of this size is one the saver keeps.
inline bool PictureSizeAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPicturePixels;
}

}  // namespace frin
