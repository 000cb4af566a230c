#include "scene/flake.h"

#include <new>
#include <stdexcept>

#include "platform/errors.h"

namespace frin {

void FlakeField::Size(int32_t max) {
  // A count too large for memory ends the program with the runtime's report, not a crash.
  flakes_.clear();
  try {
    std::vector<Flake> fresh(max > 0 ? static_cast<size_t>(max) : 0);
    flakes_.swap(fresh);
  } catch (const std::bad_alloc&) {
    RaiseError(kErrOutOfMemory, "Out of memory");
  } catch (const std::length_error&) {
    RaiseError(kErrOutOfMemory, "Out of memory");
  }
}

void FlakeField::Release() {
  std::vector<Flake>().swap(flakes_);
}

Flake& FlakeField::operator[](int32_t index) {
  if (index < 1 || index > Count()) RaiseError(kErrSubscript);
  return flakes_[static_cast<size_t>(index - 1)];
}

const Flake& FlakeField::operator[](int32_t index) const {
  if (index < 1 || index > Count()) RaiseError(kErrSubscript);
  return flakes_[static_cast<size_t>(index - 1)];
}

void ChooseSpriteCell(Flake& flake, uint8_t imageBackground) {
  // The fastest flakes take the leftmost cell of the strip, the slowest the rightmost.
  const int speed = flake.FallSpeed;
  if (imageBackground == 1) {  // strip Frin_Pic(0)
    if (speed >= 1 && speed <= 2) {
      flake.SpriteColumn = 12;
      flake.SpriteSize = 4;
    } else if (speed >= 6 && speed <= 9) {
      flake.SpriteColumn = 0;
      flake.SpriteSize = 6;
    } else {
      flake.SpriteColumn = 6;
      flake.SpriteSize = 5;
    }
  } else {  // strip Frin_Pic(1)
    if (speed >= 1 && speed <= 2) {
      flake.SpriteColumn = 14;
      flake.SpriteSize = 5;
    } else if (speed >= 6 && speed <= 9) {
      flake.SpriteColumn = 0;
      flake.SpriteSize = 7;
    } else {
      flake.SpriteColumn = 7;
      flake.SpriteSize = 7;
    }
  }
}

}  // namespace frin
