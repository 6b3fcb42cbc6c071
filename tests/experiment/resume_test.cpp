#include "talvex/experiment/resume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "fake_loader.h"
#include "fake_system.h"
#include "fake_window.h"
#ifndef _WIN32
#include <unistd.h>

#include "file_hazards.h"
#endif
#include "talvex/experiment/controller.h"
#include "talvex/experiment/trial_schedule.h"
#include "talvex/platform/file.h"
#include "talvex/results/results_format.h"
#include "talvex/results/sealing.h"
#include "talvex/results_lines.h"

namespace talvex::experiment {
namespace {

namespace fs = std::filesystem;
using talvex::testing::FakeLoader;
using talvex::testing::FakeSystem;
using talvex::testing::FakeWindow;
using talvex::testing::ReadBytes;
using talvex::testing::ResultsLines;
using talvex::testing::ResultsRowOf;
using talvex::testing::WriteBytes;

#ifndef _WIN32
constexpr uid_t kAnotherUser = 65534;  // nobody
#endif

// One program run after another on the same folders: each has a window and a controller of
// its own; destroying the controller is the program's end, closed or killed.
struct Program {
  Program(FakeSystem& fakeSystem, std::shared_ptr<FakeLoader> loader,
          const ResumeSettings& settings)
      : system(fakeSystem), controller(window, fakeSystem, record, std::move(loader), settings) {
    window.Attach(controller);
    controller.FormCreate();
  }
  void Start(const std::string& id) {
    window.TypeId(id);
    controller.Button2Click();
  }
  void RateAndNext(int rating) {
    system.AdvanceMs(700);
    window.ClickRating(rating);
    controller.Button2Click();
  }
  const ExperimentRecord& Record() const { return record; }

  FakeSystem& system;
  FakeWindow window;
  ExperimentRecord record;
  TExperimentController controller;
};

class Resume : public ::testing::Test {
 protected:
  Resume() { system.locale = testing::DayFirstLocale(); }

  // 14:05:09 on 7 December 2026 again.
  void ResetClock() {
    system.now = testing::At(2026, 12, 7, 14, 5, 9);
    system.wallStepNs = 0;
  }

