// The uniform generator: single-precision draws in [0, 1). Re-seeding mixes the clock value into
// the state and never restarts the sequence, so flakes re-seeded from an unchanged clock within
// one tick still draw different numbers.
#pragma once

#include <cstdint>

namespace frin {

class Random {
 public:
  void Reseed(uint64_t clock);
  float Draw();  // uniform in [0, 1), never 1
  uint64_t State() const { return state_; }

 private:
  uint64_t state_ = 0x853C49E6748FEA9Bull;
};

}  // namespace frin
