#include "talvex/experiment/shell.h"

#include "talvex/experiment/controller.h"
#include "talvex/experiment/experiment_record.h"

namespace talvex::experiment {
namespace {

struct RecordOfTheRun {
  ExperimentRecord record;
};

// The controller with the run's record beside it, both living as long as the window.
class TRunController : private RecordOfTheRun, public TExperimentController {
 public:
  TRunController(IMainWindow& window, System& system,
                 std::shared_ptr<const imagestore::TResourceManager> loader,
                 const ResumeSettings& resume)
      : TExperimentController(window, system, RecordOfTheRun::record, std::move(loader), resume) {}
};

}  // namespace

EventsFactory ControllerEvents(System& system, LoaderFactory makeLoader,
                               const ResumeSettings& resume) {
  return [&system, makeLoader = std::move(makeLoader), resume](IMainWindow& window) {
    return std::unique_ptr<IMainWindowEvents>(
        std::make_unique<TRunController>(window, system, makeLoader(), resume));
  };
}

int RunStartUp(IStartUpShell& shell) {
  shell.BuildMainWindow();
  shell.RunCreationEvent();
  if (!shell.SetUpComplete()) return shell.EndRequested() ? 0 : kExitSetUpFailed;
  shell.BuildHiddenAboutWindow();
  return shell.RunEventLoop();
}

}  // namespace talvex::experiment
