// The one conversion between twips and pixels (platform/twips.h).
#include "platform/twips.h"

#include <algorithm>
#include <limits>

#include "platform/number_text.h"

namespace frin {
namespace {

constexpr int32_t kTwipsPerInch = 1440;
constexpr int32_t kDefaultTwipsPerPixel = 15;

}  // namespace

int32_t TwipsPerPixelAtDpi(int32_t dpi) {
  if (dpi <= 0) return kDefaultTwipsPerPixel;
  int32_t q = kTwipsPerInch / dpi;
  const int32_t twiceRest = 2 * (kTwipsPerInch % dpi);
  if (twiceRest > dpi || (twiceRest == dpi && q % 2 != 0)) ++q;
  return std::max(q, 1);
}

int32_t ScaleAtDpi(int32_t dpi) {
  constexpr int32_t kBaseDpi = 96;
  if (dpi <= kBaseDpi) return 1;
  return (dpi - kBaseDpi / 2) / kBaseDpi + 1;
}

int32_t IntegerTwipsPerPixel(float reported) {
  const double r = RoundHalfEven(static_cast<double>(reported));
  if (!(r >= 1)) return 1;  // NaN included
  if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

ScreenInfo ScreenFromPixels(int32_t widthPixels, int32_t heightPixels, int32_t twipsPerPixelX,
                            int32_t twipsPerPixelY) {
  ScreenInfo s;
  s.twipsPerPixelX = static_cast<float>(twipsPerPixelX);
  s.twipsPerPixelY = static_cast<float>(twipsPerPixelY);
  // Products stay exact in single precision: a screen's twips are below 2^24.
  s.widthTwips = static_cast<float>(int64_t{widthPixels} * twipsPerPixelX);
  s.heightTwips = static_cast<float>(int64_t{heightPixels} * twipsPerPixelY);
  return s;
}

int32_t TwipsToPixels(int64_t twips, int32_t twipsPerPixel) {
  if (twipsPerPixel <= 0) twipsPerPixel = kDefaultTwipsPerPixel;
  const int64_t t = twipsPerPixel;
  const int64_t p = twips >= 0 ? (2 * twips + t) / (2 * t) : -((-2 * twips + t) / (2 * t));
  return static_cast<int32_t>(std::clamp<int64_t>(p, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace frin
