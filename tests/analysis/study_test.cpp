#include "talvex/analysis/study.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "file_hazards.h"
#include "results_text.h"
#include "scratch_folder.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/results/sealing.h"

namespace talvex::analysis {
namespace {

using testing::ResultsText;
using testing::Row;
using testing::WholeRun;

std::string Sealed(std::string text, bool fortyBit = false) {
  const imagestore::CipherKey key = fortyBit ? imagestore::DeriveKey40(results::kResultsPassPhrase)
                                             : imagestore::DeriveKey(results::kResultsPassPhrase);
  imagestore::StreamCipher(key).Apply(reinterpret_cast<uint8_t*>(text.data()), text.size());
  return text;
}

int Rating(int k, bool positive) {
  return positive ? 3 + k % 3 : 1 + k % 3;
}

std::string Messages(const std::vector<Problem>& problems) {
  std::string text;
  for (const Problem& p : problems) {
    text += p.file + (p.line > 0 ? ":" + std::to_string(p.line) : "") + ": " + p.message + "\n";
  }
  return text;
}

Study Assemble(std::vector<InputFile> files, std::vector<Problem>& problems,
               bool includeIncomplete = false) {
  Study study = AssembleStudy(std::move(files), includeIncomplete, problems);
  SortProblems(problems);
  return study;
}

TEST(Study, TheSameRunGivenTwiceCountsOnce) {
  const std::string a = WholeRun("anna", 2, 3, Rating);
  const std::string b = WholeRun("ben", 2, 3, Rating);
  std::vector<Problem> problems;
  const Study study = Assemble({{"all", "in/a.xls", a},
                                {"all", "in/a.enc", Sealed(a)},
                                {"all", "copy/a.xls", a},
                                {"all", "in/b.enc", Sealed(b, true)}},
                               problems);
  ASSERT_EQ(study.tests.size(), 1u);
  const TestRuns& test = study.tests[0];
  ASSERT_EQ(test.runs.size(), 2u);
  EXPECT_EQ(test.runs[0].label, "anna");
  EXPECT_EQ(test.runs[0].path, "copy/a.xls");  // the first in path order
  EXPECT_EQ(test.runs[0].copies, (std::vector<std::string>{"in/a.enc", "in/a.xls"}));
  EXPECT_FALSE(test.runs[0].sealKey);
  EXPECT_EQ(test.runs[1].sealKey, results::SealKey::k40);
  EXPECT_EQ(Messages(problems),
            "in/a.enc: the same run as copy/a.xls; counted once\n"
            "in/a.xls: the same run as copy/a.xls; counted once\n");
  EXPECT_EQ(study.filesRead, 4u);
}

TEST(Study, ACopyTakenDuringTheRunCountsOnce) {
  const std::string whole = WholeRun("anna", 2, 3, Rating);
  const std::string early = whole.substr(0, whole.find("c (1).ccc"));
  std::vector<Problem> problems;
  const Study study = Assemble({{"all", "early.xls", early}, {"all", "late.xls", whole}}, problems);
  ASSERT_EQ(study.tests[0].runs.size(), 1u);
  EXPECT_EQ(study.tests[0].runs[0].path, "late.xls");
  EXPECT_TRUE(study.tests[0].runs[0].complete);
  EXPECT_EQ(Messages(problems),
            "early.xls: an earlier copy of the run in late.xls (3 of 5 rows); counted once\n"
            "early.xls:6: 6 columns, not 8; row left out\n");
}

TEST(Study, IncompleteRunsAreMarkedAndLeftOutUnlessAsked) {
  const std::string full = "1000 0.5 0.5 1";  // 2 + 4 cases and 1 + 2 repeats: 9 rows
  const std::vector<Row> rows = {{"g (0).ccc", 4}, {"c (0).ccc", 1}, {"g (1).ccc", 5},
                                 {"c (1).ccc", 2}, {"c (2).ccc", 1}, {"c (3).ccc", 3},
                                 {"g (1).ccc", 4}, {"c (0).ccc", 2}, {"c (3).ccc", 3}};
  const std::vector<Row> part(rows.begin(), rows.begin() + 7);
  for (const bool include : {false, true}) {
    std::vector<Problem> problems;
    const Study study = Assemble({{"all", "a.xls", ResultsText("anna", rows, full)},
                                  {"all", "b.xls", ResultsText("ben", rows, full)},
                                  {"all", "c.xls", ResultsText("cleo", part, full)}},
                                 problems, include);
    const TestRuns& test = study.tests[0];
    ASSERT_EQ(test.runs.size(), 3u);
    for (const analysis::Run& run : test.runs) EXPECT_EQ(run.expectedRows, 9u) << run.label;
    EXPECT_TRUE(test.runs[0].complete && test.runs[1].complete);
    EXPECT_FALSE(test.runs[2].complete);
    EXPECT_EQ(test.runs[2].acrossRaters, include);
    EXPECT_EQ(Messages(problems),
              std::string("c.xls: incomplete run: 7 of 9 rows; ") +
                  (include ? "taken into the across-rater figures (--include-incomplete)\n"
                           : "left out of the across-rater figures\n"));
  }
}

TEST(Study, ACaseOfBothClassesIsLeftOut) {
  const std::string a = ResultsText("anna", {{"g (0).ccc", 4}, {"c (0).ccc", 1}, {"c (1).ccc", 2}});
  std::string b = ResultsText("ben", {{"g (0).ccc", 5}, {"c (0).ccc", 2}, {"c (1).ccc", 1}});
  b.replace(b.find("neg\tc (1)"), 3, "pos");
  std::vector<Problem> problems;
  const Study study = Assemble({{"all", "a.xls", a}, {"all", "b.xls", b}}, problems);
  const TestRuns& test = study.tests[0];
  ASSERT_EQ(test.cases.size(), 2u);
  EXPECT_EQ(test.cases[0].name, "c (0).ccc");
  EXPECT_EQ(test.cases[1].name, "g (0).ccc");
  EXPECT_EQ(test.conflicting, (std::vector<std::string>{"c (1).ccc"}));
  EXPECT_NE(Messages(problems).find(
                "b.xls:5: image \"c (1).ccc\" is pos here but neg in a.xls; the image is "
                "left out of test all\n"),
            std::string::npos)
      << Messages(problems);
}

// A run whose first row was written at the given date and time.
std::string StartedAt(std::string text, const std::string& dateAndTime) {
  return text.replace(text.find("07/12/2026\t14:05:11"), 19, dateAndTime);
}

TEST(Study, RunsOfOneRaterAreNumberedByTheirStartAndOneIsUsed) {
  const std::string whole = WholeRun("k", 2, 2, Rating);
  const std::string part = whole.substr(0, whole.rfind("k\t"));
  std::vector<Problem> problems;
  // Day-first dates (25/06 has no month 25); neither the paths nor the contents are in
  // start order.
  const Study study = Assemble({{"all", "a.xls", StartedAt(whole, "25/06/2026\t09:00:00")},
                                {"all", "b.xls", StartedAt(part, "24/06/2026\t17:00:00")},
                                {"all", "c.xls", StartedAt(whole + "", "25/06/2026\t08:59:59")},
                                {"all", "m.xls", WholeRun("m", 2, 2, Rating, "1000 0 0 1")}},
                               problems);
  const TestRuns& test = study.tests[0];
  ASSERT_EQ(test.runs.size(), 4u);
  std::vector<std::string> runs;
  for (const analysis::Run& run : test.runs) {
    runs.push_back(run.label + " " + run.path + (run.acrossRaters ? " used" : ""));
  }
  EXPECT_EQ(runs, (std::vector<std::string>{"k #1 b.xls", "k #2 c.xls used", "k #3 a.xls",
                                            "m m.xls used"}));
  EXPECT_NE(Messages(problems).find(
                "c.xls: rater ID \"k\" has 3 runs in test all, numbered by their start; this one "
                "is k #2, started 25/06/2026 08:59:59; k #2, the first complete one, is used in "
                "the across-rater figures\n"),
            std::string::npos)
      << Messages(problems);
  EXPECT_NE(Messages(problems).find("a.xls: rater ID \"k\" has 3 runs in test all, numbered by "
                                    "their start; this one is k #3, started 25/06/2026 "
                                    "09:00:00; k #2, the first complete one, is used in the "
                                    "across-rater figures (c.xls)\n"),
            std::string::npos);
  EXPECT_EQ(test.notes, (std::vector<std::string>{
                            "k: 3 runs; k #2, the first complete one, is used in the across-rater "
                            "figures"}));
  ASSERT_EQ(test.parameterSets.size(), 2u);
  EXPECT_EQ(test.parameterSets[0].runs, (std::vector<std::string>{"k #1", "k #2", "k #3"}));

  // A 12-hour clock: 11:30 AM comes before 02:05 PM.
  problems.clear();
  const Study clock = Assemble({{"all", "x.xls", StartedAt(whole, "12/07/2026\t02:05:09 PM")},
                                {"all", "y.xls", StartedAt(whole + "", "12/07/2026\t11:30:00 AM")}},
                               problems);
  EXPECT_EQ(clock.tests[0].runs[0].path, "y.xls");
  EXPECT_EQ(Messages(problems).find("month first taken"), std::string::npos);
  // Dates that read both ways and order the runs differently: month first, and said so.
  problems.clear();
  const Study either = Assemble({{"all", "x.xls", StartedAt(whole, "12/07/2026\t10:00:00")},
                                 {"all", "y.xls", StartedAt(whole + "", "07/12/2026\t10:00:00")}},
                                problems);
  EXPECT_EQ(either.tests[0].runs[0].path, "y.xls");
  EXPECT_NE(Messages(problems).find("numbered by their start (the dates could be read day first "
                                    "or month first: month first taken)"),
            std::string::npos);
}

TEST(Study, AForeignImageIsNamedAndEachRunJudgedByItsOwnPlan) {
  // Three runs of one image set and one whose set has "c (9)" in place of "c (2)": once every
  // run was "incomplete: 5 of 6 rows" and the image was never named.
  std::string other = WholeRun("d", 2, 3, Rating);
  other.replace(other.find("c (2)"), 5, "c (9)");
  std::vector<Problem> problems;
  const Study study = Assemble({{"all", "a.xls", WholeRun("a", 2, 3, Rating)},
                                {"all", "b.xls", WholeRun("b", 2, 3, Rating)},
                                {"all", "c.xls", WholeRun("c", 2, 3, Rating)},
                                {"all", "d.xls", other}},
                               problems);
  for (const analysis::Run& run : study.tests[0].runs) {
    EXPECT_TRUE(run.complete && run.acrossRaters) << run.path;
    EXPECT_EQ(run.expectedRows, 5u);
  }
  EXPECT_EQ(Messages(problems),
            "a.xls: image \"c (2).ccc\" is shown in 3 of 4 complete runs of test all (not in "
            "d.xls); cases not seen by every rater are left out of the across-rater figures\n"
            "d.xls: image \"c (9).ccc\" is shown in 1 of 4 complete runs of test all (not in "
            "a.xls, b.xls, c.xls); cases not seen by every rater are left out of the "
            "across-rater figures\n");
}

TEST(Study, MoreShowingsOrRowsThanPlannedAreProblems) {
  const std::string run = ResultsText(
      "anna",
      {{"g (0).ccc", 4}, {"g (1).ccc", 5}, {"c (0).ccc", 1}, {"g (0).ccc", 4}, {"g (0).ccc", 5}},
      "1000 0 0 0");
  std::vector<Problem> problems;
  const Study study = Assemble({{"all", "a.xls", run}}, problems);
  EXPECT_TRUE(study.tests[0].runs[0].complete);
  EXPECT_EQ(Messages(problems),
            "a.xls: image \"g (0).ccc\" is shown more than twice, which no run plans; only the "
            "first two showings count\n"
            "a.xls: more rows than planned: 5 where its run parameters and images give 3; its "
            "figures are still given\n");
}

TEST(Study, FilesThatAreNotResultsFiles) {
  std::vector<Problem> problems;
  const Study study = Assemble({{"all", "junk.enc", std::string(300, '\x5a')},
                                {"all", "junk.xls", "just some text\nnot a results file\n"},
                                {"all", "ok.xls", WholeRun("a", 1, 1, Rating)}},
                               problems);
  EXPECT_EQ(study.tests[0].runs.size(), 1u);
  EXPECT_EQ(Messages(problems),
            "junk.enc: not a sealed results file: neither the 128-bit nor the 40-bit key yields a "
            "parameter line and the header line; left out\n"
            "junk.xls:2: not the header line (name, date, time, n, status, imgname, response, "
            "latency); the file is left out\n");
}

TEST(Study, FoldersAreSearchedForResultsAndSealedFiles) {
  talvex::testing::ScratchFolder folder;
  std::filesystem::create_directories(folder / "sub/deeper");
  const std::string run = WholeRun("a", 1, 1, Rating);
  talvex::testing::WriteBytes(folder / "sub/a.XLS", run);
  talvex::testing::WriteBytes(folder / "sub/deeper/b.Enc", Sealed(WholeRun("b", 1, 1, Rating)));
  talvex::testing::WriteBytes(folder / "sub/notes.txt", run);
  talvex::testing::WriteBytes(folder / "sub/huge.xls", run);
  // A sparse file larger than any results file: refused by its size, never read.
  std::filesystem::resize_file(folder / "sub/huge.xls", kMaxResultsFileBytes + 1);
  std::vector<Problem> problems;
  const std::vector<InputFile> files = ReadInputs({{"all", folder.Path()},
                                                   {"all", folder / "sub/a.XLS"},
                                                   {"t", folder / "none"},
                                                   {"t", folder / "sub/notes.txt"}},
                                                  problems);
  std::vector<std::string> read;
  for (const InputFile& file : files) read.push_back(file.test + " " + file.path);
  EXPECT_EQ(read, (std::vector<std::string>{"all " + (folder / "sub/a.XLS"),
                                            "all " + (folder / "sub/deeper/b.Enc"),
                                            "t " + (folder / "sub/notes.txt")}));
  EXPECT_EQ(files[0].bytes, run);
  EXPECT_EQ(Messages(problems), folder / "none" + ": no such file or folder\n" +
                                    folder / "sub/huge.xls" +
                                    ": larger than any results file (67108865 bytes); left out\n");

  // A subfolder that cannot be read is named, and the rest is still read; root reads every
  // folder, so the search runs as another user.
  std::filesystem::remove(folder / "sub/huge.xls");
  std::filesystem::create_directories(folder / "sub/locked");
  talvex::testing::WriteBytes(folder / "sub/locked/c.xls", run);
  chmod((folder / "sub/locked").c_str(), 0);
  const int outcome = talvex::testing::RunUnprivileged([&] {
    std::vector<Problem> found;
    const size_t count = ReadInputs({{"all", folder / "sub"}}, found).size();
    return count == 2 && Messages(found) == folder / "sub/locked" +
                                                ": folder cannot be read: Permission denied; its "
                                                "files are left out\n"
               ? 0
               : 1;
  });
  EXPECT_EQ(outcome, 0);
}

TEST(Study, CaseNamesInReadingOrder) {
  std::vector<std::string> names = {"c (10).ccc", "g (2).ccc", "c (9).ccc", "c (0).ccc",
                                    "c (02).ccc", "c.ccc",     "c (1).ccc"};
  std::sort(names.begin(), names.end(), CaseNameLess);
  EXPECT_EQ(names, (std::vector<std::string>{"c (0).ccc", "c (1).ccc", "c (02).ccc", "c (9).ccc",
                                             "c (10).ccc", "c.ccc", "g (2).ccc"}));
}

}  // namespace
}  // namespace talvex::analysis
