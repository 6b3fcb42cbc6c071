#include "talvex/experiment/random_source.h"

#include <gtest/gtest.h>

#include "fake_system.h"

namespace talvex::experiment {
namespace {

TEST(RandomSource, KnownDrawsFromSeedZero) {
  RandomSource random;
  const uint32_t expected[] = {0, 31, 861, 202, 272};
  for (uint32_t value : expected) EXPECT_EQ(random.RandomBelow(1000), value);
}

TEST(RandomSource, SeedAdvancesOneStepPerDrawWhateverTheBound) {
  RandomSource random;
  EXPECT_EQ(random.RandomBelow(0), 0u);
  EXPECT_EQ(random.Seed(), 1u);
  random.RandomBelow(7);
  EXPECT_EQ(random.Seed(), 134775814u);
  // The product n x seed needs 64 bits: the largest bound and seed still stay below n.
  random.SetSeed(0x4D60AE66u);  // steps to 0xFFFFFFFF
  EXPECT_EQ(random.RandomBelow(0xFFFFFFFFu), 0xFFFFFFFEu);
}

TEST(RandomSource, ReseedTakesLowBitsOfCounterElseTickCount) {
  testing::FakeSystem system;
  RandomSource random;
  system.counter = 0xABCDEF0112345678u;
  system.tickCount = 777;
  random.Reseed(system);
  EXPECT_EQ(random.Seed(), 0x12345678u);
  system.counterReadable = false;
  random.Reseed(system);
  EXPECT_EQ(random.Seed(), 777u);
}

}  // namespace
}  // namespace talvex::experiment
