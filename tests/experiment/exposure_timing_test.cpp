#include "talvex/experiment/exposure_timing.h"

#include <gtest/gtest.h>

#include "talvex/local_time.h"
#include "trial_bench.h"

namespace talvex::experiment {
namespace {

using talvex::testing::TrialBench;

TEST(ExposureTiming, TimerArmedWithExposureFiresOnceAndBlanks) {
  TrialBench bench;
  bench.Draw();
  // The image is on screen before its timer starts.
  EXPECT_EQ(bench.window.calls,
            (std::vector<std::string>{"SetPicture", "SetTimerInterval 10000", "Disable"}));
  EXPECT_EQ(bench.window.TimerInterval(), 10000u);
  EXPECT_EQ(bench.window.timerStarts, 1);
  EXPECT_FALSE(bench.window.buttonEnabled);
  EXPECT_EQ(bench.ShownWidth(), 2);

  bench.window.calls.clear();
  EXPECT_TRUE(bench.window.FireTimer());
  EXPECT_EQ(bench.window.calls,
            (std::vector<std::string>{"SetPicture", "Enable", "SetTimerInterval 0"}));
  EXPECT_EQ(bench.ShownWidth(), 1);
  EXPECT_TRUE(bench.window.buttonEnabled);
  EXPECT_EQ(bench.window.GetText(TextControl::Button2), "Next");
  EXPECT_FALSE(bench.window.TimerRunning());
  EXPECT_FALSE(bench.window.FireTimer());
  EXPECT_EQ(GetResponse(bench.record, bench.window), -1);
  EXPECT_EQ(bench.record.Response, -1);
}

TEST(ExposureTiming, RatingDuringExposureBlanksEnablesNextAndStopsTimer) {
  TrialBench bench;
  bench.Draw();
  bench.system.AdvanceMs(1234);
  bench.window.ClickRating(3);
  EXPECT_EQ(bench.record.Latency, 1234);
  EXPECT_EQ(bench.ShownWidth(), 1);
  EXPECT_TRUE(bench.window.buttonEnabled);
  EXPECT_EQ(bench.window.GetText(TextControl::Button2), "Next");
  EXPECT_FALSE(bench.window.FireTimer());
  EXPECT_EQ(GetResponse(bench.record, bench.window), 3);
}

TEST(ExposureTiming, LaterPickRetakesLatencyFromTheSameShowing) {
  TrialBench bench;
  bench.Draw();
  bench.system.AdvanceMs(500);
  bench.window.ClickRating(2);
  EXPECT_EQ(bench.record.Latency, 500);
  bench.system.AdvanceMs(11500);
  bench.window.ClickRating(4);
  EXPECT_EQ(bench.record.Latency, 12000);
  EXPECT_EQ(GetResponse(bench.record, bench.window), 4);
}

TEST(ExposureTiming, ClickingTheChosenRatingAgainChangesNothing) {
  TrialBench bench;
  bench.Draw();
  bench.system.AdvanceMs(500);
  bench.window.ClickRating(2);
  const size_t pictures = bench.window.pictures.size();
  bench.system.AdvanceMs(300);
  bench.window.ClickRating(2);
  EXPECT_EQ(bench.record.Latency, 500);
  EXPECT_EQ(bench.window.pictures.size(), pictures);
  EXPECT_EQ(GetResponse(bench.record, bench.window), 2);
}

TEST(ExposureTiming, ZeroExposureNeverArmsTheTimer) {
  TrialBench bench;
  bench.record.Exposure = 0;
  bench.Draw();
  EXPECT_EQ(bench.window.timerStarts, 0);
  EXPECT_FALSE(bench.window.FireTimer());
  EXPECT_EQ(bench.ShownWidth(), 2);  // the image stays until a rating
  bench.system.AdvanceMs(60000);
  bench.window.ClickRating(1);
  EXPECT_EQ(bench.ShownWidth(), 1);
  EXPECT_EQ(bench.record.Latency, 60000);
}

TEST(ExposureTiming, NegativeExposureReachesTheTimerAsLargeUnsignedInterval) {
  TrialBench bench;
  bench.record.Exposure = -1;
  bench.Draw();
  EXPECT_EQ(bench.window.TimerInterval(), 4294967295u);
  bench.window.ClickRating(1);
  bench.record.Exposure = -5000;
  bench.Draw();
  EXPECT_EQ(bench.window.TimerInterval(), 4294962296u);
}

TEST(ExposureTiming, WallClockStepDoesNotChangeLatency) {
  TrialBench bench;
  bench.Draw();
  const double shownAt = bench.record.ShownAt;
  EXPECT_EQ(shownAt, ToTimeStamp(LocalTime{2026, 12, 7, 14, 5, 9, 0}));
  bench.system.StepWallClock(-3600000);  // clock set back an hour
  bench.system.AdvanceMs(800);
  bench.window.ClickRating(2);
  EXPECT_EQ(bench.record.Latency, 800);
  EXPECT_EQ(bench.record.ShownAt, shownAt);
}

TEST(ExposureTiming, LatencyRoundsHalfToEvenAndKeepsLow32Bits) {
  TrialBench bench;
  bench.Draw();
  bench.system.AdvanceNs(1500500000);
  bench.window.ClickRating(1);
  EXPECT_EQ(bench.record.Latency, 1500);
  bench.system.AdvanceNs(1000000);
  bench.window.ClickRating(2);
  EXPECT_EQ(bench.record.Latency, 1502);  // 1501.5 ms
  // 2^32 + 7 ms after the onset.
  bench.system.AdvanceNs((int64_t{4294967296} * 1000000) + 7000000 - 1501500000);
  bench.window.ClickRating(3);
  EXPECT_EQ(bench.record.Latency, 7);
}

}  // namespace
}  // namespace talvex::experiment
