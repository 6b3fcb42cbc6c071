#include "talvex/experiment/trial_schedule.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "talvex/exception.h"
#include "talvex/experiment/picture_ahead.h"
#include "trial_bench.h"

namespace talvex::experiment {
namespace {

using talvex::testing::FakeLoader;

using talvex::testing::TrialBench;

Pool Positives(int count) {
  Pool pool;
  for (int n = 0; n < count; ++n) pool.push_back(FakeLoader::PosName(n));
  return pool;
}

TEST(AddRepeats, DrawsWithoutReplacementInKnownOrder) {
  RandomSource random;  // seed 0: draws below 20 give 0, then 0 again of the rest
  Pool pool = Positives(20);
  AddRepeats(pool, 0.1, random);
  EXPECT_EQ(pool, [] {
    Pool expected = Positives(20);
    expected.insert(expected.end(), {FakeLoader::PosName(0), FakeLoader::PosName(1)});
    return expected;
  }());
}

TEST(AddRepeats, FractionOneRepeatsEveryEntryOnce) {
  RandomSource random;
  random.SetSeed(12345);
  Pool pool = Positives(20);
  AddRepeats(pool, 1.0, random);
  ASSERT_EQ(pool.size(), 40u);
  // The repeats are all different and all from the catalogue.
  EXPECT_EQ(std::set<std::string>(pool.begin() + 20, pool.end()),
            std::set<std::string>(pool.begin(), pool.begin() + 20));
}

TEST(AddRepeats, RoundingOfTheExactProductDecidesTheCount) {
  // 20 x 0.025 is just above 0.5; 20 x 0.125 is exactly 2.5, to even; 20.4 rounds down to
  // the pool's size.
  for (const auto& [fraction, size] : {std::pair{0.025, 21u}, {0.125, 22u}, {1.02, 40u}}) {
    RandomSource random;
    Pool pool = Positives(20);
    AddRepeats(pool, fraction, random);
    EXPECT_EQ(pool.size(), size) << fraction;
  }
}

TEST(AddRepeats, ZeroOrNegativeFractionAddsNothing) {
  RandomSource random;
  Pool pool = Positives(20);
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
    Pool pool = Positives(20);
    try {
      AddRepeats(pool, fraction, random);
      ADD_FAILURE() << "no error for " << fraction;
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "List index out of bounds (0)");
    }
  }
}

TEST(ReportedImageName, ResourceNamesBecomeStatusTabNameWithoutTheFolder) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"RESOURCES_NEG_C__0__BMP", "/opt/talvex/", "neg\tc (0).ccc"},
      {"RESOURCES_POS_G__5__BMP", "/opt/talvex/", "pos\tg (5).ccc"},
      {"RESOURCES_NEG_C__79__BMP", "/opt/talvex/", "neg\tc (79).ccc"},
      // The folder prefix goes and backslashes become tabs.
      {"C:\\Study\\images\\RESOURCES_POS_G__1__BMP", "C:\\Study\\", "pos\tg (1).ccc"},
      {"sub\\RESOURCES_NEG_C__2__BMP", "C:\\Study\\", "sub\tneg\tc (2).ccc"}};
  for (const auto& [name, folder, reported] : cases) {
    EXPECT_EQ(ReportedImageName(name, folder), reported) << name;
  }
}

TEST(ClassDraw, EmptyPoolIsNeverChosen) {
  TrialBench bench;
  for (const bool positivesLeft : {false, true}) {
    bench.record.PosPool = Positives(positivesLeft ? 1 : 0);
    if (positivesLeft) bench.record.NegPool.clear();
    const Pool& only = positivesLeft ? bench.record.PosPool : bench.record.NegPool;
    for (uint32_t seed = 0; seed < 2000; seed += 7) {
      bench.record.Random.SetSeed(seed);
      EXPECT_EQ(&ClassDraw(bench.record), &only) << positivesLeft << " " << seed;
    }
  }
}

