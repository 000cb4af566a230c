// Any bytes through the orientation tag's reader, as a jpg, tiff, png or WebP file would hand
// them over. Properties: the tag read is one of the eight orientations (1 when there is none),
// and the picture turned by it keeps every pixel, its sides swapped by the quarter turns, and
// comes back when turned the inverse way.
#include <cstdint>
#include <string_view>

#include "platform/exif_orientation.h"
#include "platform/picture_orientation.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The orientation that undoes o: the quarter turns 6 and 8 undo each other, every other one
// undoes itself.
int Inverse(int o) {
  return o == 6 ? 8 : o == 8 ? 6 : o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int o = frin::ReadOrientation(bytes);
  FUZZ_CHECK(o >= 1 && o <= 8);
  // A picture whose sides come from the input, every pixel its own.
  const int32_t width = 1 + (size > 0 ? data[0] % 13 : 0),
                height = 1 + (size > 1 ? data[1] % 7 : 0);
  frin::Surface stored(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      stored.At(x, y) = static_cast<frin::Pixel>(y * width + x);
  const frin::Surface upright = frin::Orient(stored, o);
  FUZZ_CHECK(upright.Width() == (o >= 5 ? height : width));
  FUZZ_CHECK(upright.Height() == (o >= 5 ? width : height));
  FUZZ_CHECK(frin::Orient(upright, Inverse(o)).Pixels() == stored.Pixels());
  return 0;
}
