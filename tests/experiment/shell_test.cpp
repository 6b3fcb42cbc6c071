#include "talvex/experiment/shell.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "talvex/exception.h"
#include "talvex/experiment/main_window.h"
#include "talvex/experiment/text_fitting.h"

namespace talvex::experiment {
namespace {

TEST(ShellRules, ErrorBoxAppendsAFullStopOnlyAfterCharactersSortingAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"Resource X not found", "Resource X not found."},
      {"I/O error 1453", "I/O error 1453."},
      {"ends in a slash/", "ends in a slash/."},
      {"caf\xC3\xA9", "caf\xC3\xA9."},  // a byte outside ASCII sorts after "."
      // ".", "!", ")" and everything else sorting before "." stay unchanged.
      {"Cannot open file \"x\". No such file.", "Cannot open file \"x\". No such file."},
      {"Enter your ID, please!", "Enter your ID, please!"},
      {"List index out of bounds (5)", "List index out of bounds (5)"},
      {"dash-", "dash-"},
      {"trailing blank ", "trailing blank "},
      {"first\r\nsecond", "first\r\nsecond."},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(ShellRules, GuardShowsWhatEscapesAHandlerOnceAndStopsTheHandlerThere) {
  std::vector<std::string> shown;
  const auto show = [&shown](const std::string& failure) { shown.push_back(failure); };
  bool restRan = false;
  EXPECT_FALSE(RunGuarded(
      [&] {
        throw EResNotFound("RESOURCES_BLANK_BMP");
        restRan = true;
      },
      show));
  EXPECT_FALSE(restRan);
  EXPECT_FALSE(RunGuarded([] { throw std::out_of_range("vector"); }, show));
  EXPECT_FALSE(RunGuarded([] { throw 42; }, show));
  int runs = 0;
  EXPECT_TRUE(RunGuarded([&] { ++runs; }, show));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(shown, (std::vector<std::string>{"Resource RESOURCES_BLANK_BMP not found", "vector",
                                             "Unknown failure"}));
}

// The welcome text's font: the designed 12 points when the text fits, else the largest size
// that fits, never below the window font's 8 points plus one.
TEST(ShellRules, WelcomeTextTakesTheLargestPointSizeThatFits) {
  std::vector<int> tried;
  const auto fitsUpTo = [&tried](int largest) {
    return [&tried, largest](int points) {
      tried.push_back(points);
      return points <= largest;
    };
  };
  EXPECT_EQ(FittingPointSize(12, 8, fitsUpTo(20)), 12);
  EXPECT_EQ(tried, std::vector<int>{12});
  tried.clear();
  EXPECT_EQ(FittingPointSize(12, 8, fitsUpTo(10)), 10);
  EXPECT_EQ(tried, (std::vector<int>{12, 11, 10}));
  tried.clear();
  EXPECT_EQ(FittingPointSize(12, 8, fitsUpTo(3)), 9);
  EXPECT_EQ(tried, (std::vector<int>{12, 11, 10}));
}

// A shell that records the steps of the start-up and answers the set-up's outcome.
class RecordingStartUp : public IStartUpShell {
 public:
  bool complete = true;
  bool endRequested = false;
  int loopCode = 0;
  std::vector<std::string> steps;

  void BuildMainWindow() override { steps.push_back("main window"); }
  void RunCreationEvent() override { steps.push_back("creation event"); }
  bool SetUpComplete() const override { return complete; }
  bool EndRequested() const override { return endRequested; }
  void BuildHiddenAboutWindow() override { steps.push_back("about window"); }
  int RunEventLoop() override {
    steps.push_back("event loop");
    return loopCode;
  }
};

TEST(StartUp, StepsInOrderAndTheExitCodeOfEachOutcome) {
  const struct {
    bool complete;
    bool endRequested;
    int expectedCode;
    std::vector<std::string> expectedSteps;
  } cases[] = {
      // A set-up without errors: the loop's code.
      {true, false, 7, {"main window", "creation event", "about window", "event loop"}},
      // "No Image Files found! - Exit": the program ended itself; never shown.
      {false, true, 0, {"main window", "creation event"}},
      // A set-up that stopped on an error (shown in the error box): exit code 1, never shown.
      {false, false, 1, {"main window", "creation event"}},
  };
  for (const auto& c : cases) {
    RecordingStartUp shell;
    shell.complete = c.complete;
    shell.endRequested = c.endRequested;
    shell.loopCode = 7;
    EXPECT_EQ(RunStartUp(shell), c.expectedCode);
    EXPECT_EQ(shell.steps, c.expectedSteps);
  }
}

}  // namespace
}  // namespace talvex::experiment