  std::unique_ptr<Program> Run() { return std::make_unique<Program>(system, loader, settings); }
  // A run of the ID that ends after rows rated trials, as a killed program's does.
  void CutShort(const std::string& id, int rows) {
    std::unique_ptr<Program> program = Run();
    program->Start(id);
    for (int n = 1; n <= rows; ++n) program->RateAndNext(n % 5 + 1);
    resultsPath = program->Record().ResultsPath;
    runFilePath = results::MakeRunFilePath(resultsPath);
  }
  std::vector<std::string> ResultsFolderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(system.programFolder + "results")) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  FakeSystem system;
  std::shared_ptr<FakeLoader> loader = FakeLoader::DefaultSet();
  ResumeSettings settings;
  std::string resultsPath;
  std::string runFilePath;
};

TEST_F(Resume, RunFileBesideTheResultsHoldsThePlanWhileTheRunLasts) {
  std::unique_ptr<Program> program = Run();
  program->Start("k4T19");
  const std::string runFile = results::MakeRunFilePath(program->Record().ResultsPath);
  // Held alone: no other program can open it, to write or to read.
  platform::File other;
  EXPECT_EQ(other.OpenForAppend(runFile).code, platform::kSharingViolation);
  EXPECT_EQ(other.OpenForReading(runFile).code, platform::kSharingViolation);
  program.reset();
  const std::optional<results::RunPlan> plan = results::ParseRunFile(ReadBytes(runFile));
  ASSERT_TRUE(plan.has_value());
  EXPECT_EQ(plan->raterId, "k4T19");
  EXPECT_EQ(plan->paramLine, "10000 0.1 0.3 1 (by default)");
  EXPECT_EQ(plan->imageSet, results::ImageSetFingerprint(loader->ListImageNames()));
  EXPECT_EQ(plan->posPool.size() + plan->negPool.size(), 126u);
}

TEST_F(Resume, YesContinuesTheRunIntoTheSameFileAndSealsItWhole) {
  struct Case {
    int rowsBefore;
    bool onCdRom;
  };
  for (const Case& c : {Case{40, false}, Case{0, false}, Case{125, false}, Case{3, true}}) {
    SCOPED_TRACE(std::to_string(c.rowsBefore) + (c.onCdRom ? " in the temporary folder" : ""));
    system.driveKind = c.onCdRom ? kDriveCdRom : kDriveFixed;
    ResetClock();
    CutShort("k4T19", c.rowsBefore);
    const std::string before = ReadBytes(resultsPath);
    const std::optional<results::RunPlan> plan = results::ParseRunFile(ReadBytes(runFilePath));
    ASSERT_TRUE(plan.has_value());

    system.AdvanceMs(3 * 3600 * 1000);  // three hours later
    std::unique_ptr<Program> program = Run();
    program->Start("k4T19");
    EXPECT_EQ(program->window.questions,
              std::vector<std::string>{"An unfinished run for k4T19 from 07/12/2026 14:05:09 has " +
                                       std::to_string(c.rowsBefore) +
                                       " of 126 trials rated. Continue it?"});
    EXPECT_EQ(program->Record().ResultsPath, resultsPath);
    EXPECT_EQ(program->Record().TrialCount, c.rowsBefore + 1);
    EXPECT_EQ(program->window.GetText(TextControl::Label1),
              std::to_string(c.rowsBefore + 1) + "/126");
    EXPECT_FALSE(program->window.HasControl(RemovableControl::Edit1));
    // The first picture was prepared ahead from the continued run's pools, as was every other.
    EXPECT_EQ(program->window.preparedOn.size(), 1u);
    for (int n = c.rowsBefore + 1; n <= 126; ++n) program->RateAndNext(n % 5 + 1);
    EXPECT_TRUE(program->window.endRequested);
    EXPECT_EQ(program->window.preparedOn.size(), static_cast<size_t>(126 - c.rowsBefore));

    // The rows of both runs, numbered 1 to 126, each planned entry shown exactly once.
    const std::string after = ReadBytes(resultsPath);
    EXPECT_EQ(after.compare(0, before.size(), before), 0);
    const std::vector<std::string> lines = ResultsLines(after);
    ASSERT_EQ(lines.size(), 128u);
    std::vector<std::string> shown;
    for (int n = 1; n <= 126; ++n) {
      const results::ResultsRow row = ResultsRowOf(lines[static_cast<size_t>(n) + 1]);
      EXPECT_EQ(row.trial, n);
      EXPECT_EQ(row.response, n % 5 + 1);
      shown.push_back(std::string(row.status) + "\t" + std::string(row.image));
    }
    std::vector<std::string> planned;
    for (const Pool* pool : {&plan->posPool, &plan->negPool}) {
      for (const std::string& name : *pool) planned.push_back(ReportedImageName(name, ""));
    }
    std::sort(shown.begin(), shown.end());
    std::sort(planned.begin(), planned.end());
    EXPECT_EQ(shown, planned);

    // Sealed whole; the run file is gone.
    const std::string sealed = results::MakeSealedPath(resultsPath);
    results::CryptFile(sealed, sealed + ".plain", results::kResultsPassPhrase);
    EXPECT_EQ(ReadBytes(sealed + ".plain"), after);
    EXPECT_FALSE(fs::exists(runFilePath));
  }
}

TEST_F(Resume, RunWithEveryRowButNoSealIsSealedAtOnce) {
  system.commandLine = {"5000", "0", "0", "0"};
  loader = FakeLoader::DefaultSet(2, 1);
  {
    std::unique_ptr<Program> program = Run();
    program->Start("k4T19");
    resultsPath = program->Record().ResultsPath;
    fs::create_directories(results::MakeSealedPath(resultsPath));  // the sealing fails
    program->RateAndNext(1);
    program->RateAndNext(2);
    program->system.AdvanceMs(700);
    program->window.ClickRating(3);
    EXPECT_THROW(program->controller.Button2Click(), EFCreateError);
  }
  fs::remove(results::MakeSealedPath(resultsPath));
  std::unique_ptr<Program> program = Run();
  program->Start("k4T19");
  ASSERT_EQ(program->window.questions.size(), 1u);
  EXPECT_NE(program->window.questions[0].find("has 3 of 3 trials rated"), std::string::npos);
  EXPECT_TRUE(program->window.endRequested);
  EXPECT_EQ(ResultsLines(ReadBytes(resultsPath)).size(), 5u);
  EXPECT_TRUE(fs::is_regular_file(results::MakeSealedPath(resultsPath)));
}

TEST_F(Resume, SealedRunWhoseHandOffWasCutShortIsHandedOffOnce) {
  system.commandLine = {"5000", "0", "0", "1"};
  loader = FakeLoader::DefaultSet(2, 1);
  for (const bool copied : {false, true}) {
    SCOPED_TRACE(copied ? "killed with its message open" : "killed before the desktop copy");
    ResetClock();
    fs::remove_all(system.programFolder + "results");
    for (const auto& entry : fs::directory_iterator(system.desktop)) fs::remove(entry.path());
    CutShort("k4T19", 2);
    const std::string plan = ReadBytes(runFilePath);
    {
      std::unique_ptr<Program> program = Run();
      program->Start("k4T19");
      program->RateAndNext(3);
      ASSERT_TRUE(program->window.endRequested);
    }
    WriteBytes(runFilePath, plan);  // as if the program was killed before its run file went
    if (!copied) fs::remove(system.desktop + "/" + fs::path(resultsPath).stem().string() + ".enc");
    const std::string sealedPath = results::MakeSealedPath(resultsPath);
    const std::string sealed = ReadBytes(sealedPath);
    const std::string rows = ReadBytes(resultsPath);

    system.AdvanceMs(60 * 1000);
    std::unique_ptr<Program> program = Run();
    program->Start("k4T19");
    EXPECT_EQ(program->window.questions,
              std::vector<std::string>{"An unfinished run for k4T19 from 07/12/2026 14:05:09 has "
                                       "3 of 3 trials rated. Continue it?"});
    EXPECT_TRUE(program->window.endRequested);
    EXPECT_EQ(program->window.messages.size(), 1u);
    // Nothing written twice, nothing lost: the same two files, one desktop copy.
    EXPECT_EQ(ReadBytes(resultsPath), rows);
    EXPECT_EQ(ReadBytes(sealedPath), sealed);
    EXPECT_EQ(ResultsFolderNames().size(), 2u);
    EXPECT_FALSE(fs::exists(runFilePath));
    std::vector<std::string> copies;
    for (const auto& entry : fs::directory_iterator(system.desktop)) {
      copies.push_back(entry.path().filename().string());
    }
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_TRUE(ReadBytes(system.desktop + "/" + copies[0]) == sealed) << copies[0];
  }
}

TEST_F(Resume, TwoProgramsAnsweredYesContinueTheRunOnce) {
  CutShort("k4T19", 5);
  const std::vector<std::string> namesBefore = ResultsFolderNames();
  std::unique_ptr<Program> first = Run();
  std::unique_ptr<Program> second = Run();
  // The second program is started, asked and answered Yes while the first one's question is
  // open; then the first one is answered Yes.
  first->window.whileAsking = [&] { second->Start("k4T19"); };
  first->Start("k4T19");
  EXPECT_EQ(second->window.questions.size(), 1u);
  EXPECT_EQ(second->Record().TrialCount, 6);
  // The first one says so, writes nothing and waits at the ID.
  EXPECT_EQ(first->window.messages,
            std::vector<std::string>{"This run is being continued in another Talvex window."});
  EXPECT_TRUE(first->window.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(first->Record().TrialCount, 0);
  EXPECT_EQ(ResultsFolderNames(), namesBefore);

  for (int n = 6; n <= 126; ++n) second->RateAndNext(2);
  EXPECT_TRUE(second->window.endRequested);
  const std::vector<std::string> lines = ResultsLines(ReadBytes(resultsPath));
  ASSERT_EQ(lines.size(), 128u);
  std::vector<std::string_view> row;
  for (size_t n = 1; n <= 126; ++n) {
    results::SplitColumns(lines[n + 1], row);
    ASSERT_GE(row.size(), 4u);
    EXPECT_EQ(row[3], std::to_string(n));
  }
}

TEST_F(Resume, RunContinuedElsewhereWhileAskedIsAskedAboutAgain) {
  CutShort("k4T19", 5);
  std::unique_ptr<Program> first = Run();
  first->window.whileAsking = [&] {
    std::unique_ptr<Program> second = Run();
    second->Start("k4T19");
    second->RateAndNext(3);
    second->RateAndNext(4);
  };  // and closed, rows 6 and 7 written
  first->Start("k4T19");
  EXPECT_EQ(first->window.messages,
            std::vector<std::string>{"This run has changed in another Talvex window since the "
                                     "question. Press Start to see it as it is now."});
  EXPECT_EQ(first->Record().TrialCount, 0);
  EXPECT_EQ(ResultsLines(ReadBytes(resultsPath)).size(), 9u);

  first->window.whileAsking = nullptr;
  first->controller.Button2Click();
  ASSERT_EQ(first->window.questions.size(), 2u);
  EXPECT_NE(first->window.questions[1].find("has 7 of 126 trials rated"), std::string::npos);
  EXPECT_EQ(first->Record().ResultsPath, resultsPath);
  EXPECT_EQ(first->Record().TrialCount, 8);
}

TEST_F(Resume, RunsThatDoNotFitStartANewRunAndStayAsTheyWere) {
  struct Case {
    const char* what;
    std::function<void()> change;  // after the cut
    bool asked;                    // the question comes, and is answered No
  };
  std::vector<Case> cases = {
      {"the rater answers No", [] {}, true},
      {"started longer ago than the limit",
       [&] { system.now = testing::At(2026, 12, 8, 14, 5, 10); }, false},
      {"started an hour and more after now", [&] { system.StepWallClock(-65 * 60 * 1000); }, false},
      {"another image set", [&] { loader = FakeLoader::DefaultSet(20, 79); }, false},
      {"the same images in another order",
       [&] {
         std::vector<std::string> names = loader->ListImageNames();
         std::swap(names[1], names[2]);
         loader = std::make_shared<FakeLoader>(names);
       },
       false},
      {"other parameters",
       [&] {
         system.commandLine = {"10000", "0.1", "0.3", "0"};
       },
       false},
      {"a run file changed by hand",
       [&] {
         std::string text = ReadBytes(runFilePath);
         text.replace(text.find("RESOURCES_NEG_C__1__BMP"), 23, "RESOURCES_NEG_C__2__BMP");
         WriteBytes(runFilePath, text);
       },
       false},
      {"a row the plan does not hold",
       [&] {
         WriteBytes(resultsPath, ReadBytes(resultsPath) +
                                     "k4T19\t07/12/2026\t14:06:00\t6\tpos\tg (77).ccc\t2\t900\r\n");
       },
       false},
      {"a sealed file that is not the seal of its rows",
       [&] { WriteBytes(results::MakeSealedPath(resultsPath), "sealed"); }, false},
#ifndef _WIN32  // links, owners and permissions
      {"the results file a link",
       [&] {
         fs::rename(resultsPath, resultsPath + ".moved");
         fs::create_symlink(resultsPath + ".moved", resultsPath);
       },
       false},
      {"the results file writable by others",
       [&] { fs::permissions(resultsPath, fs::perms::others_write, fs::perm_options::add); },
       false},
      {"the run file writable by others",
       [&] { fs::permissions(runFilePath, fs::perms::others_write, fs::perm_options::add); },
       false},
#endif
  };
#ifndef _WIN32
  // Planted by another user: only root can make such files here.
  if (geteuid() == 0) {
    cases.push_back({"the files of another user",
                     [&] {
                       ASSERT_EQ(chown(resultsPath.c_str(), kAnotherUser, kAnotherUser), 0);
                       ASSERT_EQ(chown(runFilePath.c_str(), kAnotherUser, kAnotherUser), 0);
                     },
                     false});
  }
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetClock();
    system.commandLine = {};
    loader = FakeLoader::DefaultSet();
    fs::remove_all(system.programFolder + "results");
    CutShort("k4T19", 5);
    c.change();
    const std::vector<std::string> namesBefore = ResultsFolderNames();
    std::map<std::string, std::string> bytesBefore;
    for (const std::string& name : namesBefore) {
      if (fs::is_regular_file(system.programFolder + "results/" + name)) {
        bytesBefore[name] = ReadBytes(system.programFolder + "results/" + name);
      }
    }

    std::unique_ptr<Program> program = Run();
    program->window.answerYes = false;
    program->Start("k4T19");
    EXPECT_EQ(program->window.questions.size(), c.asked ? 1u : 0u);
    EXPECT_NE(program->Record().ResultsPath, resultsPath);
    EXPECT_EQ(program->Record().TrialCount, 1);
    EXPECT_EQ(program->window.GetText(TextControl::Label1),
              "1/" + std::to_string(program->Record().TotalTrials));
    // The new run has its own two files; every file of the old one is as it was.
    for (const auto& [name, bytes] : bytesBefore) {
      EXPECT_EQ(ReadBytes(system.programFolder + "results/" + name), bytes) << name;
    }
    std::vector<std::string> names = ResultsFolderNames();
    EXPECT_EQ(names.size(), namesBefore.size() + 2);
    EXPECT_TRUE(fs::exists(results::MakeRunFilePath(program->Record().ResultsPath)));
  }
}

TEST_F(Resume, RunStillGoingInAnotherProgramIsNotOffered) {
  std::unique_ptr<Program> first = Run();
  first->Start("k4T19");
  for (int n = 1; n <= 5; ++n) first->RateAndNext(2);
  std::unique_ptr<Program> second = Run();
  second->Start("k4T19");
  EXPECT_TRUE(second->window.questions.empty());
  EXPECT_NE(second->Record().ResultsPath, first->Record().ResultsPath);
  // Once the first program has ended, its run is offered.
  first.reset();
  std::unique_ptr<Program> third = Run();
  third->Start("k4T19");
  EXPECT_EQ(third->window.questions.size(), 1u);
}

TEST_F(Resume, AnotherIdIsNeverOffered) {
  CutShort("k4T19", 5);
  // Nor is anything of the ID's name that is no run file; a pipe is not waited on.
#ifndef _WIN32  // pipes
  testing::Watchdog watchdog(20);
  ASSERT_TRUE(testing::MakePipe(system.programFolder + "results/k4T1 07122026 1405.run"));
#endif
  fs::create_directory(system.programFolder + "results/k4T1 07122026 1406.run");
  for (const char* id : {"k4T1", "k4T19 ", "K4T19"}) {
    std::unique_ptr<Program> program = Run();
    program->Start(id);
    EXPECT_TRUE(program->window.questions.empty()) << id;
  }
}

TEST_F(Resume, OffAsksNothingAndWritesNoRunFile) {
  settings.enabled = false;
  CutShort("k4T19", 5);
  EXPECT_FALSE(fs::exists(runFilePath));
  EXPECT_EQ(ResultsFolderNames().size(), 1u);
  // Not even the run file of a build that offered runs is taken up.
  settings.enabled = true;
  CutShort("m2B33", 5);
  settings.enabled = false;
  system.AdvanceMs(60 * 1000);
  for (const char* id : {"k4T19", "m2B33"}) {
    std::unique_ptr<Program> program = Run();
    program->Start(id);
    EXPECT_TRUE(program->window.questions.empty());
    EXPECT_EQ(program->Record().TrialCount, 1);
    EXPECT_FALSE(fs::exists(results::MakeRunFilePath(program->Record().ResultsPath)));
  }
}

TEST(MatchResultsToPlan, RowsTakeTheirEntriesOutOfThePlan) {
  FakeSystem system;
  results::RunPlan plan;
  plan.raterId = "k4T19";
  plan.paramLine = "5000 0 0 0";
  plan.posPool = {"RESOURCES_POS_G__1__BMP", "RESOURCES_POS_G__0__BMP", "RESOURCES_POS_G__1__BMP"};
  plan.negPool = {"RESOURCES_NEG_C__0__BMP"};
  const std::string firstLines = results::FirstLines("5000 0 0 0");
  auto row = [](const std::string& n, const std::string& image, const std::string& rating = "2",
                const std::string& latency = "900") {
    return "k4T19\t07/12/2026\t14:06:00\t" + n + "\t" + image + "\t" + rating + "\t" + latency +
           "\r\n";
  };
  const std::string g1 = "pos\tg (1).ccc";
  const std::string c0 = "neg\tc (0).ccc";

  const std::optional<UnfinishedRun> none = MatchResultsToPlan(system, firstLines, plan, "");
  ASSERT_TRUE(none.has_value());
  EXPECT_EQ(none->rated, 0);
  EXPECT_EQ(none->planned, 4);
  const std::optional<UnfinishedRun> three = MatchResultsToPlan(
      system, firstLines + row("1", g1) + row("2", c0) + row("3", g1, "5", "-3"), plan, "");
  ASSERT_TRUE(three.has_value());
  EXPECT_EQ(three->rated, 3);
  EXPECT_EQ(three->posPool, Pool{"RESOURCES_POS_G__0__BMP"});
  EXPECT_TRUE(three->negPool.empty());

  const std::pair<const char*, std::string> refused[] = {
      {"other first lines", results::FirstLines("5000 0 0 1")},
      {"a third showing of a repeated image",
       firstLines + row("1", g1) + row("2", g1) + row("3", g1)},
      {"an image not in the plan", firstLines + row("1", "pos\tg (2).ccc")},
      {"a row of another rater", firstLines + "m2B33" + row("1", g1).substr(5)},
      {"numbers out of turn", firstLines + row("2", g1)},
      {"a rating outside 1 to 5", firstLines + row("1", g1, "6")},
      {"a number not as the program writes it", firstLines + row("01", g1)},
      {"a rating not as the program writes it", firstLines + row("1", g1, "02")},
      {"no latency", firstLines + row("1", g1, "2", "")},
      {"a ninth column", firstLines + row("1", g1, "2", "900\tx")},
      {"a torn row", firstLines + row("1", g1).substr(0, 20)},
  };
  for (const auto& [what, text] : refused) {
    EXPECT_FALSE(MatchResultsToPlan(system, text, plan, "").has_value()) << what;
  }
}

}  // namespace
}  // namespace talvex::experiment
