// Pixels from the system: the copy of the desktop and the decoding of picture files. Both end in
// a Surface; drawing stays with the raster. The desktop and most pictures go through a 32-bit
// top-down DIB section (OleLoadPicture renders into it). A baseline jpg is decoded by the saver's
// own decoder on two threads; any other jpg by the system's imaging component (WIC) straight
// into the surface where it has one, since OleLoadPicture decodes with
// that same component and then makes two more copies of the whole picture (its bitmap, and our
// rendering of it), a fifth of a second for a 12-megapixel photo under Wine. Where WIC is
// missing (Windows XP before SP3) or declines the file, OleLoadPicture decodes it as before.
// A jpg the saver will show can be begun on the helper thread as soon as the settings name it,
// while the windows load; LoadPicture then joins that decode rather than starting its own.
#include "platform/win32/win32_platform.h"

#include "platform/jpeg_decoder.h"
#include "platform/picture_header.h"

#include <ole2.h>
#include <olectl.h>
#include <wincodec.h>

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

// Releases a COM interface at the end of the scope.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_ != nullptr) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// What the imaging component made of a jpg.
struct WicResult {
  bool decided = false;            // false: it cannot decode it here; ask OleLoadPicture
  std::optional<Surface> picture;  // when decided: the picture, or nullopt for the black background
};

// Decodes a jpg with WIC: its frame's pixels (24-bit colour or 8-bit grey, the jpg decoder's own
// formats; anything else is left to OleLoadPicture) copied a band of rows at a time into the
// surface, as OleLoadPicture would show them: colour as it is, grey as equal red, green and blue.
WicResult DecodeJpegWithWic(const void* bytes, DWORD size) {
  WicResult r;
  ComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out())))) {
    return r;
  }
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  WICPixelFormatGUID format{};
  if (FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(frame->GetSize(&width, &height)) ||
      FAILED(frame->GetPixelFormat(&format))) {
    return r;
  }
  const bool colour = IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) != FALSE;
  const bool grey = IsEqualGUID(format, GUID_WICPixelFormat8bppGray) != FALSE;
  if (!colour && !grey) return r;
  r.decided = true;
  // The decoder's size is held to the same bound as the header's.
  if (!PictureSizeAllowed(width, height)) return r;
  const UINT bytesPerPixel = colour ? 3 : 1;
  const UINT stride = (width * bytesPerPixel + 3) & ~3u;
  const UINT band = std::max(1u, std::min(height, (1u << 20) / stride));
  try {
    // A picture this process has no room for gives the black background, as an unreadable file
    // does.
    Surface out(static_cast<int32_t>(width), static_cast<int32_t>(height), kBlack);
    std::vector<BYTE> rows(static_cast<size_t>(stride) * band);
    for (UINT top = 0; top < height; top += band) {
      const UINT n = std::min(band, height - top);
      const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(n)};
      if (FAILED(frame->CopyPixels(&rect, stride, stride * n, rows.data()))) {
        r.decided = false;  // let OleLoadPicture try, as it always did
        return r;
      }
      for (UINT y = 0; y < n; ++y) {
        const BYTE* in = rows.data() + static_cast<size_t>(stride) * y;
        Pixel* px = out.Row(static_cast<int32_t>(top + y));
        if (colour) {
          for (UINT x = 0; x < width; ++x, in += 3)
            px[x] = (Pixel{in[2]} << 16) | (Pixel{in[1]} << 8) | Pixel{in[0]};
        } else {
          for (UINT x = 0; x < width; ++x)
            px[x] = Pixel{in[x]} * 0x010101u;
        }
      }
    }
    out.Damage().Clear();
    r.picture.emplace(std::move(out));
  } catch (const std::bad_alloc&) {
    r.picture.reset();
  }
  return r;
}

// What the system's decoders make of a file the saver's own decoder did not take: WIC for a jpg,
// then OleLoadPicture for anything whose header promises a picture.
std::optional<Surface> LoadWithSystem(PictureFile& file) {
  // The header must promise a picture the saver can hold and decode quickly before the system's
  // decoder sees it: a claim of 65535 x 65535 pixels or a jpg of a thousand scans gives the black
  // background at once.
  if (!file.Extent()) return std::nullopt;
  if (file.IsJpeg()) {
    WicResult wic = DecodeJpegWithWic(file.Bytes().data(), static_cast<DWORD>(file.Bytes().size()));
    if (wic.decided) return std::move(wic.picture);
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
  if (std::unique_ptr<PicturePrefetch> p = std::move(prefetch_); p != nullptr && p->path == path) {
    JpegResult own = p->job->Finish();
    if (own.outcome == JpegOutcome::kDecoded) return std::move(own.picture);
    p->job.reset();
    return LoadWithSystem(p->file);
  }
  PictureFile file;
  if (!file.Open(path, dpiX_, dpiY_)) return std::nullopt;
  if (file.IsJpeg()) {
    // A baseline jpg (nearly every photo) is decoded here on both processors; the system's
    // imaging component decodes on one, at a third of the speed under Wine.
    JpegResult own = DecodeBaselineJpeg(file.Bytes(), &helper_);
    if (own.outcome == JpegOutcome::kDecoded) return std::move(own.picture);
  }
  return LoadWithSystem(file);
}

}  // namespace frin::win32
