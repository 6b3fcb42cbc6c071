#pragma once
// The random source of the rating experiment: a 32-bit linear congruential generator,
// re-seeded from the clock at set-up and at every press.

#include <cstdint>

#include "talvex/system.h"

namespace talvex::experiment {

class RandomSource {
 public:
  // Seed := low 32 bits of the performance counter, or the tick count when the counter
  // cannot be read.
  void Reseed(System& system);

  void SetSeed(uint32_t seed) { seed_ = seed; }
  uint32_t Seed() const { return seed_; }

  // A value from 0 to n - 1 (0 when n is 0); the seed advances one step whatever n is.
  uint32_t RandomBelow(uint32_t n);

 private:
  uint32_t seed_ = 0;
};

}  // namespace talvex::experiment
