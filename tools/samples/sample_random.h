#pragma once
// The generator's own random source (SplitMix64): the same numbers on every platform and
// library version, unlike the standard distributions.

#include <cstdint>

namespace talvex::samples {

class SampleRandom {
 public:
  explicit SampleRandom(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [low, high), from the top 53 bits.
  double Uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }

  bool Chance(double probability) { return Uniform(0, 1) < probability; }

 private:
  uint64_t state_;
};

// A well-mixed 32-bit hash of a pixel position, for per-pixel grain.
inline uint32_t HashPosition(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

}  // namespace talvex::samples
