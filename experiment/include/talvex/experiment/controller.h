#pragma once
// The experiment controller: the main window's handlers, which set a run up and drive it. It
// acts on the window only through IMainWindow.

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
  // The record is kept beside the window for the whole run; resume says whether an unfinished
  // run of the rater's ID is offered at Start.
  TExperimentController(IMainWindow& window, System& system, ExperimentRecord& record,
                        std::shared_ptr<const imagestore::TResourceManager> imageLoader,
                        const ResumeSettings& resume = {});
  ~TExperimentController() override;

  // Each may raise a talvex::Exception, which the window reports in its error box.
  void FormCreate() override;
  void Button2Click() override;
  void Edit1Click() override;
  void OnRadioButtonClick(int rating, std::optional<int64_t> inputNs) override;
  void Timer1Timer() override;

  bool GetName();  // true when the ID field holds an acceptable ID, now in RaterId
  void ReadRunParameters();
  void ShowProgress();

  // False after "No Image Files found! - Exit" or a set-up that stopped on an error.
  bool SetUpComplete() const override;

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