TEST(ClassDraw, DrawBelowThresholdChoosesPositives) {
  TrialBench bench;
  bench.record.Random.SetSeed(0);  // 20 against 80: t = 200; the first draw below 1000 is 0
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

// The message that leaves a picture out; reason is the failure's own message.
std::string LeftOut(const std::string& name, const std::string& reason) {
  return "The picture " + name + " cannot be shown (" + reason + "). It is left out of the run.";
}

// Why a CMYK picture cannot be shown, as its decoder says it.
std::string CmykFailure() {
  try {
    talvex::testing::CmykPicture().CountDecodeWarnings();
  } catch (const imagestore::EJPEG& e) {
    return e.what();
  }
  return "decoded";
}

TEST(DrawTrial, PictureThatCannotBeShownIsLeftOutOnceWithAllItsRepeats) {
  const std::string bad = FakeLoader::PosName(3);
  for (const bool loads : {false, true}) {
    TrialBench bench;
    (loads ? bench.loader->undecodable : bench.loader->unloadable).insert(bad);
    // The picture stands twice in its pool (a repeat); the draw below 2 from seed 0 is 0.
    bench.record.PosPool = {bad, FakeLoader::PosName(4), bad};
    bench.record.TotalTrials = 3 + 80;
    bench.record.ImageName = "before";
    bench.record.Random.SetSeed(0);
    EXPECT_FALSE(bench.Draw()) << loads;
    EXPECT_EQ(bench.record.PosPool, Pool{FakeLoader::PosName(4)});
    EXPECT_EQ(bench.record.NegPool.size(), 80u);
    EXPECT_EQ(bench.record.TotalTrials, 1 + 80);
    EXPECT_EQ(bench.window.messages,
              std::vector<std::string>{LeftOut(bad, loads ? CmykFailure() : "JPEG error #42")});
    // Nothing of a trial happened: no picture, no timer, no count, no name.
    EXPECT_TRUE(bench.window.pictures.empty());
    EXPECT_FALSE(bench.window.TimerRunning());
    EXPECT_TRUE(bench.window.buttonEnabled);
    EXPECT_EQ(bench.record.TrialCount, 0);
    EXPECT_EQ(bench.record.ImageName, "before");
  }
}

TEST(DrawNextTrial, DrawsAgainUntilAPictureIsShownOrThePoolsAreEmpty) {
  TrialBench bench;
  ExperimentRecord& record = bench.record;
  for (int n = 0; n < 20; ++n) bench.loader->undecodable.insert(FakeLoader::PosName(n));
  for (int n = 0; n < 79; ++n) bench.loader->unloadable.insert(FakeLoader::NegName(n));
  record.TotalTrials = 100;
  // Whatever the draws, only the one good picture can be shown, and each bad one is reported
  // once, when it is first drawn.
  ASSERT_TRUE(DrawNextTrial(record, bench.window, bench.system, nullptr));
  EXPECT_EQ(bench.loader->TrialLoads().back(), FakeLoader::NegName(79));
  EXPECT_EQ(record.TrialCount, 1);
  EXPECT_TRUE(bench.window.TimerRunning());
  EXPECT_EQ(static_cast<size_t>(record.TotalTrials),
            1 + record.PosPool.size() + record.NegPool.size());
  EXPECT_EQ(bench.window.messages.size(), static_cast<size_t>(100 - record.TotalTrials));
  // The rest of the bad pictures go at the next draw, which finds nothing left to show.
  bench.window.SetTimerInterval(0);
  EXPECT_FALSE(DrawNextTrial(record, bench.window, bench.system, nullptr));
  EXPECT_TRUE(record.PosPool.empty());
  EXPECT_TRUE(record.NegPool.empty());
  EXPECT_EQ(record.TotalTrials, 1);
  EXPECT_EQ(record.TrialCount, 1);
  EXPECT_EQ(bench.window.messages.size(), 99u);
  EXPECT_EQ(
      std::set<std::string>(bench.window.messages.begin(), bench.window.messages.end()).size(),
      99u);
  EXPECT_FALSE(bench.window.TimerRunning());
  EXPECT_FALSE(DrawNextTrial(record, bench.window, bench.system, nullptr));  // empty pools: nothing
  EXPECT_EQ(bench.window.messages.size(), 99u);
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

TEST(DrawTrial, TakesThePicturePreparedForItsEntryAndLoadsAnyOther) {
  TrialBench bench;
  bench.record.NegPool.clear();
  bench.record.Random.SetSeed(0);  // the class draw, then 0 of 20
  {
    TPictureAhead ahead;
    ahead.Start(bench.record, bench.window);
    EXPECT_EQ(ahead.Name(), FakeLoader::PosName(0));
    DrawTrial(bench.record, ClassDraw(bench.record), bench.window, bench.system, &ahead);
    EXPECT_EQ(bench.loader->loads, std::vector<std::string>{FakeLoader::PosName(0)});
    EXPECT_EQ(bench.window.preparedOn.size(), 1u);
    EXPECT_EQ(bench.record.TrialCount, 1);
  }
  {
    // The pool changed after the start: the entry drawn is loaded at the draw.
    TPictureAhead ahead;
    bench.record.Random.SetSeed(0);
    ahead.Start(bench.record, bench.window);
    bench.record.PosPool = {FakeLoader::PosName(7)};
    DrawTrial(bench.record, ClassDraw(bench.record), bench.window, bench.system, &ahead);
    EXPECT_EQ(bench.window.preparedOn.size(), 1u);
    EXPECT_EQ(bench.record.ImageName, "pos\tg (7).ccc");
  }
  // Once the worker is done: its picture (the first of the 19 left), and the one drawn.
  EXPECT_EQ(std::multiset<std::string>(bench.loader->loads.begin() + 1, bench.loader->loads.end()),
            (std::multiset<std::string>{FakeLoader::PosName(1), FakeLoader::PosName(7)}));
  {
    // A picture the worker could not load is left out at the draw, as one loaded there.
    TPictureAhead ahead;
    bench.record.PosPool = Positives(3);
    bench.record.Random.SetSeed(0);
    bench.loader->failAll = true;
    ahead.Start(bench.record, bench.window);
    bench.window.pictures.clear();
    EXPECT_FALSE(
        DrawTrial(bench.record, ClassDraw(bench.record), bench.window, bench.system, &ahead));
    EXPECT_EQ(bench.record.PosPool, (Pool{FakeLoader::PosName(1), FakeLoader::PosName(2)}));
    EXPECT_EQ(bench.window.LastMessage(), LeftOut(FakeLoader::PosName(0), "JPEG error #42"));
    EXPECT_EQ(bench.record.TrialCount, 2);
    EXPECT_TRUE(bench.window.pictures.empty());
  }
}

TEST(TrialSchedule, DefaultScheduleDrawnToTheEndAsPeeked) {
  // Several runs, each press re-seeded from the running counter. The default fractions add
  // 2 positive and 24 negative repeats, each a different entry of the catalogue. Before each
  // draw, PeekNextTrial names the entry it will pick, leaving the source as it is.
  for (int run = 0; run < 20; ++run) {
    TrialBench bench;
    ExperimentRecord& record = bench.record;
    bench.system.counter += static_cast<uint64_t>(run) * 977;
    record.Random.Reseed(bench.system);
    AddRepeats(record.PosPool, 0.1, record.Random);
    AddRepeats(record.NegPool, 0.3, record.Random);
    ASSERT_EQ(record.PosPool.size() + record.NegPool.size(), 126u);
    while (!record.PosPool.empty() || !record.NegPool.empty()) {
      record.Random.Reseed(bench.system);
      const uint32_t seed = record.Random.Seed();
      const std::string peeked = PeekNextTrial(record);
      ASSERT_EQ(record.Random.Seed(), seed);
      Pool& pool = ClassDraw(record);
      ASSERT_FALSE(pool.empty()) << "draw from an empty pool at trial " << record.TrialCount;
      DrawTrial(record, pool, bench.window, bench.system, nullptr);
      ASSERT_EQ(bench.loader->loads.back(), peeked);
    }
    EXPECT_EQ(record.TrialCount, 126);
    EXPECT_EQ(PeekNextTrial(record), "");
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
