#include "talvex/experiment/trial_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "talvex/exception.h"
#include "trial_bench.h"

namespace talvex::experiment {
namespace {

using talvex::testing::FakeLoader;
using talvex::testing::TrialBench;

Pool Names(int count, bool positive) {
  Pool pool;
  for (int n = 0; n < count; ++n) {
    pool.push_back(positive ? FakeLoader::PosName(n) : FakeLoader::NegName(n));
  }
  return pool;
}

// The entries behind the first `catalogue` ones: all different and all from the catalogue.
void ExpectDistinctRepeats(const Pool& pool, size_t catalogue, size_t repeats) {
  ASSERT_EQ(pool.size(), catalogue + repeats);
  const std::set<std::string> original(pool.begin(), pool.begin() + catalogue);
  const std::set<std::string> tail(pool.begin() + catalogue, pool.end());
  EXPECT_EQ(tail.size(), repeats);
  for (const std::string& name : tail) EXPECT_EQ(original.count(name), 1u) << name;
}

TEST(AddRepeats, DefaultFractionsGiveTwoAndTwentyFour) {
  RandomSource random;
  Pool positives = Names(20, true);
  Pool negatives = Names(80, false);
  AddRepeats(positives, 0.1, random);
  AddRepeats(negatives, 0.3, random);
  ExpectDistinctRepeats(positives, 20, 2);
  ExpectDistinctRepeats(negatives, 80, 24);
}

TEST(AddRepeats, DrawsWithoutReplacementInKnownOrder) {
  RandomSource random;  // seed 0: draws below 20 give 0, then 0 again of the rest
  Pool pool = Names(20, true);
  AddRepeats(pool, 0.1, random);
  EXPECT_EQ(pool[20], FakeLoader::PosName(0));
  EXPECT_EQ(pool[21], FakeLoader::PosName(1));
}

TEST(AddRepeats, FractionOneRepeatsEveryEntryOnce) {
  RandomSource random;
  random.SetSeed(12345);
  Pool pool = Names(20, true);
  AddRepeats(pool, 1.0, random);
  ExpectDistinctRepeats(pool, 20, 20);
}

TEST(AddRepeats, RoundingOfTheExactProductDecidesTheCount) {
  RandomSource random;
  Pool pool = Names(20, true);
  AddRepeats(pool, 0.025, random);  // 20 x 0.025 is just above 0.5
  EXPECT_EQ(pool.size(), 21u);
  pool = Names(20, true);
  AddRepeats(pool, 0.125, random);  // exactly 2.5: to even
  EXPECT_EQ(pool.size(), 22u);
  pool = Names(20, true);
  AddRepeats(pool, 1.02, random);  // 20.4 rounds down to the pool's size
  EXPECT_EQ(pool.size(), 40u);
}

TEST(AddRepeats, ZeroOrNegativeFractionAddsNothing) {
  RandomSource random;
  Pool pool = Names(20, true);
  AddRepeats(pool, 0.0, random);
  AddRepeats(pool, -0.5, random);
  EXPECT_EQ(pool.size(), 20u);
  EXPECT_EQ(random.Seed(), 0u);
  Pool empty;
  AddRepeats(empty, 0.5, random);
  EXPECT_TRUE(empty.empty());
}

TEST(AddRepeats, FractionRoundingPastThePoolFailsWithListError) {
  for (double fraction : {1.1, 1e300}) {
    RandomSource random;
    Pool pool = Names(20, true);
    try {
      AddRepeats(pool, fraction, random);
      ADD_FAILURE() << "no error for " << fraction;
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "List index out of bounds (0)");
    }
  }
}

TEST(ReportedImageName, ResourceNamesBecomeStatusTabName) {
  EXPECT_EQ(ReportedImageName("RESOURCES_NEG_C__0__BMP", "/opt/talvex/"), "neg\tc (0).ccc");
  EXPECT_EQ(ReportedImageName("RESOURCES_POS_G__5__BMP", "/opt/talvex/"), "pos\tg (5).ccc");
  EXPECT_EQ(ReportedImageName("RESOURCES_NEG_C__79__BMP", "/opt/talvex/"), "neg\tc (79).ccc");
}

TEST(ReportedImageName, FolderPrefixGoesAndBackslashesBecomeTabs) {
  EXPECT_EQ(ReportedImageName("C:\\Study\\images\\RESOURCES_POS_G__1__BMP", "C:\\Study\\"),
            "pos\tg (1).ccc");
  EXPECT_EQ(ReportedImageName("sub\\RESOURCES_NEG_C__2__BMP", "C:\\Study\\"),
            "sub\tneg\tc (2).ccc");
}

TEST(ClassDraw, EmptyPoolIsNeverChosen) {
  TrialBench bench;
  bench.record.PosPool.clear();
  for (uint32_t seed = 0; seed < 2000; seed += 7) {
    bench.record.Random.SetSeed(seed);
    EXPECT_EQ(&ClassDraw(bench.record), &bench.record.NegPool);
  }
  bench.record.PosPool = Names(1, true);
  bench.record.NegPool.clear();
  for (uint32_t seed = 0; seed < 2000; seed += 7) {
    bench.record.Random.SetSeed(seed);
    EXPECT_EQ(&ClassDraw(bench.record), &bench.record.PosPool);
  }
}

TEST(ClassDraw, DrawBelowThresholdChoosesPositives) {
  TrialBench bench;                // 20 against 80: t = 200
  bench.record.Random.SetSeed(0);  // first draw below 1000 is 0
  EXPECT_EQ(&ClassDraw(bench.record), &bench.record.PosPool);
  bench.record.Random.SetSeed(0);
  bench.record.Random.RandomBelow(1);
  bench.record.Random.RandomBelow(1);  // the third draw is 861
  EXPECT_EQ(&ClassDraw(bench.record), &bench.record.NegPool);
}

TEST(DrawTrial, ShowsRemovesAndCountsTheDrawnEntry) {
  TrialBench bench;
  bench.record.Random.SetSeed(0);  // first draw below 20 is 0
  bench.window.ClickRating(2);
  bench.Draw();
  EXPECT_EQ(bench.loader->loads, std::vector<std::string>{FakeLoader::PosName(0)});
  EXPECT_EQ(bench.record.PosPool.size(), 19u);
  EXPECT_EQ(bench.record.PosPool.front(), FakeLoader::PosName(1));
  EXPECT_EQ(bench.record.ImageName, "pos\tg (0).ccc");
  EXPECT_EQ(bench.record.TrialCount, 1);
  EXPECT_FALSE(bench.window.IsRatingChecked(2));
  EXPECT_FALSE(bench.window.buttonEnabled);
  EXPECT_EQ(bench.ShownWidth(), 2);
}

TEST(DrawTrial, EmptyPoolDoesNothing) {
  TrialBench bench;
  bench.record.PosPool.clear();
  bench.Draw();
  EXPECT_TRUE(bench.loader->loads.empty());
  EXPECT_EQ(bench.record.TrialCount, 0);
  EXPECT_FALSE(bench.window.TimerRunning());
  EXPECT_EQ(bench.record.Random.Seed(), 0u);
}

TEST(DrawTrial, FailingPictureLoadChangesNothing) {
  TrialBench bench;
  bench.loader->failAll = true;
  bench.record.ImageName = "before";
  const Pool before = bench.record.PosPool;
  EXPECT_THROW(bench.Draw(), Exception);
  EXPECT_EQ(bench.record.PosPool, before);
  EXPECT_EQ(bench.record.TrialCount, 0);
  EXPECT_EQ(bench.record.ImageName, "before");
  EXPECT_FALSE(bench.window.TimerRunning());
  EXPECT_TRUE(bench.window.buttonEnabled);
  EXPECT_TRUE(bench.window.pictures.empty());
}

TEST(DrawTrial, RefusedTimerEndsTheDrawWithTheImageShown) {
  TrialBench bench;
  bench.window.refuseTimer = true;
  try {
    bench.Draw();
    ADD_FAILURE() << "no error";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "Not enough timers available");
  }
  EXPECT_EQ(bench.ShownWidth(), 2);
  EXPECT_EQ(bench.record.PosPool.size(), 20u);
  EXPECT_EQ(bench.record.TrialCount, 0);
  EXPECT_TRUE(bench.window.buttonEnabled);
}

