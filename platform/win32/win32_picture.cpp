// Pixels from the system: the copy of the desktop and the decoding of picture files. Both end in
// a Surface; drawing stays with the raster. The desktop and most pictures go through a 32-bit
// top-down DIB section (OleLoadPicture renders into it). A baseline jpg is decoded by the saver's
// own decoder on two threads; any other jpg by the system's imaging component (WIC) straight
// into the surface where it has one, since OleLoadPicture decodes with
// that same component and then makes two more copies of the whole picture (its bitmap, and our
// rendering of it), a fifth of a second for a 12-megapixel photo under Wine. Where WIC is
// missing (Windows XP before SP3) or declines the file, OleLoadPicture decodes it as before.
// OleLoadPicture still reads the formats it always read (bmp, gif, icon, wmf, emf); WIC alone
// reads the rest (png, tiff, and WebP, HEIC or AVIF where their codecs are installed), and where
// WIC is missing those give the black background. Whichever decoder read it, the picture is
// turned upright as its orientation tag says before the raster stretches it.
// A jpg the saver will show can be begun on the helper thread as soon as the settings name it,
// while the windows load; LoadPicture then joins that decode rather than starting its own.
#include "platform/win32/win32_platform.h"

#include "platform/exif_orientation.h"
#include "platform/jpeg_decoder.h"
#include "platform/picture_header.h"
#include "platform/picture_orientation.h"
#include "platform/win32/win32_wic.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <new>
#include <vector>

