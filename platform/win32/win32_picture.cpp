// Pixels from the system: the copy of the desktop and the decoding of picture files. Both go
// through a 32-bit top-down DIB section and end in a Surface; drawing stays with the raster.
#include "platform/win32/win32_platform.h"

#include "platform/picture_header.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <new>

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

}  // namespace

void Win32Platform::CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                                   int32_t height) {
  width = std::min(width, dst.Width());
  height = std::min(height, dst.Height());
  if (width <= 0 || height <= 0) return;
  Dib dib(width, height);
  if (!dib.Ok()) return;
  // The screen's device context spans the virtual screen in its own coordinates: the primary
  // monitor's corner is (0, 0), a monitor left of it lies at negative x.
  HDC screen = GetDC(nullptr);
  BitBlt(dib.Dc(), 0, 0, width, height, screen, left, top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  dib.CopyTo(dst);
}

std::optional<Surface> Win32Platform::LoadPicture(const std::string& path) {
  DWORD size = 0;
  HGLOBAL memory = ReadWholeFile(Wide(path), size);
  if (memory == nullptr) return std::nullopt;
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  // The header must promise a picture the saver can hold and decode quickly before the system's
  // decoder sees it: a claim of 65535 x 65535 pixels or a jpg of a thousand scans gives the black
  // background at once.
  const bool bearable =
      ReadPictureExtent(std::string_view(static_cast<const char*>(GlobalLock(memory)), size), dpiX,
                        dpiY)
          .has_value();
  GlobalUnlock(memory);
  if (!bearable) {
    GlobalFree(memory);
    return std::nullopt;
  }
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return std::nullopt;
  }
  IPicture* picture = nullptr;
  const HRESULT loaded = OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                        reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(loaded) || picture == nullptr) return std::nullopt;

  OLE_XSIZE_HIMETRIC hmWidth = 0;
  OLE_YSIZE_HIMETRIC hmHeight = 0;
  picture->get_Width(&hmWidth);
  picture->get_Height(&hmHeight);
  const int32_t width = HimetricToPixels(hmWidth, dpiX);
  const int32_t height = HimetricToPixels(hmHeight, dpiY);
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

}  // namespace frin::win32
