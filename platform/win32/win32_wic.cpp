#include "platform/win32/win32_wic.h"

#include <wincodec.h>

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "platform/picture_header.h"

namespace frin::win32 {
namespace {

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

// The first frame of a file in memory, with the factory and stream it needs kept alive.
struct WicFrame {
  ComRef<IWICImagingFactory> factory;
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  WICPixelFormatGUID format{};

  // False when the component is missing or no decoder of it takes the bytes.
  bool Open(std::string_view bytes) {
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(factory.Out()))) &&
           SUCCEEDED(factory->CreateStream(stream.Out())) &&
           SUCCEEDED(stream->InitializeFromMemory(
               reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
               static_cast<DWORD>(bytes.size()))) &&
           SUCCEEDED(factory->CreateDecoderFromStream(
               stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Out())) &&
           SUCCEEDED(decoder->GetFrame(0, frame.Out())) &&
           SUCCEEDED(frame->GetSize(&width, &height)) && SUCCEEDED(frame->GetPixelFormat(&format));
  }
};

// Copies a source's pixels of bytesPerPixel bytes each into a surface, a band of rows at a time
// (a band's buffer of about a megabyte, whatever the picture's size), each row turned into
// pixels by convert(row, out, width). False when the source fails midway; bad_alloc when there
// is no room for the picture.
template <typename Convert>
bool CopyBands(IWICBitmapSource* source, UINT width, UINT height, UINT bytesPerPixel, Surface& out,
               Convert convert) {
  const UINT stride = (width * bytesPerPixel + 3) & ~3u;
  const UINT band = std::max(1u, std::min(height, (1u << 20) / stride));
  std::vector<BYTE> rows(static_cast<size_t>(stride) * band);
  for (UINT top = 0; top < height; top += band) {
    const UINT n = std::min(band, height - top);
    const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(n)};
    if (FAILED(source->CopyPixels(&rect, stride, stride * n, rows.data()))) return false;
    for (UINT y = 0; y < n; ++y) {
      convert(rows.data() + static_cast<size_t>(stride) * y, out.Row(static_cast<int32_t>(top + y)),
              width);
    }
  }
  out.Damage().Clear();
  return true;
}

}  // namespace

WicResult DecodeJpegWithWic(std::string_view bytes) {
  WicResult r;
  WicFrame f;
  if (!f.Open(bytes)) return r;
  const bool colour = IsEqualGUID(f.format, GUID_WICPixelFormat24bppBGR) != FALSE;
  const bool grey = IsEqualGUID(f.format, GUID_WICPixelFormat8bppGray) != FALSE;
  if (!colour && !grey) return r;
  r.decided = true;
  // The decoder's size is held to the same bound as the header's.
  if (!PictureSizeAllowed(f.width, f.height)) return r;
  try {
    // A picture this process has no room for gives the black background, as an unreadable file
    // does.
    Surface out(static_cast<int32_t>(f.width), static_cast<int32_t>(f.height), kBlack);
    const bool copied =
        colour ? CopyBands(f.frame.Get(), f.width, f.height, 3, out,
                           [](const BYTE* in, Pixel* px, UINT width) {
                             for (UINT x = 0; x < width; ++x, in += 3)
                               px[x] = (Pixel{in[2]} << 16) | (Pixel{in[1]} << 8) | Pixel{in[0]};
                           })
               : CopyBands(f.frame.Get(), f.width, f.height, 1, out,
                           [](const BYTE* in, Pixel* px, UINT width) {
                             for (UINT x = 0; x < width; ++x)
                               px[x] = Pixel{in[x]} * 0x010101u;
                           });
    if (!copied) {
      r.decided = false;  // let OleLoadPicture try, as it always did
      return r;
    }
    r.picture.emplace(std::move(out));
  } catch (const std::bad_alloc&) {
    r.picture.reset();
  }
  return r;
}

WicResult DecodeWithWic(std::string_view bytes) {
  WicResult r;
  WicFrame f;
  if (!f.Open(bytes)) return r;
  r.decided = true;
  // The size the decoder reads from the header is held to the bounds before it decodes a pixel.
  if (!PictureSizeAllowed(f.width, f.height)) return r;
  ComRef<IWICFormatConverter> converter;
  if (FAILED(f.factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(f.frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return r;
  }
  try {
    Surface out(static_cast<int32_t>(f.width), static_cast<int32_t>(f.height), kBlack);
    // Premultiplied: each colour is already its share over black.
    if (CopyBands(converter.Get(), f.width, f.height, 4, out,
                  [](const BYTE* in, Pixel* px, UINT width) {
                    for (UINT x = 0; x < width; ++x, in += 4)
                      px[x] = (Pixel{in[2]} << 16) | (Pixel{in[1]} << 8) | Pixel{in[0]};
                  })) {
      r.picture.emplace(std::move(out));
    }
  } catch (const std::bad_alloc&) {
    r.picture.reset();
  }
  return r;
}

}  // namespace frin::win32
