#include "talvex/experiment/controller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string_view>
#include <thread>

#include "fake_loader.h"
#include "fake_system.h"
#include "fake_window.h"
#include "talvex/exception.h"
#include "talvex/experiment/experiment_record.h"
#include "talvex/held_file.h"
#include "talvex/results/rater_id.h"
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

constexpr const char* kInstructions =
    "Thank you for downloading Talvex. Before beginning the experiment, please review the "
    "instructions on the website. When you are ready, enter your ID into the box at the bottom "
    "left of this window, and hit the start button.";
constexpr const char* kDefaultParams = "10000 0.1 0.3 1 (by default)";

// A run with a window of its own, set up at once.
struct SecondRun {
  SecondRun(System& system, std::shared_ptr<FakeLoader> loader)
      : controller(window, system, record, loader) {
    window.Attach(controller);
    controller.FormCreate();
  }
  const ExperimentRecord& Record() const { return record; }

  FakeWindow window;
  ExperimentRecord record;
  TExperimentController controller;
};

class Controller : public ::testing::Test {
 protected:
  void Create() {
    MakeController();
    window.Attach(*controller);
    controller->FormCreate();
  }
  // The set-up, which must fail with an E; its message.
  template <typename E>
  std::string SetUpError() {
    MakeController();
    try {
      controller->FormCreate();
    } catch (const E& e) {
      return e.what();
    }
    return "no error";
  }
  // A fresh controller over a fresh record.
  void MakeController() {
    controller.reset();
    record = ExperimentRecord();
    controller = std::make_unique<TExperimentController>(window, system, record, loader);
  }
  const ExperimentRecord& Record() const { return record; }

  void Start(const std::string& id) {
    window.TypeId(id);
    controller->Button2Click();
  }
  // The rater looks for a while, picks a rating and presses Next.
  void RateAndNext(int rating, int64_t ms = 900) {
    system.AdvanceMs(ms);
    window.ClickRating(rating);
    system.AdvanceMs(300);
    controller->Button2Click();
  }
  // The lines of this run's results file.
  std::vector<std::string> ResultLines() const {
    return ResultsLines(ReadBytes(Record().ResultsPath));
  }
  std::string Text(TextControl control) const { return window.GetText(control); }

  FakeSystem system;
  FakeWindow window;
  std::shared_ptr<FakeLoader> loader = FakeLoader::DefaultSet();
  ExperimentRecord record;
  std::unique_ptr<TExperimentController> controller;
};

TEST_F(Controller, SetUpWithoutValuesTakesTheDefaults) {
  Create();
  ASSERT_TRUE(controller->SetUpComplete());
  EXPECT_EQ(Record().ProgramFolder, system.programFolder);
  EXPECT_EQ(Record().PosFraction, 0.1);
  EXPECT_EQ(Record().NegFraction, 0.3);
  EXPECT_EQ(Record().PosPool.size(), 22u);
  EXPECT_EQ(Record().NegPool.size(), 104u);
  EXPECT_EQ(window.progress, 0);
  EXPECT_EQ(Text(TextControl::Button2), "Start");
  EXPECT_EQ(Text(TextControl::Memo1), kInstructions);
  EXPECT_TRUE(window.normalState);
  EXPECT_FALSE(window.TimerRunning());  // the form's 1000 ms timer is stopped
  EXPECT_FALSE(window.FireTimer());
  EXPECT_EQ(loader->loads, std::vector<std::string>{"RESOURCES_BLANK_BMP"});
}

