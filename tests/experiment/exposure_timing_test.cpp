#include "talvex/experiment/exposure_timing.h"

#include <gtest/gtest.h>

#include <optional>

#include "talvex/clock.h"
#include "talvex/local_time.h"
#include "trial_bench.h"

namespace talvex::experiment {
namespace {

struct ExposureTiming : ::testing::Test, talvex::testing::TrialBench {};

TEST_F(ExposureTiming, TimerArmedWithExposureFiresOnceAndBlanks) {
  Draw();
  // The image is on screen before its timer starts, and the display has it before the onset.
  EXPECT_EQ(window.calls, (std::vector<std::string>{"SetPicture", "SetTimerInterval 10000",
                                                    "WaitUntilDisplayed", "Disable"}));
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

TEST_F(ExposureTiming, LatencyRunsToTheInputsOwnTimeNeverPastTheHandler) {
  struct Case {
    std::optional<int64_t> inputAfterOnsetNs;  // when the window system tells
    int64_t handlerAfterOnsetMs;
    int32_t latency;
  };
  const Case cases[] = {
      {std::nullopt, 900, 900},  // no input time: the handler's
      {850'400'000, 900, 850},   // the click 50 ms before its handler ran
      {900'000'000, 900, 900},
      {901'000'000, 900, 900},  // an input stamped after its handler is not believed
      {-3'000'000, 900, -3},    // clicked before the picture was on screen
  };
  for (const Case& c : cases) {
    Draw();
    const int64_t onset = record.ShownAtNs;
    system.AdvanceMs(c.handlerAfterOnsetMs);
    const std::optional<int64_t> inputNs =
        c.inputAfterOnsetNs ? std::optional<int64_t>(onset + *c.inputAfterOnsetNs) : std::nullopt;
    window.ClickRating(3, inputNs);
    EXPECT_EQ(record.Latency, c.latency) << c.handlerAfterOnsetMs;
  }
}

TEST(MillisecondStamp, PlacesTheStampOnTheFullClockAtItsMillisecondsMiddle) {
  constexpr int64_t kMs = 1'000'000;
  constexpr int64_t kCycleMs = int64_t{1} << 32;
  struct Case {
    uint32_t stampMs;
    int64_t nowNs;
    int64_t expectedNs;
  };
  const Case cases[] = {
      {5000, 5000 * kMs + 700'000, 5000 * kMs + 500'000},  // the millisecond now running
      {4990, 5000 * kMs, 4990 * kMs + 500'000},
      {5002, 5000 * kMs, 5002 * kMs + 500'000},  // a little ahead of now
      // The stamp has wrapped round; now is just past a cycle of 2^32 ms.
      {4294967290u, (3 * kCycleMs + 4) * kMs, (3 * kCycleMs - 6) * kMs + 500'000},
      {3, (3 * kCycleMs - 2) * kMs, (3 * kCycleMs + 3) * kMs + 500'000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MillisecondStampToNanoseconds(c.stampMs, c.nowNs), c.expectedNs) << c.stampMs;
  }
}

}  // namespace
}  // namespace talvex::experiment
