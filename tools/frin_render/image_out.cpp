#include "tools/frin_render/image_out.h"

#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_map>

namespace frin {

bool WritePng(const Surface& surface, const std::string& path, std::string& error) {
  if (surface.Width() <= 0 || surface.Height() <= 0) {
    error = "the canvas is empty";
    return false;
  }
  GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, surface.Width(), surface.Height());
  if (pb == nullptr) {
    error = "out of memory";
    return false;
  }
  guchar* data = gdk_pixbuf_get_pixels(pb);
  const int stride = gdk_pixbuf_get_rowstride(pb);
  for (int32_t y = 0; y < surface.Height(); ++y) {
    guchar* out = data + static_cast<ptrdiff_t>(y) * stride;
    const Pixel* row = surface.Row(y);
    for (int32_t x = 0; x < surface.Width(); ++x) {
      *out++ = static_cast<guchar>(row[x] >> 16);
      *out++ = static_cast<guchar>(row[x] >> 8);
      *out++ = static_cast<guchar>(row[x]);
    }
  }
  GError* err = nullptr;
  const bool ok = gdk_pixbuf_save(pb, path.c_str(), "png", &err, nullptr);
  if (!ok) {
    error = err != nullptr ? err->message : "cannot write";
    if (err != nullptr) g_error_free(err);
  }
  g_object_unref(pb);
  return ok;
}

namespace {

struct Colour {
  int r, g, b;
};

Colour Split(Pixel p) {
  return Colour{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                static_cast<int>(p & 0xFF)};
}

// Median cut over a histogram of 5-bit-per-channel colours.
std::vector<Pixel> MedianCut(const Surface& frame, size_t count) {
  struct Bin {
    uint64_t sr = 0, sg = 0, sb = 0, n = 0;
    int key = 0;
  };
  std::vector<Bin> bins(32768);
  for (Pixel p : frame.Pixels()) {
    const Colour c = Split(p);
    const int key = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
    Bin& b = bins[key];
    b.sr += c.r;
    b.sg += c.g;
    b.sb += c.b;
    ++b.n;
    b.key = key;
  }
  std::vector<Bin> used;
  for (const Bin& b : bins) {
    if (b.n > 0) used.push_back(b);
  }
  struct Box {
    size_t begin, end;  // range of `used`
  };
  auto channel = [](const Bin& b, int axis) {
    return axis == 0 ? (b.key >> 10) & 31 : axis == 1 ? (b.key >> 5) & 31 : b.key & 31;
  };
  std::vector<Box> boxes{{0, used.size()}};
  while (boxes.size() < count) {
    // Split the box with the widest channel range (weighted by its population).
    int best = -1, bestAxis = 0;
    uint64_t bestScore = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2) continue;
      uint64_t pop = 0;
      std::array<int, 3> lo{31, 31, 31}, hi{0, 0, 0};
      for (size_t k = boxes[i].begin; k < boxes[i].end; ++k) {
        pop += used[k].n;
        for (int a = 0; a < 3; ++a) {
          lo[a] = std::min(lo[a], channel(used[k], a));
          hi[a] = std::max(hi[a], channel(used[k], a));
        }
      }
      for (int a = 0; a < 3; ++a) {
        const uint64_t score = static_cast<uint64_t>(hi[a] - lo[a]) * pop;
        if (hi[a] > lo[a] && score >= bestScore) {
          bestScore = score;
          best = static_cast<int>(i);
          bestAxis = a;
        }
      }
    }
    if (best < 0) break;
    Box box = boxes[static_cast<size_t>(best)];
    std::sort(used.begin() + static_cast<ptrdiff_t>(box.begin),
              used.begin() + static_cast<ptrdiff_t>(box.end), [&](const Bin& a, const Bin& b) {
                return channel(a, bestAxis) != channel(b, bestAxis)
                           ? channel(a, bestAxis) < channel(b, bestAxis)
                           : a.key < b.key;
              });
    uint64_t total = 0;
    for (size_t k = box.begin; k < box.end; ++k)
      total += used[k].n;
    uint64_t acc = 0;
    size_t mid = box.begin + 1;
    for (size_t k = box.begin; k < box.end - 1; ++k) {
      acc += used[k].n;
      mid = k + 1;
      if (acc * 2 >= total) break;
    }
    boxes[static_cast<size_t>(best)] = Box{box.begin, mid};
    boxes.push_back(Box{mid, box.end});
  }
  std::vector<Pixel> palette;
  for (const Box& box : boxes) {
    uint64_t r = 0, g = 0, b = 0, n = 0;
    for (size_t k = box.begin; k < box.end; ++k) {
      r += used[k].sr;
      g += used[k].sg;
      b += used[k].sb;
      n += used[k].n;
    }
    if (n == 0) continue;
    palette.push_back(static_cast<Pixel>(((r / n) << 16) | ((g / n) << 8) | (b / n)));
  }
  return palette;
}

}  // namespace

