#include "talvex/analysis/results_file.h"

#include <gtest/gtest.h>

#include "results_text.h"

namespace talvex::analysis {
namespace {

using testing::kHeader;
using testing::ResultsText;
using testing::RowText;

const std::string kParameters = "10000 0.1 0.3 1 (by default)\r\n";
const std::string kGood = "k4T19\t07/12/2026\t14:05:31\t1\tpos\tg (12).ccc\t2\t1874";

std::string Messages(const std::vector<Problem>& problems) {
  std::string text;
  for (const Problem& p : problems) {
    text += p.file + ":" + std::to_string(p.line) + ": " + p.message + "\n";
  }
  return text;
}

TEST(ResultsFile, ReadsTheRowsOfAGoodFile) {
  const std::string text = ResultsText("k4T19", {{"g (12).ccc", 2, 1874}, {"c (0).ccc", 5, 310}});
  std::vector<Problem> problems;
  const std::optional<RunFile> run = ReadResultsText(text, "r.xls", problems);
  ASSERT_TRUE(run);
  EXPECT_TRUE(problems.empty()) << Messages(problems);
  EXPECT_EQ(run->raterId, "k4T19");
  EXPECT_EQ(run->parameterLine, "10000 0.1 0.3 1 (by default)");
  ASSERT_TRUE(run->parameters);
  EXPECT_EQ(run->parameters->exposure, 10000);
  EXPECT_EQ(run->parameters->negativeFraction, 0.3);
  ASSERT_EQ(run->trials.size(), 2u);
  const Trial& first = run->trials[0];
  EXPECT_EQ(first.number, 1);
  EXPECT_TRUE(first.positive);
  EXPECT_EQ(first.caseName, "g (12).ccc");
  EXPECT_EQ(first.rating, 2);
  EXPECT_EQ(first.latency, 1874);
  EXPECT_EQ(first.line, 3u);
  EXPECT_FALSE(run->trials[1].positive);
  // Line ends of LF alone, and no line end at the very end, read the same.
  std::string lf = text;
  for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  lf.pop_back();
  const std::optional<RunFile> again = ReadResultsText(lf, "r.xls", problems);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->trials.size(), 2u);
  EXPECT_TRUE(problems.empty()) << Messages(problems);
}

TEST(ResultsFile, EachBadRowIsNamedAndLeftOut) {
  const struct {
    std::string row;
    std::string message;
  } cases[] = {
      {"k4T19\t07/12/2026\t14:05:31\t2\tpos\tg (12).ccc\t2", "7 columns, not 8; row left out"},
      {kGood + "\t", "9 columns, not 8; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\ttwo\tpos\tg (1).ccc\t2\t1874",
       "trial number \"two\" is not an integer; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t2\tPOS\tg (1).ccc\t2\t1874",
       "status \"POS\" is neither pos nor neg; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t2\tpos\t\t2\t1874", "no image name; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t2\tpos\tg (1).ccc\t2.0\t1874",
       "rating \"2.0\" is not an integer; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t2\tpos\tg (1).ccc\t6\t1874",
       "rating 6 is not 1 to 5; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t2\tpos\tg (1).ccc\t0\t1874",
       "rating 0 is not 1 to 5; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t2\tpos\tg (1).ccc\t3\t99999999999",
       "latency \"99999999999\" is not an integer; row left out"},
      {"other\t07/12/2026\t14:05:31\t2\tpos\tg (1).ccc\t3\t100",
       "rater ID \"other\" differs from \"k4T19\" on line 3; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t1\tpos\tg (1).ccc\t3\t100",
       "trial number 1 does not follow 1; row left out"},
      {"k4T19\t07/12/2026\t14:05:31\t2\tneg\tg (12).ccc\t3\t100",
       "image \"g (12).ccc\" is neg here but pos on line 3; row left out"},
  };
  for (const auto& [row, message] : cases) {
    SCOPED_TRACE(row);
    const std::string text = kParameters + kHeader + "\r\n" + kGood + "\r\n" + row + "\r\n" +
                             "k4T19\t07/12/2026\t14:05:40\t9\tneg\tc (1).ccc\t1\t700\r\n";
    std::vector<Problem> problems;
    const std::optional<RunFile> run = ReadResultsText(text, "r.xls", problems);
    ASSERT_TRUE(run);
    EXPECT_EQ(Messages(problems), "r.xls:4: " + message + "\n");
    ASSERT_EQ(run->trials.size(), 2u);  // the rows around it are kept
    EXPECT_EQ(run->trials[1].line, 5u);
  }
}

TEST(ResultsFile, FilesThatCannotBeUsed) {
  const struct {
    std::string text;
    std::string problems;
  } cases[] = {
      {"", "f:0: empty file; left out\n"},
      {kParameters,
       "f:2: not the header line (name, date, time, n, status, imgname, response, latency); the "
       "file is left out\n"},
      {kParameters + "name\tdate\ttime\r\n" + kGood + "\r\n",
       "f:2: not the header line (name, date, time, n, status, imgname, response, latency); the "
       "file is left out\n"},
      {kParameters + kHeader + "\r\n", "f:0: no usable trial row; the file is left out\n"},
      {kParameters + kHeader + "\r\nnonsense\r\n",
       "f:3: 1 column, not 8; row left out\nf:0: no usable trial row; the file is left out\n"},
  };
  for (const auto& [text, expected] : cases) {
    std::vector<Problem> problems;
    EXPECT_FALSE(ReadResultsText(text, "f", problems)) << text;
    EXPECT_EQ(Messages(problems), expected);
  }
}

TEST(ResultsFile, BlankLinesWithinTheRowsAreProblemsAtTheEndNot) {
  const std::string text = kParameters + kHeader + "\r\n" + kGood + "\r\n\r\n" +
                           RowText("k4T19", 2, {"c (1).ccc", 1, 500}) + "\r\n\r\n";
  std::vector<Problem> problems;
  const std::optional<RunFile> run = ReadResultsText(text, "f", problems);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->trials.size(), 2u);
  EXPECT_EQ(Messages(problems), "f:4: empty line; left out\n");
}

TEST(ResultsFile, ALineWithoutTheParametersIsAProblemNotTheEnd) {
  std::vector<Problem> problems;
  const std::string text = "hello\r\n" + kHeader + "\r\n" + kGood + "\r\n";
  const std::optional<RunFile> run = ReadResultsText(text, "f", problems);
  ASSERT_TRUE(run);
  EXPECT_FALSE(run->parameters);
  EXPECT_EQ(Messages(problems),
            "f:1: the parameter line \"hello\" does not hold the four run parameters; "
            "completeness is not checked\n");
}

TEST(ResultsFile, LongValuesAreCutInMessages) {
  const std::string longName(200, 'x');
  const std::string text = kParameters + kHeader + "\r\n" + "k\t07/12/2026\t14:05:31\t1\t" +
                           longName + "\tg (1).ccc\t2\t1\r\n" + kGood + "\r\n";
  std::vector<Problem> problems;
  ASSERT_TRUE(ReadResultsText(text, "f", problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].message,
            "status \"" + std::string(40, 'x') + "...\" is neither pos nor neg; row left out");
}

}  // namespace
}  // namespace talvex::analysis
