#include "window_factories.h"

#include "talvex/experiment/controller.h"
#include "talvex/experiment/study_settings.h"

namespace talvex::app {

EventsFactory ControllerEvents(System& system, LoaderFactory makeLoader) {
  return [&system, makeLoader = std::move(makeLoader)](experiment::IMainWindow& window) {
    std::shared_ptr<const imagestore::TResourceManager> loader = makeLoader();
    return std::unique_ptr<experiment::IMainWindowEvents>(
        std::make_unique<experiment::TExperimentController>(
            window, system, std::move(loader),
            experiment::ResumeSettings{study::kResumeRuns, study::kResumeMaxAgeHours}));
  };
}

}  // namespace talvex::app