TEST_F(Controller, CommandLineValuesSetTheRun) {
  struct Case {
    std::vector<std::string> values;
    std::string paramLine;
    int exposure;
    int totalTrials;
    bool copyToDesktop;
  };
  const Case cases[] = {
      {{}, kDefaultParams, 10000, 126, true},
      {{"5000", "0", "0", "0"}, "5000 0 0 0", 5000, 100, false},
      {{"$1388", "0", "0.5", "0x1"}, "$1388 0 0.5 0x1", 5000, 140, true},
      // Three or five values, or an empty one, take the defaults silently.
      {{"5000", "0", "0"}, kDefaultParams, 10000, 126, true},
      {{"5000", "0", "0", "0", "0"}, kDefaultParams, 10000, 126, true},
      {{"5000", "", "0", "0"}, kDefaultParams, 10000, 126, true},
      // The fourth value switches the desktop copy.
      {{"10000", "0.1", "0.3", "-1"}, "10000 0.1 0.3 -1", 10000, 126, false},
      {{"10000", "0.1", "0.3", "0"}, "10000 0.1 0.3 0", 10000, 126, false},
      {{"10000", "0.1", "0.3", "2"}, "10000 0.1 0.3 2", 10000, 126, true},
      {{"10000", "0.1", "0.3", "1"}, "10000 0.1 0.3 1", 10000, 126, true},
      // The ends of the ranges: no time limit, every positive repeated, no negative one.
      {{"0", "1", "-0.5", "0"}, "0 1 -0.5 0", 0, 40 + 80, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.values));
    system.commandLine = c.values;
    const SecondRun run(system, loader);
    EXPECT_EQ(run.Record().ParamLine, c.paramLine);
    EXPECT_EQ(run.Record().Exposure, c.exposure);
    EXPECT_EQ(run.Record().TotalTrials, c.totalTrials);
    EXPECT_EQ(run.Record().CopyToDesktop, c.copyToDesktop);
    EXPECT_EQ(run.window.GetText(TextControl::Label1), "0/" + std::to_string(c.totalTrials));
    EXPECT_TRUE(run.window.messages.empty());
  }
}

TEST_F(Controller, SetUpSortsNamesByCharactersElevenToThirteen) {
  loader = std::make_shared<FakeLoader>(std::vector<std::string>{
      "RESOURCES_BLANK_BMP", "RESOURCES_POS_", "XXXXXXXXXXPOSX", "XXXXXXXXXXPOSXY",
      "RESOURCES_pos_G__1__BMP", "RESOURCES_NEG_C__3__BMP", "RESOURCES_TALVEX2_BMP"});
  system.commandLine = {"0", "0", "0", "0"};
  Create();
  EXPECT_EQ(Record().PosPool, std::vector<std::string>{"XXXXXXXXXXPOSXY"});
  EXPECT_EQ(Record().NegPool, std::vector<std::string>{"RESOURCES_NEG_C__3__BMP"});
  EXPECT_EQ(Record().TotalTrials, 2);
}

TEST_F(Controller, PointWhereTheLocaleWantsACommaStopsTheSetUp) {
  system.locale.decimalSeparator = ',';
  system.commandLine = {"7000", "0.1", "0,3", "1"};
  EXPECT_EQ(SetUpError<EConvertError>(), "'0.1' is not a valid floating point value");
  EXPECT_FALSE(controller->SetUpComplete());
  EXPECT_EQ(Record().Exposure, 7000);  // converted before the failure
  EXPECT_EQ(Record().ParamLine, "");
  EXPECT_EQ(Record().TotalTrials, 0);
  EXPECT_EQ(Record().PosPool.size(), 20u);  // no repeats
  EXPECT_EQ(Text(TextControl::Memo1), "");
  EXPECT_EQ(Text(TextControl::Label1), "Label1");
  EXPECT_FALSE(window.normalState);
  // The window ends the program; a press reaching the controller does nothing.
  controller->Button2Click();
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.HasControl(RemovableControl::Memo1));

  // With the locale's comma the same values convert.
  system.commandLine = {"7000", "0,1", "0,3", "1"};
  EXPECT_EQ(SecondRun(system, loader).Record().TotalTrials, 22 + 104);
}

TEST_F(Controller, ValuesOutsideTheirRangeStopTheSetUpNamingTheValue) {
  const struct {
    std::vector<std::string> values;
    std::string error;
    int exposure;  // taken before the refused value
  } cases[] = {
      {{"10000", "1.1", "0.3", "1"}, "'1.1' is not a valid repeat share (at most 1)", 10000},
      {{"10000", "0.1", "5.", "1"}, "'5.' is not a valid repeat share (at most 1)", 10000},
      {{"10000", "1.0000001", "0", "1"},
       "'1.0000001' is not a valid repeat share (at most 1)",
       10000},
      {{"-1", "0.1", "0.3", "1"}, "'-1' is not a valid exposure time (0 or more milliseconds)", 0},
      {{"$FFFFFFFF", "0", "0", "1"},
       "'$FFFFFFFF' is not a valid exposure time (0 or more milliseconds)",
       0},
  };
  for (const auto& c : cases) {
    system.commandLine = c.values;
    EXPECT_EQ(SetUpError<EConvertError>(), c.error);
    EXPECT_FALSE(controller->SetUpComplete());
    EXPECT_EQ(Record().Exposure, c.exposure) << c.error;
    EXPECT_EQ(Record().TotalTrials, 0);
    EXPECT_EQ(Record().PosPool.size(), 20u);  // no repeats
  }
}

