// The talvex-report program itself: command line, exit codes and the files of --out.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "results_text.h"
#include "scratch_folder.h"

namespace talvex::analysis {
namespace {

using talvex::testing::ReadBytes;
using talvex::testing::ScratchFolder;
using talvex::testing::WriteBytes;

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

ToolRun RunTool(const ScratchFolder& folder, const std::string& arguments) {
  const std::string command = "cd '" + folder.Path() + "' && '" + TALVEX_REPORT_TOOL + "' " +
                              arguments + " >stdout 2>stderr";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(folder / "stdout"),
          ReadBytes(folder / "stderr")};
}

TEST(ReportTool, WrongCommandLinesExitWithTwo) {
  ScratchFolder folder;
  for (const char* arguments :
       {"", "--out", "--bogus x.xls", "--positive-from 7 x.xls", "--positive-from 1 x.xls",
        "--test x.xls", "--test =x.xls", "x.xls --test A=y.xls", "--partial-area 0.9-0.8 x.xls",
        "--partial-area 0.8 x.xls", "--at-specificity 1.5 x.xls", "--resamples -1 x.xls",
        "--seed 1e3 x.xls", "--effect-size 0 x.xls"}) {
    const ToolRun run = RunTool(folder, arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments;
    EXPECT_NE(run.err.find("Usage: talvex-report"), std::string::npos) << arguments;
  }
  EXPECT_EQ(RunTool(folder, "--help").exitCode, 0);
}

TEST(ReportTool, NothingToAnalyseExitsWithOne) {
  ScratchFolder folder;
  WriteBytes(folder / "junk.enc", std::string(100, '\x01'));
  const ToolRun run = RunTool(folder, "junk.enc missing.xls");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(run.err,
            "junk.enc: not a sealed results file: neither the 128-bit nor the 40-bit key yields "
            "a parameter line and the header line; left out\n"
            "missing.xls: no such file or folder\n"
            "talvex-report: no run could be analysed\n");
}

TEST(ReportTool, AnalysesWhatItCanAndWritesTheReport) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder / "in/sub");
  WriteBytes(folder / "in/anna.xls", testing::StudyRun("anna", 0));
  WriteBytes(folder / "in/sub/ben.xls", testing::StudyRun("ben", 1));
  WriteBytes(folder / "in/sub/cleo.xls", testing::StudyRun("cleo", 2));
  WriteBytes(folder / "in/bad.xls", "not\na results file\n");
  const ToolRun run = RunTool(folder, "--out report --positive-from 3 in");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Across 3 raters on 16 cases"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Report written to report/report.html"), std::string::npos);
  EXPECT_EQ(run.err,
            "in/bad.xls: line 2: not the header line (name, date, time, n, status, imgname, "
            "response, latency); the file is left out\n");
  for (const char* name :
       {"report.html", "raters.csv", "cutpoints.csv", "cases.csv", "agreement.csv", "latency.csv",
        "problems.csv", "ratings.csv", "study.imrmc", "imrmc-ids.csv", "fits.csv", "operating.csv",
        "difficulty.csv", "plan.csv", "plan-basis.csv", "paired.csv"}) {
    EXPECT_FALSE(ReadBytes(folder / (std::string("report/") + name)).empty()) << name;
  }
  EXPECT_EQ(ReadBytes(folder / "report/problems.csv"),
            "file,line,problem\nin/bad.xls,2,\"not the header line (name, date, time, n, status, "
            "imgname, response, latency); the file is left out\"\n");
  // The same folders given file by file and in another order: the same report.
  const std::string html = ReadBytes(folder / "report/report.html");
  const ToolRun again = RunTool(
      folder, "--positive-from 3 --out report2 in/sub/cleo.xls in/bad.xls in/sub in/anna.xls");
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "report2/report.html"), html);
  // The bootstrap's seed is printed and chosen; another seed, other intervals.
  EXPECT_NE(run.out.find("seed 20240229"), std::string::npos);
  const ToolRun seeded = RunTool(folder, "--seed 7 --resamples 300 --out report3 in");
  EXPECT_NE(seeded.out.find("seed 7."), std::string::npos) << seeded.out;
  EXPECT_NE(seeded.out.find("from 300 stratified"), std::string::npos);
  EXPECT_NE(ReadBytes(folder / "report3/operating.csv"),
            ReadBytes(folder / "report/operating.csv"));
}

TEST(ReportTool, OutWritesNothingThroughPlantedLinksAndLeavesNoTemporaryFile) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder / "in");
  std::filesystem::create_directories(folder / "report");
  const std::string anna = testing::StudyRun("anna", 0);
  WriteBytes(folder / "in/anna.xls", anna);
  WriteBytes(folder / "in/ben.xls", testing::StudyRun("ben", 1));
  // Once the report went through this link into the input.
  std::filesystem::create_symlink(folder / "in/anna.xls", folder / "report/report.html.part");
  const ToolRun run = RunTool(folder, "--out report in");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(folder / "in/anna.xls"), anna);
  EXPECT_EQ(ReadBytes(folder / "report/report.html").rfind("<!DOCTYPE html>", 0), 0u);

  // A report file that cannot be put in place: exit code 1, the reason said, no temporary
  // file left behind.
  std::filesystem::remove(folder / "report/raters.csv");
  std::filesystem::create_directories(folder / "report/raters.csv/taken");
  const ToolRun failed = RunTool(folder, "--out report in");
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.err.find("talvex-report: cannot write report/raters.csv: "), std::string::npos)
      << failed.err;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "report")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{
                       "agreement.csv", "cases.csv", "cutpoints.csv", "difficulty.csv",
                       "fits.csv", "imrmc-ids.csv", "latency.csv", "operating.csv",
                       "paired.csv", "plan-basis.csv", "plan.csv", "problems.csv", "raters.csv",
                       "ratings.csv", "report.html", "report.html.part", "study.imrmc"}));
}

}  // namespace
}  // namespace talvex::analysis
