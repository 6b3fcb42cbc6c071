#pragma once
// The experiment controller: the handlers of the main window that set a run up and drive it.
// The window forwards each event here (IMainWindowEvents); the controller acts on the window
// only through IMainWindow.

#include <memory>

#include "talvex/experiment/main_window.h"
#include "talvex/experiment/main_window_events.h"
#include "talvex/experiment/resume.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"

namespace talvex::experiment {

struct ExperimentRecord;

class TExperimentController : public IMainWindowEvents {
 public:
  // The image loader serves the run's pictures and their names; the settings say whether an
  // unfinished run of the rater's ID is offered at Start.
  TExperimentController(IMainWindow& window, System& system,
                        std::shared_ptr<const imagestore::TResourceManager> imageLoader,
                        const ResumeSettings& resume = {});
  ~TExperimentController() override;

  // Handlers of the main window's events. Each may raise a talvex::Exception, which the
  // window reports in its error box.
  void FormCreate() override;  // the set-up; runs once while the window is created
  void Button2Click() override;
  void Edit1Click() override;
  // The common handler of the five rating buttons: the latency, then the end of the exposure.
  void OnRadioButtonClick(int rating, std::optional<int64_t> inputNs) override;
  void Timer1Timer() override;

  // The routines the handlers use.
  bool GetName();  // true when the ID field holds an acceptable ID, now in RaterId
  void ReadRunParameters();
  void ShowProgress();

  // True once FormCreate has run all its steps (the window may then be shown). False after
  // "No Image Files found! - Exit" or a set-up that stopped on an error: the program ends.
  bool SetUpComplete() const override;

  const ExperimentRecord& Record() const;

 private:
  enum class Resumption {
    kNone,       // nothing offered, or the rater chose a new run
    kContinued,  // the run found goes on
    kRefused,    // the rater chose to continue a run another program took: nothing is written
  };
  // The first accepted press: continue the rater's unfinished run when there is one and the
  // rater wants to, or make the results file of a new run.
  Resumption ContinueUnfinishedRun();
  void StartNewRun();
  void HoldRunFile(const std::string& path);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace talvex::experiment