namespace frin::win32 {

HBITMAP CreateTopDownDib(int32_t width, int32_t height, WORD bitCount, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

namespace {

// A 32-bit top-down DIB section selected into a memory context, freed with the scope.
class Dib {
 public:
  Dib(int32_t width, int32_t height) {
    void* bits = nullptr;
    bitmap_ = CreateTopDownDib(width, height, 32, &bits);
    if (bitmap_ == nullptr) return;
    bits_ = static_cast<const uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
  }
  ~Dib() {
    if (dc_ != nullptr) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  bool Ok() const { return dc_ != nullptr; }
  HDC Dc() const { return dc_; }
  // Rows and columns that fit both the DIB and dst, copied to dst at (0, 0).
  void CopyTo(Surface& dst) const {
    GdiFlush();
    const int32_t w = std::min(width_, dst.Width()), h = std::min(height_, dst.Height());
    for (int32_t y = 0; y < h; ++y) {
      const uint32_t* in = bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
      Pixel* out = dst.Row(y);
      for (int32_t x = 0; x < w; ++x)
        out[x] = in[x] & kColourMask;
    }
    if (w > 0 && h > 0) dst.AddDamage(Rect{0, 0, w, h});
  }

 private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  const uint32_t* bits_ = nullptr;
  int32_t width_ = 0, height_ = 0;
};

// The whole file in movable global memory, ready for a stream; null when it cannot be read or
// memory for it cannot be had.
HGLOBAL ReadWholeFile(const std::wstring& path, DWORD& size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  size = GetFileSize(file, nullptr);
  HGLOBAL memory = nullptr;
  if (size != INVALID_FILE_SIZE && size > 0 && size < 0x40000000u) {
    memory = GlobalAlloc(GMEM_MOVEABLE, size);
  }
  if (memory != nullptr) {
    DWORD read = 0;
    const bool ok = ReadFile(file, GlobalLock(memory), size, &read, nullptr) && read == size;
    GlobalUnlock(memory);
    if (!ok) {
      GlobalFree(memory);
      memory = nullptr;
    }
  }
  CloseHandle(file);
  return memory;
}

// Whether OleLoadPicture reads this format (the formats it has always read: bmp, jpg, gif, icon,
// wmf and emf); the rest are WIC's alone.
bool OleReads(PictureFormat format) {
  return format == PictureFormat::kBmp || format == PictureFormat::kJpeg ||
         format == PictureFormat::kGif || format == PictureFormat::kIcon ||
         format == PictureFormat::kWmf || format == PictureFormat::kEmf;
}

// What the system's decoders make of a file the saver's own decoder did not take: WIC for a jpg
// and for every format OleLoadPicture does not read, OleLoadPicture for the rest (and for a jpg
// WIC declines).
std::optional<Surface> LoadWithSystem(PictureFile& file) {
  if (!file.Extent()) {
    // The header must promise a picture the saver can hold and decode quickly before the
    // system's decoder sees it: a claim of 65535 x 65535 pixels or a jpg of a thousand scans
    // gives the black background at once. A file of a format the header reader does not know
    // (JPEG XR, a camera's raw file) may still be one a codec of this machine decodes; WIC's
    // size for it is held to the same bounds.
    if (PictureFormatOf(file.Bytes())) return std::nullopt;
    return DecodeWithWic(file.Bytes()).picture;
  }
  if (file.IsJpeg()) {
    WicResult wic = DecodeJpegWithWic(file.Bytes());
    if (wic.decided) return std::move(wic.picture);
  } else if (!OleReads(file.Extent()->format)) {
    return DecodeWithWic(file.Bytes()).picture;
  }
  const LONG size = static_cast<LONG>(file.Bytes().size());
  HGLOBAL memory = file.Release();
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return std::nullopt;
  }
  IPicture* picture = nullptr;
  const HRESULT loaded =
      OleLoadPicture(stream, size, FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(loaded) || picture == nullptr) return std::nullopt;

  OLE_XSIZE_HIMETRIC hmWidth = 0;
  OLE_YSIZE_HIMETRIC hmHeight = 0;
  picture->get_Width(&hmWidth);
  picture->get_Height(&hmHeight);
  const int32_t width = HimetricToPixels(hmWidth, file.DpiX());
  const int32_t height = HimetricToPixels(hmHeight, file.DpiY());
  std::optional<Surface> result;
  // The decoder's own size is held to the same bound as the header's.
  if (PictureSizeAllowed(width, height)) {
    Dib dib(width, height);
    if (dib.Ok()) {
      // The loading box is black: a metafile's unpainted parts stay black.
      RECT all{0, 0, width, height};
      FillRect(dib.Dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      if (SUCCEEDED(picture->Render(dib.Dc(), 0, 0, width, height, 0, hmHeight, hmWidth, -hmHeight,
                                    nullptr))) {
        // A picture this process has no room for gives the black background, as an unreadable
        // file does.
        try {
          result.emplace(width, height, kBlack);
          dib.CopyTo(*result);
          result->Damage().Clear();
        } catch (const std::bad_alloc&) {
          result.reset();
        }
      }
    }
  }
  picture->Release();
  return result;
}

}  // namespace

PictureFile::~PictureFile() {
  if (memory_ == nullptr) return;
  GlobalUnlock(memory_);
  GlobalFree(memory_);
}

bool PictureFile::Open(const std::string& path, int dpiX, int dpiY) {
  memory_ = ReadWholeFile(Wide(path), size_);
  if (memory_ == nullptr) return false;
  bytes_ = static_cast<const char*>(GlobalLock(memory_));
  dpiX_ = dpiX;
  dpiY_ = dpiY;
  extent_ = ReadPictureExtent(Bytes(), dpiX_, dpiY_);
  return true;
}

HGLOBAL PictureFile::Release() {
  HGLOBAL memory = memory_;
  if (memory != nullptr) GlobalUnlock(memory);
  memory_ = nullptr;
  bytes_ = nullptr;
  size_ = 0;
  return memory;
}

bool Win32Platform::CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                                   int32_t height) {
  width = std::min(width, dst.Width());
  height = std::min(height, dst.Height());
  if (width <= 0 || height <= 0) return true;
  // A saver the system starts on its own desktop (the secure one) copies that desktop, not the
  // user's: what it copies is black or its own windows.
  const bool usersDesktop = ThreadOnUsersDesktop();
  Dib dib(width, height);
  if (!dib.Ok()) return false;
  // The screen's device context spans the virtual screen in its own coordinates: the primary
  // monitor's corner is (0, 0), a monitor left of it lies at negative x.
  HDC screen = GetDC(nullptr);
  const bool copied =
      screen != nullptr && BitBlt(dib.Dc(), 0, 0, width, height, screen, left, top, SRCCOPY);
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  if (!copied) {
    for (int32_t y = 0; y < height; ++y)
      std::fill_n(dst.Row(y), width, kBlack);
    dst.AddDamage(Rect{0, 0, width, height});
    return false;
  }
  dib.CopyTo(dst);
  return usersDesktop;
}

void Win32Platform::PrefetchPicture(const std::string& path) {
  prefetch_.reset();
  auto p = std::make_unique<PicturePrefetch>();
  // Only what LoadPicture would hand to the saver's own decoder.
  if (!p->file.Open(path, dpiX_, dpiY_) || !p->file.IsJpeg()) return;
  p->path = path;
  p->job.emplace(p->file.Bytes());
  if (p->job->Begin(&helper_)) prefetch_ = std::move(p);
}

std::optional<Surface> Win32Platform::LoadPicture(const std::string& path) {
  // Every decoder here gives the picture as stored; the tag is read before the system's decoder
  // may take the file's memory.
  if (std::unique_ptr<PicturePrefetch> p = std::move(prefetch_); p != nullptr && p->path == path) {
    const int orientation = ReadOrientation(p->file.Bytes());
    JpegResult own = p->job->Finish();
    if (own.outcome == JpegOutcome::kDecoded) return Upright(std::move(own.picture), orientation);
    p->job.reset();
    return Upright(LoadWithSystem(p->file), orientation);
  }
  PictureFile file;
  if (!file.Open(path, dpiX_, dpiY_)) return std::nullopt;
  const int orientation = ReadOrientation(file.Bytes());
  if (file.IsJpeg()) {
    // A baseline jpg (nearly every photo) is decoded here on both processors; the system's
    // imaging component decodes on one, at a third of the speed under Wine.
    JpegResult own = DecodeBaselineJpeg(file.Bytes(), &helper_);
    if (own.outcome == JpegOutcome::kDecoded) return Upright(std::move(own.picture), orientation);
  }
  return Upright(LoadWithSystem(file), orientation);
}

}  // namespace frin::win32