TEST(TrialSchedule, DefaultScheduleDrawnToTheEnd) {
  // Several runs, each press re-seeded from the running counter.
  for (int run = 0; run < 20; ++run) {
    TrialBench bench;
    bench.system.counter += static_cast<uint64_t>(run) * 977;
    bench.record.Random.Reseed(bench.system);
    AddRepeats(bench.record.PosPool, 0.1, bench.record.Random);
    AddRepeats(bench.record.NegPool, 0.3, bench.record.Random);
    ASSERT_EQ(bench.record.PosPool.size() + bench.record.NegPool.size(), 126u);
    while (!bench.record.PosPool.empty() || !bench.record.NegPool.empty()) {
      bench.record.Random.Reseed(bench.system);
      Pool& pool = ClassDraw(bench.record);
      ASSERT_FALSE(pool.empty()) << "draw from an empty pool at trial " << bench.record.TrialCount;
      DrawTrial(bench.record, pool, bench.window, bench.system);
    }
    EXPECT_EQ(bench.record.TrialCount, 126);
    std::map<std::string, int> shown;
    for (const std::string& name : bench.loader->loads) shown[name] += 1;
    EXPECT_EQ(shown.size(), 100u);
    int positivesTwice = 0;
    int negativesTwice = 0;
    for (const auto& [name, times] : shown) {
      ASSERT_LE(times, 2) << name;
      if (times == 2) (name.find("POS") != std::string::npos ? positivesTwice : negativesTwice)++;
    }
    EXPECT_EQ(positivesTwice, 2);
    EXPECT_EQ(negativesTwice, 24);
  }
}

}  // namespace
}  // namespace talvex::experiment
