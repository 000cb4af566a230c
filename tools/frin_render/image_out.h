// Writing frames: a PNG of one surface, and an animated GIF of many.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/raster.h"

namespace frin {

// Writes the surface as an 8-bit RGB PNG; false (and a message) when it cannot.
bool WritePng(const Surface& surface, const std::string& path, std::string& error);

// An animated GIF that loops for ever. The palette is made from the first frame: its own colours
// when it has at most 255 of them (a black scene with white flakes is exact), otherwise a median
// cut of its colours to 253 entries plus exact black and white. The index after the colours is
// transparent, and the colour map is the smallest power of two that holds them all: every
// frame after the first holds only the bounding box of the pixels that changed, with the
// unchanged pixels inside it transparent, so frames of falling snow stay small.
class GifWriter {
 public:
  GifWriter();
  ~GifWriter();
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  bool Open(const std::string& path, int32_t width, int32_t height, std::string& error);
  // delayMs: how long the frame shows (rounded to hundredths of a second, at least 2).
  bool AddFrame(const Surface& frame, uint32_t delayMs, std::string& error);
  bool Close(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace frin