TEST_F(Controller, MissingBlankPictureStopsTheSetUp) {
  loader = std::make_shared<FakeLoader>(std::vector<std::string>{"RESOURCES_POS_G__0__BMP"});
  EXPECT_EQ(SetUpError<EResNotFound>(), "Resource RESOURCES_BLANK_BMP not found");
  EXPECT_FALSE(controller->SetUpComplete());
}

TEST_F(Controller, BlankPictureThatCannotBeDecodedStopsTheSetUp) {
  loader->undecodable.insert("RESOURCES_BLANK_BMP");
  const std::string error = SetUpError<Exception>();
  EXPECT_EQ(error.rfind("The blank picture RESOURCES_BLANK_BMP cannot be shown: JPEG error #", 0),
            0u)
      << error;
  EXPECT_FALSE(controller->SetUpComplete());
  EXPECT_EQ(Record().TotalTrials, 0);

  loader->undecodable.clear();
  loader->unloadable.insert("RESOURCES_BLANK_BMP");  // its header cannot be read
  EXPECT_EQ(SetUpError<Exception>(),
            "The blank picture RESOURCES_BLANK_BMP cannot be shown: JPEG error #42");
}

TEST_F(Controller, NoImageFilesEndsTheProgram) {
  loader = std::make_shared<FakeLoader>(
      std::vector<std::string>{"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP"});
  Create();
  EXPECT_EQ(window.messages, std::vector<std::string>{"No Image Files found! - Exit"});
  EXPECT_TRUE(window.endRequested);
  EXPECT_FALSE(controller->SetUpComplete());
  EXPECT_EQ(Text(TextControl::Label1), "Label1");
  EXPECT_EQ(Text(TextControl::Memo1), "");
}

TEST_F(Controller, ProgramOnCdRomOrUnwritableFolderWritesToTheTemporaryFolder) {
  system.driveKind = kDriveCdRom;
  system.commandLine = {"5000", "0", "0", "0"};
  loader = FakeLoader::DefaultSet(2, 1);
  Create();
  EXPECT_TRUE(Record().OnCdRom);
  Start("k4T19");
  EXPECT_EQ(Record().ResultsPath.rfind(system.tempFolder, 0), 0u) << Record().ResultsPath;
  EXPECT_TRUE(Record().ResultsInTemporaryFolder);
  for (int trial = 1; trial <= 3; ++trial) RateAndNext(2);
  // The end message says where the results are, though no desktop copy was asked for.
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_NE(
      window.messages[0].find("temporary folder, which may be emptied:\r\n" + Record().ResultsPath),
      std::string::npos)
      << window.messages[0];
  EXPECT_TRUE(window.endRequested);

  // Not even root can make a results folder in /proc.
  system.driveKind = kDriveFixed;
  system.programFolder = "/proc/";
  SecondRun run(system, loader);
  EXPECT_FALSE(run.Record().OnCdRom);
  run.window.TypeId("k4T20");
  run.controller.Button2Click();
  EXPECT_EQ(run.Record().ResultsPath.rfind(system.tempFolder, 0), 0u) << run.Record().ResultsPath;
}

TEST_F(Controller, PromptOrEmptyIdAsksForTheIdAndRemovesTheInstructions) {
  Create();
  controller->Button2Click();
  EXPECT_EQ(window.messages, std::vector<std::string>{"Enter your ID, please!"});
  EXPECT_FALSE(window.HasControl(RemovableControl::Memo1));
  EXPECT_TRUE(window.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(Record().TrialCount, 0);
  EXPECT_EQ(Text(TextControl::Label1), "0/126");

  // A click on the field empties only the prompt.
  controller->Edit1Click();
  EXPECT_EQ(Text(TextControl::Edit1), "");
  controller->Button2Click();
  EXPECT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.LastMessage(), "Enter your ID, please!");
  EXPECT_TRUE(loader->TrialLoads().empty());
  window.TypeId("m2B33");
  controller->Edit1Click();
  EXPECT_EQ(Text(TextControl::Edit1), "m2B33");
}

