// The headless backend's pictures: files decoded by gdk-pixbuf (only the formats the Windows
// backend reads, within the same size bounds), the desktop copy cut from an injected image, and
// the monitors' wallpapers as a test sets them.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/memory/headless_formats.h"
#include "platform/memory/memory_platform.h"
#include "platform/picture_header.h"

// libwmf (the wmf loader behind gdk-pixbuf) never frees a few blocks of each picture it reads;
// that leak is the library's. Read by LeakSanitizer in sanitized builds only.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libwmf-0.2.so\n";
}

namespace frin {

namespace {

bool SameRect(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

void MemoryPlatform::SetWallpaper(const Rect& monitor, WallpaperSettings wallpaper) {
  for (auto& [rect, settings] : wallpapers_) {
    if (SameRect(rect, monitor)) {
      settings = std::move(wallpaper);
      return;
    }
  }
  wallpapers_.emplace_back(monitor, std::move(wallpaper));
}

WallpaperSettings MemoryPlatform::DesktopWallpaper(const Rect& monitor) {
  wallpaperQueries_.push_back(monitor);
  for (const auto& [rect, settings] : wallpapers_) {
    if (SameRect(rect, monitor)) return settings;
  }
  return WallpaperSettings{"", WallpaperPosition::kFill, kBlack, ""};
}

bool MemoryPlatform::CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                                    int32_t height) {
  const int32_t w = std::min(width, dst.Width());
  const int32_t h = std::min(height, dst.Height());
  // The desktop image starts at the virtual screen's top-left corner; what lies outside every
  // monitor shows black, as the screen's device context gives it.
  const Rect virtualScreen = VirtualScreen();
  const std::vector<Rect> monitors = Monitors();
  for (int32_t y = 0; y < h; ++y) {
    Pixel* row = dst.Row(y);
    const int64_t sy = int64_t{top} + y;
    for (int32_t x = 0; x < w; ++x) {
      const int64_t sx = int64_t{left} + x;
      bool shown = false;
      for (const Rect& m : monitors)
        shown = shown || (sx >= m.left && sx < m.right && sy >= m.top && sy < m.bottom);
      const int64_t ix = sx - virtualScreen.left, iy = sy - virtualScreen.top;
      row[x] = shown && ix >= 0 && iy >= 0 && ix < desktop_.Width() && iy < desktop_.Height()
                   ? desktop_.At(static_cast<int32_t>(ix), static_cast<int32_t>(iy))
                   : kBlack;
    }
  }
  if (w > 0 && h > 0) dst.AddDamage(Rect{0, 0, w, h});
  return desktopVisible_;
}

namespace {

// Copies a decoded picture into a surface: 0x00RRGGBB, alpha composited over black (a picture
// painted over the black background buffer shows black where it is transparent).
Surface FromPixbuf(GdkPixbuf* pb) {
  const int w = gdk_pixbuf_get_width(pb);
  const int h = gdk_pixbuf_get_height(pb);
  const int channels = gdk_pixbuf_get_n_channels(pb);
  const bool alpha = gdk_pixbuf_get_has_alpha(pb);
  const int stride = gdk_pixbuf_get_rowstride(pb);
  const guchar* data = gdk_pixbuf_read_pixels(pb);
  Surface s(w, h, kBlack);
  for (int y = 0; y < h; ++y) {
    const guchar* p = data + static_cast<ptrdiff_t>(y) * stride;
    Pixel* row = s.Row(y);
    for (int x = 0; x < w; ++x, p += channels) {
      uint32_t r = p[0], g = p[1], b = p[2];
      if (alpha) {
        const uint32_t a = p[3];
        r = (r * a + 127) / 255;
        g = (g * a + 127) / 255;
        b = (b * a + 127) / 255;
      }
      row[x] = (r << 16) | (g << 8) | b;
    }
  }
  return s;
}

std::optional<Surface> Decode(const std::string& path, bool anyFormat) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return std::nullopt;
  if (bytes.empty()) return std::nullopt;
  // A picture the saver reads must promise, before it is decoded, a size and an amount of work
  // it can bear (the Windows backend asks the same at 96 pixels an inch).
  if (!anyFormat && !ReadPictureExtent(std::string_view(bytes.data(), bytes.size()), 96, 96)) {
    return std::nullopt;
  }
  // A loader fed with the bytes, so that the format it recognised can be checked afterwards.
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GError* error = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()),
                                    bytes.size(), &error);
  if (error != nullptr) g_clear_error(&error);
  ok = gdk_pixbuf_loader_close(loader, &error) && ok;
  if (error != nullptr) g_clear_error(&error);
  std::optional<Surface> s;
  GdkPixbuf* pb = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  GdkPixbufFormat* format = ok ? gdk_pixbuf_loader_get_format(loader) : nullptr;
  bool accepted = anyFormat;
  if (format != nullptr && !accepted) {
    gchar* name = gdk_pixbuf_format_get_name(format);
    const std::string n = name != nullptr ? name : "";
    g_free(name);
    accepted = HeadlessPictureFormat(n);
  }
  if (pb != nullptr && accepted &&
      PictureSizeAllowed(gdk_pixbuf_get_width(pb), gdk_pixbuf_get_height(pb)) &&
      gdk_pixbuf_get_bits_per_sample(pb) == 8 && gdk_pixbuf_get_n_channels(pb) >= 3) {
    s = FromPixbuf(pb);
    if (!anyFormat) {
      s = UprightDecoded(std::move(s), std::string_view(bytes.data(), bytes.size()),
                         gdk_pixbuf_get_option(pb, "orientation"));
    }
  }
  g_object_unref(loader);
  return s;
}

}  // namespace

std::optional<Surface> MemoryPlatform::LoadPicture(const std::string& path) {
  return Decode(path, false);
}

std::optional<Surface> MemoryPlatform::DecodeImageFile(const std::string& path) {
  return Decode(path, true);
}

}  // namespace frin