struct GifWriter::State {
  GifFileType* gif = nullptr;
  int32_t width = 0, height = 0;
  std::vector<Pixel> palette;
  std::unordered_map<Pixel, uint8_t> exact;
  std::vector<int16_t> lut = std::vector<int16_t>(32768, -1);
  std::vector<uint8_t> previous, current;
  bool first = true;
  int transparent = 255;  // the index after the palette's colours

  uint8_t Nearest(Pixel p) {
    const Colour c = Split(p);
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
      const Colour q = Split(palette[i]);
      const int d = (c.r - q.r) * (c.r - q.r) * 3 + (c.g - q.g) * (c.g - q.g) * 4 +
                    (c.b - q.b) * (c.b - q.b) * 2;
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<int>(i);
      }
    }
    return static_cast<uint8_t>(best);
  }

  uint8_t Index(Pixel p) {
    auto it = exact.find(p);
    if (it != exact.end()) return it->second;
    const Colour c = Split(p);
    const int key = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
    if (lut[key] < 0) {
      lut[key] = Nearest(static_cast<Pixel>(((c.r & 0xF8) | 4) << 16 | ((c.g & 0xF8) | 4) << 8 |
                                            ((c.b & 0xF8) | 4)));
    }
    return static_cast<uint8_t>(lut[key]);
  }

  void MakePalette(const Surface& frame) {
    std::vector<Pixel> distinct;
    std::unordered_map<Pixel, bool> seen;
    for (Pixel p : frame.Pixels()) {
      if (seen.emplace(p & kColourMask, true).second) {
        distinct.push_back(p & kColourMask);
        if (distinct.size() > 255) break;
      }
    }
    if (distinct.size() <= 255) {
      std::sort(distinct.begin(), distinct.end());
      palette = distinct;
    } else {
      palette = MedianCut(frame, 253);
      palette.push_back(kBlack);
      palette.push_back(kWhite);
    }
    for (size_t i = 0; i < palette.size(); ++i)
      exact.emplace(palette[i], static_cast<uint8_t>(i));
  }
};

GifWriter::GifWriter() : state_(std::make_unique<State>()) {}

GifWriter::~GifWriter() {
  if (state_->gif != nullptr) {
    int err = 0;
    EGifCloseFile(state_->gif, &err);
  }
}

bool GifWriter::Open(const std::string& path, int32_t width, int32_t height, std::string& error) {
  int err = 0;
  // Opened here rather than by giflib, so the file gets the usual permissions (0666 less umask).
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  state_->gif = EGifOpenFileHandle(fd, &err);
  if (state_->gif == nullptr) {
    error = GifErrorString(err);
    return false;
  }
  EGifSetGifVersion(state_->gif, true);
  state_->width = width;
  state_->height = height;
  return true;
}

