#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "bench_clock.h"
#include "bench_stats.h"
#include "bench_table.h"
#include "child_process.h"
#include "screen_timing.h"
#include "talvex/local_time.h"

namespace talvex::bench {
namespace {

TEST(BenchStatistics, MedianOfOddAndEvenSeries) {
  EXPECT_DOUBLE_EQ(Summarize({5, 1, 3}).median, 3.0);
  EXPECT_DOUBLE_EQ(Summarize({4, 1, 3, 2}).median, 2.5);
  EXPECT_DOUBLE_EQ(Median({7}), 7.0);
}

TEST(BenchStatistics, PercentilesAreTheNearestRank) {
  std::vector<double> hundred;
  for (int i = 100; i >= 1; --i) hundred.push_back(i);
  EXPECT_DOUBLE_EQ(Summarize(hundred).p99, 99.0);
  EXPECT_DOUBLE_EQ(Summarize(hundred).p95, 95.0);
  // 126 trials, as in a default run: the rank is 125, the second largest.
  std::vector<double> run;
  for (int i = 1; i <= 126; ++i) run.push_back(i);
  const Summary summary = Summarize(run);
  EXPECT_DOUBLE_EQ(summary.p99, 125.0);
  EXPECT_DOUBLE_EQ(summary.p95, 120.0);  // rank ceil(119.7)
  EXPECT_DOUBLE_EQ(summary.min, 1.0);
  EXPECT_DOUBLE_EQ(summary.max, 126.0);
  EXPECT_EQ(summary.count, 126u);
  EXPECT_DOUBLE_EQ(Summarize({2, 9}).p99, 9.0);
}

TEST(BenchStatistics, EmptySeriesAndMagnitudes) {
  const Summary empty = Summarize({});
  EXPECT_EQ(empty.count, 0u);
  EXPECT_DOUBLE_EQ(empty.max, 0.0);
  EXPECT_EQ(Magnitudes({-1.5, 2.0, -0.0}), (std::vector<double>{1.5, 2.0, 0.0}));
}

// Time stamps are local time: the tests fix the zone (UTC+3, no daylight saving).
struct TimeStamps : ::testing::Test {
  std::string savedZone;
  bool hadZone = false;
  void SetUp() override {
    if (const char* zone = std::getenv("TZ")) {
      hadZone = true;
      savedZone = zone;
    }
    setenv("TZ", "XST-3", 1);
    tzset();
  }
  void TearDown() override {
    if (hadZone) {
      setenv("TZ", savedZone.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  // Nanoseconds since 1970 of a UTC date and time.
  static int64_t Utc(int year, int month, int day, int hour, int minute, int second, int64_t ns) {
    const int64_t days = DaysSince18991230(year, month, day) - 25569;
    return ((days * 24 + hour) * 60 + minute) * 60'000'000'000LL + second * 1'000'000'000LL + ns;
  }
};

TEST_F(TimeStamps, NanosecondsAfterALocalTimeStamp) {
  // 20:00:00.125 local is 17:00:00.125 UTC.
  const double shownAt = ToTimeStamp(LocalTime{2026, 12, 8, 20, 0, 0, 125});
  EXPECT_NEAR(NsAfterTimeStamp(shownAt, Utc(2026, 12, 8, 17, 0, 0, 125'600'000)), 600'000, 1);
  // An instant before the stamp gives a negative distance.
  EXPECT_NEAR(NsAfterTimeStamp(shownAt, Utc(2026, 12, 8, 17, 0, 0, 124'000'000)), -1'000'000, 1);
}

TEST_F(TimeStamps, DistanceAcrossLocalMidnight) {
  const double shownAt = ToTimeStamp(LocalTime{2026, 12, 31, 23, 59, 59, 999});
  // 00:00:00.001 local on 1 January is 21:00:00.001 UTC on 31 December.
  EXPECT_NEAR(NsAfterTimeStamp(shownAt, Utc(2026, 12, 31, 21, 0, 0, 1'000'000)), 2'000'000, 1);
}

TEST(BenchTable, NumbersAndRowsAsTheTableReadsThem) {
  EXPECT_EQ(Number(1.234, 2, "ms"), "1.23 ms");
  EXPECT_EQ(Number(-0.004, 2, "ms"), "-0.00 ms");
  EXPECT_EQ(Number(0.5, 1), "0.5");
  EXPECT_EQ(Verdict(true), "met");
  EXPECT_EQ(Verdict(false), "MISSED");

  const std::string path = ::testing::TempDir() + "bench_rows.tsv";
  std::remove(path.c_str());
  RowSink first(path);
  first.Add(MillisecondsRow("set", "figure", Summarize({1, 2, 3})));
  ASSERT_TRUE(first.Write());
  RowSink second(path);  // appends
  Row row;
  row.section = "set";
  row.figure = "ratio";
  row.median = "0.5";
  row.target = "<= 1";
  row.verdict = "met";
  second.Add(row);
  ASSERT_TRUE(second.Write());
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "set\tfigure\t2.00 ms\t3.00 ms\t3.00 ms\t-\t-\n"
            "set\tratio\t0.5\t\t\t<= 1\tmet\n");
  std::remove(path.c_str());
  EXPECT_FALSE(RowSink("/nonexistent-folder/rows.tsv").Write());
}

TEST(BenchChildProcess, OutputExitCodeAndTimes) {
  const ChildRun run = RunChild({"sh", "-c", "echo first-paint; exit 3"}, true);
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.output, "first-paint\n");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_GT(run.startNs, 0);
  EXPECT_GE(run.endNs, run.startNs);

  const ChildRun silent = RunChild({"sh", "-c", "echo discarded"}, false);
  EXPECT_TRUE(silent.started);
  EXPECT_EQ(silent.exitCode, 0);
  EXPECT_EQ(silent.output, "");
}

TEST(BenchChildProcess, MissingProgram) {
  EXPECT_FALSE(RunChild({"talvex-no-such-program"}, true).started);
  EXPECT_FALSE(RunChild({}, false).started);
  EXPECT_TRUE(ProgramExists("sh"));
  EXPECT_FALSE(ProgramExists("talvex-no-such-program"));
  EXPECT_FALSE(ProgramExists("/nonexistent/sh"));
}

TEST(LightSensor, ChangeLiesBetweenTheServersTwoReads) {
  // The last unchanged read went out at 1000 and came back at 1100; the first changed one
  // went out at 1300 and came back at 1500. The server read the pixels within each span.
  const ChangeMoment moment = ChangeBetween({1000, 1100}, {1300, 1500});
  EXPECT_EQ(moment.atNs, (1050 + 1400) / 2);
  EXPECT_EQ(moment.spreadNs, 250);
}

TEST(LightSensor, ResultsRowsNameTheirPicturesAndLatencies) {
  const std::string file =
      "100000 0 0 0\r\nname\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency\r\n"
      "sensor\t07/12/2026\t14:05:31\t1\tneg\tc (12).ccc\t2\t318\r\n"
      "sensor\t07/12/2026\t14:05:32\t2\tpos\tg (0).ccc\t3\t-4\r\n";
  const std::vector<RecordedTrial> rows = ReadResultsRows(file);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].n, 1);
  EXPECT_EQ(rows[0].resourceName, "RESOURCES_NEG_C__12__BMP");
  EXPECT_EQ(rows[0].response, 2);
  EXPECT_EQ(rows[0].latencyMs, 318);
  EXPECT_EQ(rows[1].resourceName, "RESOURCES_POS_G__0__BMP");
  EXPECT_EQ(rows[1].latencyMs, -4);
  EXPECT_TRUE(ReadResultsRows("p\r\nh\r\n").empty());
  // A row without its eight columns, or with a name of another form, is not a trial; a last
  // row without its line end is read too, so a bad one is not passed over.
  for (const char* row :
       {"s\td\tt\t1\tneg\tc (1).ccc\t2\r\n", "s\td\tt\t1\tneg\tg (1).ccc\t2\t300\r\n",
        "s\td\tt\tx\tneg\tc (1).ccc\t2\t300\r\n", "s\td\tt\t1\tneg\tc (1).ccc\t2"}) {
    EXPECT_THROW(ReadResultsRows(std::string("p\r\nh\r\n") + row), std::runtime_error) << row;
  }
}

TEST(LightSensor, ResourceNamesFromStatusAndImageName) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"pos", "g (19).ccc", "RESOURCES_POS_G__19__BMP"},
      {"neg", "c (79).ccc", "RESOURCES_NEG_C__79__BMP"},
      {"neg", "g (1).ccc", ""},  // the letter belongs to the other class
      {"pos", "g ().ccc", ""},
      {"pos", "g (1a).ccc", ""},
      {"POS", "g (1).ccc", ""},
      {"pos", "g (1).jpg", ""}};
  for (const auto& [status, name, resource] : cases) {
    EXPECT_EQ(ResourceNameOf(status, name), resource) << status << " " << name;
  }
}

}  // namespace
}  // namespace talvex::bench