TEST_F(Controller, RefusedIdsSayWhyAndKeepTheField) {
  system.latin1Files = true;  // a Windows machine whose ANSI code page is Latin-1
  Create();
  const std::pair<std::string, std::string> cases[] = {
      {"a/b", results::kUnusableIdMessage},
      {"..", results::kUnusableIdMessage},
      {"a\\b", results::kUnusableIdMessage},
      {"k:9", results::kUnusableIdMessage},
      {"nul.x", results::kUnusableIdMessage},
      {"k4T19 ", results::kUnusableIdMessage},
      {"\xC5\x81ukasz", results::kUnwritableIdMessage},  // L with stroke: not in Latin-1
      {" ", "Enter your ID, please!"},                   // blanks alone are no ID
      {"    ", "Enter your ID, please!"},
      {std::string(148, 'x'), "This ID is too long. Please use at most 147 letters and digits."}};
  for (const auto& [id, message] : cases) {
    SCOPED_TRACE(id);
    Start(id);
    EXPECT_EQ(window.LastMessage(), message);
    EXPECT_TRUE(window.HasControl(RemovableControl::Edit1));
    EXPECT_EQ(Text(TextControl::Edit1), id);
    EXPECT_EQ(Record().TrialCount, 0);
    EXPECT_FALSE(Record().PathsMade);
  }
  EXPECT_EQ(testing::EntryCount(system.programFolder), 0u);
  Start(" J\xC3\xBCrgen");  // a blank before an ID is kept
  EXPECT_EQ(Record().RaterId, " J\xC3\xBCrgen");
  EXPECT_FALSE(window.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(Record().TrialCount, 1);
}

TEST_F(Controller, FieldStaysWhenNoFolderCanHoldTheResultsFile) {
  system.programFolder = system.programRoot / "missing/bin/";
  system.tempFolder = system.programRoot / "missing/tmp/";
  Create();
  window.TypeId("k4T19");
  EXPECT_THROW(controller->Button2Click(), EInOutError);
  EXPECT_TRUE(window.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(Record().TrialCount, 0);
  EXPECT_FALSE(Record().PathsMade);

  fs::create_directories(system.programFolder);
  controller->Button2Click();
  EXPECT_FALSE(window.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(Record().TrialCount, 1);
  EXPECT_EQ(Record().ResultsPath.rfind(system.programFolder + "results", 0), 0u);
  EXPECT_FALSE(Record().ResultsInTemporaryFolder);
}

TEST_F(Controller, FailedFirstDrawGoesStraightOnAtTheNextPress) {
  Create();
  window.refuseTimer = true;
  window.TypeId("k4T19");
  EXPECT_THROW(controller->Button2Click(), EOutOfResources);
  EXPECT_FALSE(window.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(Record().TrialCount, 0);
  const std::string resultsPath = Record().ResultsPath;

  window.refuseTimer = false;
  controller->Button2Click();
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(Record().TrialCount, 1);
  EXPECT_EQ(Record().ResultsPath, resultsPath);
  EXPECT_EQ(Text(TextControl::Label1), "1/126");
}

TEST_F(Controller, PicturesThatCannotBeShownAreLeftOutAndTheRunStillEnds) {
  // 3 positives and 4 negatives, every positive repeated: 6 + 4 trials.
  system.commandLine = {"5000", "1", "0", "0"};
  loader = FakeLoader::DefaultSet(3, 4);
  const std::set<std::string> bad = {FakeLoader::PosName(1), FakeLoader::NegName(2)};
  loader->undecodable.insert(FakeLoader::PosName(1));
  loader->unloadable.insert(FakeLoader::NegName(2));
  Create();
  EXPECT_EQ(Record().TotalTrials, 10);
  Start("k4T19");
  int presses = 1;
  while (!window.endRequested) {
    ASSERT_LT(presses++, 20) << "the run does not end";
    RateAndNext(3);
  }
  // Each bad picture was reported once, and neither it nor its repeat was counted or written.
  std::set<std::string> reported;
  for (const std::string& message : window.messages) {
    for (const std::string& name : bad) {
      if (message.rfind("The picture " + name + " cannot be shown (", 0) == 0) {
        EXPECT_TRUE(reported.insert(name).second) << message;
      }
    }
  }
  EXPECT_EQ(reported, bad);
  EXPECT_EQ(window.messages.size(), 2u);  // no desktop copy: no hand-off message
  EXPECT_EQ(Record().TotalTrials, 7);
  EXPECT_EQ(Record().TrialCount, 7);
  EXPECT_EQ(Text(TextControl::Label1), "7/7");
  EXPECT_EQ(window.progress, 100);
  const std::vector<std::string> lines = ResultLines();
  ASSERT_EQ(lines.size(), 2u + 7u);
  for (size_t i = 2; i < lines.size(); ++i) {
    EXPECT_EQ(ResultsRowOf(lines[i]).trial, static_cast<int>(i - 1));
    EXPECT_EQ(lines[i].find("g (1).ccc"), std::string::npos) << lines[i];
    EXPECT_EQ(lines[i].find("c (2).ccc"), std::string::npos) << lines[i];
  }
  EXPECT_TRUE(fs::is_regular_file(Record().SealedPath));
}

TEST_F(Controller, NoPictureThatCanBeShownEndsTheRunAtStart) {
  system.commandLine = {"5000", "0", "0", "0"};
  loader = FakeLoader::DefaultSet(1, 1);
  loader->unloadable = {FakeLoader::PosName(0)};
  loader->undecodable = {FakeLoader::NegName(0)};
  Create();
  Start("k4T19");
  EXPECT_TRUE(window.endRequested);
  EXPECT_EQ(window.messages.size(), 2u);  // the two pictures left out
  EXPECT_EQ(Record().TotalTrials, 0);
  EXPECT_EQ(Text(TextControl::Label1), "0/0");
  EXPECT_EQ(ResultLines().size(), 2u);
  EXPECT_TRUE(fs::is_regular_file(Record().SealedPath));
}

TEST_F(Controller, RatingClickBeforeTheFirstTrialIsNeverWritten) {
  Create();
  window.ClickRating(2);
  EXPECT_EQ(window.pictures.back().Width(), 1);
  EXPECT_EQ(Text(TextControl::Button2), "Next");
  EXPECT_TRUE(window.buttonEnabled);
  controller->Button2Click();
  EXPECT_EQ(window.LastMessage(), "Enter your ID, please!");

  Start("k4T19");
  EXPECT_EQ(Record().TrialCount, 1);
  EXPECT_FALSE(window.IsRatingChecked(2));
  EXPECT_EQ(window.pictures.back().Width(), 2);
  window.FireTimer();
  controller->Button2Click();
  EXPECT_EQ(window.LastMessage(), "Please enter your rating!");
  EXPECT_EQ(ResultLines().size(), 2u);  // the first lines only, made at Start
}

TEST_F(Controller, NextWithoutRatingAsksForItAndWritesNothing) {
  Create();
  Start("k4T19");
  system.AdvanceMs(10000);
  ASSERT_TRUE(window.FireTimer());
  EXPECT_EQ(Text(TextControl::Button2), "Next");
  window.SetProgress(-1);
  controller->Button2Click();
  EXPECT_EQ(window.messages, std::vector<std::string>{"Please enter your rating!"});
  EXPECT_EQ(Record().TrialCount, 1);
  EXPECT_EQ(loader->TrialLoads().size(), 1u);
  EXPECT_EQ(ResultLines().size(), 2u);  // the first lines only, made at Start
  EXPECT_EQ(window.progress, 1);        // refreshed all the same

  system.AdvanceMs(1500);
  window.ClickRating(4);
  controller->Button2Click();
  const std::vector<std::string> lines = ResultLines();
  ASSERT_EQ(lines.size(), 3u);
  const results::ResultsRow row = ResultsRowOf(lines[2]);
  EXPECT_EQ(row.trial, 1);
  EXPECT_EQ(row.response, 4);
  EXPECT_EQ(row.latency, 11500);  // above the exposure
}

TEST_F(Controller, WholeDefaultRunWritesEveryTrialOnceThenSeals) {
  Create();
  Start("k4T19");
  EXPECT_FALSE(window.HasControl(RemovableControl::Memo1));
  EXPECT_FALSE(window.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(Text(TextControl::Label1), "1/126");
  EXPECT_EQ(window.progress, 1);
  EXPECT_EQ(window.TimerInterval(), 10000u);
  EXPECT_FALSE(window.buttonEnabled);
  EXPECT_EQ(Text(TextControl::Button2), "Start");

  std::vector<std::string> expectedNames;
  for (int trial = 1; trial <= 126; ++trial) {
    ASSERT_EQ(Record().TrialCount, trial);
    expectedNames.push_back(Record().ImageName);
    ASSERT_EQ(loader->TrialLoads().size(), static_cast<size_t>(trial));
    if (trial % 3 == 0) {
      system.AdvanceMs(10000);
      ASSERT_TRUE(window.FireTimer());
    }
    if (trial == 126) {
      EXPECT_FALSE(fs::exists(Record().SealedPath));
    }
    RateAndNext(trial % 5 + 1, 400 + trial);
  }
  EXPECT_EQ(Text(TextControl::Label1), "126/126");
  EXPECT_EQ(window.progress, 100);
  EXPECT_TRUE(window.endRequested);
  EXPECT_EQ(window.messages.size(), 1u);  // the hand-off's message only
  EXPECT_EQ(loader->TrialLoads().size(), 126u);

  // Every trial's row, in order, with its own values.
  const std::vector<std::string> lines = ResultLines();
  ASSERT_EQ(lines.size(), 128u);
  EXPECT_EQ(lines[0], kDefaultParams);
  EXPECT_EQ(lines[1], "name\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency");
  for (int trial = 1; trial <= 126; ++trial) {
    const results::ResultsRow row = ResultsRowOf(lines[static_cast<size_t>(trial) + 1]);
    EXPECT_EQ(row.name, "k4T19");
    EXPECT_EQ(row.trial, trial);
    EXPECT_EQ(std::string(row.status) + "\t" + std::string(row.image),
              expectedNames[static_cast<size_t>(trial) - 1]);
    EXPECT_EQ(row.response, trial % 5 + 1);
    EXPECT_EQ(row.latency, trial % 3 == 0 ? 10000 + 400 + trial : 400 + trial);
  }

  // The sealed file holds the complete results file: enciphering it again gives it back.
  ASSERT_TRUE(fs::exists(Record().SealedPath));
  const std::string unsealed = Record().SealedPath + ".plain";
  results::CryptFile(Record().SealedPath, unsealed, results::kResultsPassPhrase);
  EXPECT_EQ(ReadBytes(unsealed), ReadBytes(Record().ResultsPath));

  // A press after the end does nothing more.
  controller->Button2Click();
  EXPECT_EQ(ResultLines().size(), 128u);
}

TEST_F(Controller, FailedSealingIsRetriedWithoutDuplicatingTheLastRow) {
  system.commandLine = {"5000", "0", "0", "0"};
  loader = FakeLoader::DefaultSet(2, 1);
  Create();
  Start("k4T19");
  RateAndNext(1);
  RateAndNext(2);
  fs::create_directories(Record().SealedPath);  // the sealed file cannot be created
  system.AdvanceMs(700);
  window.ClickRating(3);
  EXPECT_THROW(controller->Button2Click(), EFCreateError);
  EXPECT_FALSE(window.endRequested);
  EXPECT_EQ(ResultLines().size(), 5u);

  fs::remove(Record().SealedPath);
  controller->Button2Click();
  EXPECT_TRUE(window.endRequested);
  EXPECT_EQ(ResultLines().size(), 5u);
  EXPECT_TRUE(fs::is_regular_file(Record().SealedPath));
}

TEST_F(Controller, FailedAppendIsRetriedAtTheNextPress) {
  Create();
  Start("k4T19");
  system.AdvanceMs(800);
  window.ClickRating(5);
  {
    // Another program holds the results file.
    const talvex::testing::ExclusiveHold other(Record().ResultsPath);
    ASSERT_TRUE(other.Held());
    const size_t pictures = window.pictures.size();
    EXPECT_THROW(controller->Button2Click(), EInOutError);
    // The error and no picture: the one prepared meanwhile is dropped.
    EXPECT_EQ(window.pictures.size(), pictures);
  }
  EXPECT_EQ(Record().TrialCount, 1);

  controller->Button2Click();
  EXPECT_EQ(Record().TrialCount, 2);
  const std::vector<std::string> lines = ResultLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(ResultsRowOf(lines[2]).trial, 1);
}

TEST_F(Controller, FailedDrawAfterTheRowDoesNotWriteItAgain) {
  Create();
  Start("k4T19");
  system.AdvanceMs(800);
  window.ClickRating(5);
  window.refuseTimer = true;
  EXPECT_THROW(controller->Button2Click(), EOutOfResources);
  EXPECT_EQ(ResultLines().size(), 3u);
  EXPECT_EQ(Record().TrialCount, 1);

  window.refuseTimer = false;
  controller->Button2Click();
  EXPECT_EQ(Record().TrialCount, 2);
  EXPECT_EQ(ResultLines().size(), 3u);
  EXPECT_EQ(Text(TextControl::Label1), "2/126");
}

// The next picture is prepared on a worker thread while the row is written.

TEST_F(Controller, SameSeedsDrawTheSameTrialsWhetherOrNotPicturesArePreparedAhead) {
  struct Run {
    FakeSystem system;
    FakeWindow window;
    std::shared_ptr<FakeLoader> loader = FakeLoader::DefaultSet(6, 14);  // 1 + 4 repeats
    ExperimentRecord record;
    std::unique_ptr<TExperimentController> controller;
    const ExperimentRecord& Record() const { return record; }
  };
  for (const uint64_t counter :
       {uint64_t{0x1234567800000000u}, uint64_t{0xFFFFFFFF00000001u}, uint64_t{42}}) {
    SCOPED_TRACE(counter);
    Run ahead;
    Run atDraw;
    atDraw.window.prepareAhead = false;
    for (Run* run : {&ahead, &atDraw}) {
      run->system.counter = counter;  // the same seeds at every press
      run->controller = std::make_unique<TExperimentController>(run->window, run->system,
                                                                run->record, run->loader);
      run->window.Attach(*run->controller);
      run->controller->FormCreate();
      run->window.TypeId("k4T19");
    }
    ASSERT_EQ(ahead.Record().TotalTrials, 25);
    for (int press = 0; press <= 25; ++press) {
      for (Run* run : {&ahead, &atDraw}) {
        if (press > 0) {
          run->system.AdvanceMs(700);
          run->window.ClickRating(press % 5 + 1);
        }
        run->controller->Button2Click();
      }
      // Each draw advances the seed one step: equal seeds after equal re-seeds mean the same
      // number of draws, and the names and pools left show their values.
      ASSERT_EQ(ahead.Record().Random.Seed(), atDraw.Record().Random.Seed()) << press;
      ASSERT_EQ(ahead.Record().ImageName, atDraw.Record().ImageName) << press;
      ASSERT_EQ(ahead.Record().PosPool, atDraw.Record().PosPool) << press;
      ASSERT_EQ(ahead.Record().NegPool, atDraw.Record().NegPool) << press;
    }
    EXPECT_TRUE(ahead.window.endRequested);
    EXPECT_TRUE(atDraw.window.endRequested);
    // Every picture prepared ahead was the one drawn: nothing was loaded twice.
    EXPECT_EQ(ahead.loader->TrialLoads(), atDraw.loader->TrialLoads());
    ASSERT_EQ(ahead.window.preparedOn.size(), 25u);
    for (const std::thread::id& id : ahead.window.preparedOn) {
      EXPECT_NE(id, std::this_thread::get_id());
    }
    EXPECT_TRUE(atDraw.window.preparedOn.empty());
  }
}

// Made at its first showing, the blank picture would make the first exposure run long.
TEST_F(Controller, BlankPictureIsMadeOnceOnTheWorkerForTheExposuresEnds) {
  Create();
  Start("k4T19");
  for (int trial = 1; trial <= 3; ++trial) RateAndNext(trial);
  // The second press waited for the worker, so from the second exposure on at the latest.
  ASSERT_GE(window.blankPreparedOn.size(), 2u);
  for (const std::thread::id& id : window.blankPreparedOn) {
    EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_EQ(id, window.blankPreparedOn.front());
  }
  EXPECT_EQ(window.pictures.back().Width(), 2);  // the fourth trial's picture
}

TEST_F(Controller, RowIsOnDiskBeforeTheNextPictureIsShown) {
  Create();
  Start("k4T19");
  std::vector<size_t> rowsWhenShown;
  window.onPicture = [&] {
    if (window.pictures.back().Width() == 2) rowsWhenShown.push_back(ResultLines().size() - 2);
  };
  for (int trial = 1; trial <= 3; ++trial) RateAndNext(trial);
  EXPECT_EQ(rowsWhenShown, (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(window.preparedOn.size(), 4u);  // the first trial's picture was prepared too
}

}  // namespace
}  // namespace talvex::experiment