bool GifWriter::AddFrame(const Surface& frame, uint32_t delayMs, std::string& error) {
  State& s = *state_;
  if (s.gif == nullptr || frame.Width() != s.width || frame.Height() != s.height) {
    error = "frame does not match the animation";
    return false;
  }
  if (s.first) {
    s.MakePalette(frame);
    // The smallest power-of-two map that holds the colours and the transparent index: fewer
    // bits per code make the frames smaller.
    s.transparent = static_cast<int>(s.palette.size());
    int mapSize = 2;
    while (mapSize < s.transparent + 1)
      mapSize *= 2;
    std::array<GifColorType, 256> colours{};
    for (size_t i = 0; i < s.palette.size(); ++i) {
      const Colour c = Split(s.palette[i]);
      colours[i] = GifColorType{static_cast<GifByteType>(c.r), static_cast<GifByteType>(c.g),
                                static_cast<GifByteType>(c.b)};
    }
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    const bool ok =
        EGifPutScreenDesc(s.gif, s.width, s.height, map->BitsPerPixel, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (!ok) {
      error = GifErrorString(s.gif->Error);
      return false;
    }
    // Loop for ever.
    const GifByteType loop[3] = {1, 0, 0};
    if (EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(s.gif, 11, "NETSCAPE2.0") != GIF_OK ||
        EGifPutExtensionBlock(s.gif, 3, loop) != GIF_OK ||
        EGifPutExtensionTrailer(s.gif) != GIF_OK) {
      error = GifErrorString(s.gif->Error);
      return false;
    }
  }
  const size_t n = static_cast<size_t>(s.width) * static_cast<size_t>(s.height);
  s.current.resize(n);
  const PixelView px = frame.Pixels();
  for (size_t i = 0; i < n; ++i)
    s.current[i] = s.Index(px[i]);

  int32_t left = 0, top = 0, right = s.width, bottom = s.height;
  if (!s.first) {
    left = s.width;
    top = s.height;
    right = 0;
    bottom = 0;
    for (int32_t y = 0; y < s.height; ++y) {
      const size_t row = static_cast<size_t>(y) * static_cast<size_t>(s.width);
      for (int32_t x = 0; x < s.width; ++x) {
        if (s.current[row + static_cast<size_t>(x)] != s.previous[row + static_cast<size_t>(x)]) {
          left = std::min(left, x);
          right = std::max(right, x + 1);
          top = std::min(top, y);
          bottom = std::max(bottom, y + 1);
        }
      }
    }
    if (right <= left) {  // nothing changed: one transparent pixel carries the delay
      left = top = 0;
      right = bottom = 1;
    }
  }
  uint32_t cs = (delayMs + 5) / 10;
  cs = std::clamp<uint32_t>(cs, 2, 65535);
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSE_DO_NOT;
  gcb.UserInputFlag = false;
  gcb.DelayTime = static_cast<int>(cs);
  gcb.TransparentColor = s.first ? NO_TRANSPARENT_COLOR : s.transparent;
  GifByteType ext[4];
  EGifGCBToExtension(&gcb, ext);
  if (EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_OK ||
      EGifPutImageDesc(s.gif, left, top, right - left, bottom - top, false, nullptr) != GIF_OK) {
    error = GifErrorString(s.gif->Error);
    return false;
  }
  std::vector<GifPixelType> line(static_cast<size_t>(right - left));
  for (int32_t y = top; y < bottom; ++y) {
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(s.width);
    // An unchanged pixel is transparent, unless it repeats the pixel just written: then its own
    // colour continues the run, which the LZW coder packs better than a colour change.
    int last = -1;
    for (int32_t x = left; x < right; ++x) {
      const size_t i = row + static_cast<size_t>(x);
      int v = s.current[i];
      if (!s.first && s.current[i] == s.previous[i] && v != last) v = s.transparent;
      line[static_cast<size_t>(x - left)] = static_cast<GifPixelType>(v);
      last = v;
    }
    if (EGifPutLine(s.gif, line.data(), right - left) != GIF_OK) {
      error = GifErrorString(s.gif->Error);
      return false;
    }
  }
  std::swap(s.previous, s.current);
  s.first = false;
  return true;
}

bool GifWriter::Close(std::string& error) {
  if (state_->gif == nullptr) return true;
  int err = 0;
  const bool ok = EGifCloseFile(state_->gif, &err) == GIF_OK;
  state_->gif = nullptr;
  if (!ok) error = GifErrorString(err);
  return ok;
}

}  // namespace frin
