#pragma once
// The experiment controller: the handlers of the main window that set a run up and drive it.
// The window forwards each event here; the controller acts on the window only through
// IMainWindow.

#include <memory>

#include "talvex/experiment/main_window.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"

namespace talvex::experiment {

struct ExperimentRecord;

// The prompt that Edit1 shows until the rater types an ID.
inline constexpr const char* kIdPrompt = "Enter your ID here.";

class TExperimentController {
 public:
  // The image loader serves the run's pictures and their names.
  TExperimentController(IMainWindow& window, System& system,
                        std::shared_ptr<const imagestore::TResourceManager> imageLoader);
  ~TExperimentController();

  // Handlers of the main window's events. Each may raise a talvex::Exception, which the
  // window reports in its error box.
  void FormCreate();  // the set-up; runs once while the window is created
  void Button2Click();
  void Edit1Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void RadioButton4Click();
  void RadioButton5Click();
  void Timer1Timer();

  // The routines the handlers use.
  bool GetName();  // true when the ID field holds an acceptable ID, now in RaterId
  void ReadRunParameters();
  void ShowProgress();

  // True once FormCreate has run all its steps (the window may then be shown). False after
  // "No Image Files found! - Exit" or a set-up that stopped on an error: the program ends.
  bool SetUpComplete() const;

  const ExperimentRecord& Record() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace talvex::experiment
