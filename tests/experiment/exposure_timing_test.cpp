#include "talvex/experiment/exposure_timing.h"

#include <gtest/gtest.h>

#include "talvex/local_time.h"
#include "trial_bench.h"

namespace talvex::experiment {
namespace {

struct ExposureTiming : ::testing::Test, talvex::testing::TrialBench {};

TEST_F(ExposureTiming, TimerArmedWithExposureFiresOnceAndBlanks) {
  Draw();
  // The image is on screen before its timer starts.
  EXPECT_EQ(window.calls,
            (std::vector<std::string>{"SetPicture", "SetTimerInterval 10000", "Disable"}));
  EXPECT_EQ(window.TimerInterval(), 10000u);
  EXPECT_EQ(window.timerStarts, 1);
  EXPECT_FALSE(window.buttonEnabled);
  EXPECT_EQ(ShownWidth(), 2);

  window.calls.clear();
  EXPECT_TRUE(window.FireTimer());
  EXPECT_EQ(window.calls, (std::vector<std::string>{"SetPicture", "Enable", "SetTimerInterval 0"}));
  EXPECT_EQ(ShownWidth(), 1);
  EXPECT_TRUE(window.buttonEnabled);
  EXPECT_EQ(window.GetText(TextControl::Button2), "Next");
  EXPECT_FALSE(window.TimerRunning());
  EXPECT_FALSE(window.FireTimer());
  EXPECT_EQ(GetResponse(record, window), -1);
  EXPECT_EQ(record.Response, -1);
}

TEST_F(ExposureTiming, RatingDuringExposureBlanksEnablesNextAndStopsTimer) {
  Draw();
  system.AdvanceMs(1234);
  window.ClickRating(3);
  EXPECT_EQ(record.Latency, 1234);
  EXPECT_EQ(ShownWidth(), 1);
  EXPECT_TRUE(window.buttonEnabled);
  EXPECT_EQ(window.GetText(TextControl::Button2), "Next");
  EXPECT_FALSE(window.FireTimer());
  EXPECT_EQ(GetResponse(record, window), 3);
}

TEST_F(ExposureTiming, SameRatingAgainChangesNothingAndALaterPickRetakesTheLatency) {
  Draw();
  system.AdvanceMs(500);
  window.ClickRating(2);
  const size_t pictures = window.pictures.size();
  system.AdvanceMs(300);
  window.ClickRating(2);
  EXPECT_EQ(record.Latency, 500);
  EXPECT_EQ(window.pictures.size(), pictures);
  EXPECT_EQ(GetResponse(record, window), 2);
  // Measured from the same showing.
  system.AdvanceMs(11200);
  window.ClickRating(4);
  EXPECT_EQ(record.Latency, 12000);
  EXPECT_EQ(GetResponse(record, window), 4);
}

TEST_F(ExposureTiming, ZeroExposureNeverArmsTheTimer) {
  record.Exposure = 0;
  Draw();
  EXPECT_EQ(window.timerStarts, 0);
  EXPECT_FALSE(window.FireTimer());
  EXPECT_EQ(ShownWidth(), 2);  // the image stays until a rating
  system.AdvanceMs(60000);
  window.ClickRating(1);
  EXPECT_EQ(ShownWidth(), 1);
  EXPECT_EQ(record.Latency, 60000);
}

TEST_F(ExposureTiming, NegativeExposureReachesTheTimerAsLargeUnsignedInterval) {
  record.Exposure = -1;
  Draw();
  EXPECT_EQ(window.TimerInterval(), 4294967295u);
  window.ClickRating(1);
  record.Exposure = -5000;
  Draw();
  EXPECT_EQ(window.TimerInterval(), 4294962296u);
}

TEST_F(ExposureTiming, WallClockStepDoesNotChangeLatency) {
  Draw();
  const double shownAt = record.ShownAt;
  EXPECT_EQ(shownAt, ToTimeStamp(LocalTime{2026, 12, 7, 14, 5, 9, 0}));
  system.StepWallClock(-3600000);  // clock set back an hour
  system.AdvanceMs(800);
  window.ClickRating(2);
  EXPECT_EQ(record.Latency, 800);
  EXPECT_EQ(record.ShownAt, shownAt);
}

TEST_F(ExposureTiming, LatencyRoundsHalfToEvenAndKeepsLow32Bits) {
  Draw();
  system.AdvanceNs(1500500000);
  window.ClickRating(1);
  EXPECT_EQ(record.Latency, 1500);
  system.AdvanceNs(1000000);
  window.ClickRating(2);
  EXPECT_EQ(record.Latency, 1502);  // 1501.5 ms
  // 2^32 + 7 ms after the onset.
  system.AdvanceNs((int64_t{4294967296} * 1000000) + 7000000 - 1501500000);
  window.ClickRating(3);
  EXPECT_EQ(record.Latency, 7);
}

}  // namespace
}  // namespace talvex::experiment
