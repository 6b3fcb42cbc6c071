#include "talvex/experiment/random_source.h"

namespace talvex::experiment {

void RandomSource::Reseed(System& system) {
  uint64_t counter = 0;
  if (system.ReadPerformanceCounter(counter)) {
    seed_ = static_cast<uint32_t>(counter);
  } else {
    seed_ = system.TickCount();
  }
}

uint32_t RandomSource::RandomBelow(uint32_t n) {
  seed_ = seed_ * 134775813u + 1u;  // modulo 2^32 by unsigned wrap-around
  return static_cast<uint32_t>((static_cast<uint64_t>(n) * seed_) >> 32);
}

}  // namespace talvex::experiment
