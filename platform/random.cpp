// The uniform generator: SplitMix steps of one state, re-seeded by mixing in the clock.
#include "platform/random.h"

namespace frin {
namespace {

uint64_t SplitMix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

void Random::Reseed(uint64_t clock) {
  state_ = SplitMix(state_ ^ SplitMix(clock));
}

float Random::Draw() {
  state_ += 0x9E3779B97F4A7C15ull;
  // 24 random bits over 2^24: exactly representable in single precision, below 1.
  return static_cast<float>(SplitMix(state_) >> 40) * (1.0f / 16777216.0f);
}

}  // namespace frin
