#include "talvex/analysis/study.h"

#include <gtest/gtest.h>

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

TEST(Study, ARaterIdWithTwoRunsAndDifferentParameters) {
  std::vector<Problem> problems;
  const Study study = Assemble({{"all", "x/k1.xls", WholeRun("k", 2, 2, Rating, "1000 0 0 0")},
                                {"all", "x/k2.xls",
                                 WholeRun(
                                     "k", 2, 2, [](int, bool) { return 3; }, "0 0 0 0")},
                                {"all", "x/m.xls", WholeRun("m", 2, 2, Rating, "1000 0 0 1")}},
                               problems);
  const TestRuns& test = study.tests[0];
  ASSERT_EQ(test.runs.size(), 3u);
  EXPECT_EQ(test.runs[0].label, "k #1");
  EXPECT_EQ(test.runs[1].label, "k #2");
  EXPECT_EQ(test.runs[2].label, "m");
  EXPECT_EQ(Messages(problems),
            "x/k1.xls: rater ID \"k\" has 2 runs in test all (x/k2.xls, x/k1.xls); each run is "
            "listed on its own as k #2\n"
            "x/k2.xls: rater ID \"k\" has 2 runs in test all (x/k2.xls, x/k1.xls); each run is "
            "listed on its own as k #1\n");
  ASSERT_EQ(test.parameterSets.size(), 3u);
  EXPECT_EQ(test.parameterSets[0].parameterLine, "0 0 0 0");
  EXPECT_EQ(test.parameterSets[0].runs, (std::vector<std::string>{"k #1"}));
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
