#include "talvex/experiment/controller.h"

#include <utility>

#include "talvex/experiment/experiment_record.h"
#include "talvex/experiment/exposure_timing.h"
#include "talvex/experiment/picture_ahead.h"
#include "talvex/experiment/run_parameters.h"
#include "talvex/experiment/trial_schedule.h"
#include "talvex/imagestore/image_names.h"
#include "talvex/platform/file.h"
#include "talvex/platform/paths.h"
#include "talvex/results/drive_probe.h"
#include "talvex/results/rater_id.h"
#include "talvex/results/results_path.h"
#include "talvex/results/run_file.h"
#include "talvex/results/sealing.h"
#include "talvex/results/trial_row.h"
#include "talvex/rounding.h"

namespace talvex::experiment {
namespace {

constexpr const char* kInstructions =
    "Thank you for downloading Talvex. Before beginning the experiment, please review the "
    "instructions on the website. When you are ready, enter your ID into the box at the bottom "
    "left of this window, and hit the start button.";

constexpr const char* kRunHeldElsewhereText =
    "This run is being continued in another Talvex window.";
constexpr const char* kRunChangedText =
    "This run has changed in another Talvex window since the question. Press Start to see it as "
    "it is now.";

// The blank picture, decoded once here: one that cannot be decoded would otherwise fail at the
// end of every exposure.
imagestore::TJPEGImage LoadBlankPicture(const imagestore::TResourceManager& loader) {
  using imagestore::kBlankPictureName;
  try {
    const std::unique_ptr<imagestore::TJPEGImage> blank = loader.LoadImage(kBlankPictureName);
    if (blank == nullptr) return imagestore::TJPEGImage();
    blank->CountDecodeWarnings();
    return *blank;
  } catch (const imagestore::EJPEG& error) {
    throw Exception(
        FormatMessage("The blank picture %s cannot be shown: %s", kBlankPictureName, error.what()));
  }
}

}  // namespace

struct TExperimentController::Impl {
  IMainWindow& window;
  System& system;
  ExperimentRecord& record;
  ResumeSettings resume;
  bool setUpComplete = false;
  bool finished = false;  // the results are sealed and the end of the program requested
  // The run file, held alone while the run lasts so that no other program takes the run over.
  std::string runFilePath;
  platform::File runFile;
  // The next picture made beside the row; its worker thread waits between the presses.
  TPictureAhead ahead;
  bool blankAsked = false;  // the worker was given the blank picture to make
};

TExperimentController::TExperimentController(
    IMainWindow& window, System& system, ExperimentRecord& record,
    std::shared_ptr<const imagestore::TResourceManager> imageLoader, const ResumeSettings& resume)
    : impl_(new Impl{window, system, record, resume, false, false, {}, {}, {}, false}) {
  impl_->record.ImageLoader = std::move(imageLoader);
}

TExperimentController::~TExperimentController() = default;

void TExperimentController::FormCreate() {
  ExperimentRecord& r = impl_->record;
  IMainWindow& window = impl_->window;
  System& system = impl_->system;
  impl_->setUpComplete = false;

  r.Random.Reseed(system);
  const std::string executable = system.ExecutablePath();
  r.ProgramFolder = FolderPart(executable);
  r.OnCdRom = results::ProbeOnCdRom(system, executable);
  r.TrialCount = 0;
  r.PosPool.clear();
  r.NegPool.clear();
  r.BlankPicture = LoadBlankPicture(*r.ImageLoader);
  for (const std::string& name : r.ImageLoader->ListImageNames()) {
    switch (imagestore::ClassOfImageName(name)) {
      case imagestore::ImageClass::Positive:
        r.PosPool.push_back(name);
        break;
      case imagestore::ImageClass::Negative:
        r.NegPool.push_back(name);
        break;
      case imagestore::ImageClass::None:
        break;
    }
  }
  window.SetText(TextControl::Button2, "Start");
  window.SetTimerInterval(0);
  r.CopyToDesktop = false;
  ReadRunParameters();
  AddRepeats(r.PosPool, r.PosFraction, r.Random);
  AddRepeats(r.NegPool, r.NegFraction, r.Random);
  r.TotalTrials = static_cast<int32_t>(r.PosPool.size() + r.NegPool.size());
  if (r.TotalTrials == 0) {
    window.ShowMessage("No Image Files found! - Exit");
    window.EndProgram();
    return;
  }
  ShowProgress();
  window.SetNormalState();
  window.SetText(TextControl::Memo1, kInstructions);
  impl_->setUpComplete = true;
}

void TExperimentController::ReadRunParameters() {
  System& system = impl_->system;
  experiment::ReadRunParameters(impl_->record, ValuesUpToFirstEmpty(system.CommandLineValues()),
                                system.Locale().decimalSeparator);
}

bool TExperimentController::GetName() {
  IMainWindow& window = impl_->window;
  const std::string text = window.GetText(TextControl::Edit1);
  // Blanks alone would give rows that belong to no one.
  if (text.find_first_not_of(' ') == std::string::npos || text == kIdPrompt) {
    window.ShowMessage("Enter your ID, please!");
    return false;
  }
  // An ID goes into the results file's name and rows; refuse one that cannot, saying why.
  const std::string refusal = results::RaterIdRefusal(impl_->system, text);
  if (!refusal.empty()) {
    window.ShowMessage(refusal);
    return false;
  }
  impl_->record.RaterId = text;
  return true;
}

void TExperimentController::Edit1Click() {
  IMainWindow& window = impl_->window;
  if (window.GetText(TextControl::Edit1) == kIdPrompt) window.SetText(TextControl::Edit1, "");
}

void TExperimentController::Button2Click() {
  // A set-up that stopped ends the program; a finished run has nothing more to do.
  if (!impl_->setUpComplete || impl_->finished) return;
  ExperimentRecord& r = impl_->record;
  IMainWindow& window = impl_->window;
  System& system = impl_->system;

  r.Random.Reseed(system);
  if (window.HasControl(RemovableControl::Memo1)) window.RemoveControl(RemovableControl::Memo1);

  if (r.TrialCount == 0) {
    // Once the paths are made (a first draw that failed), the press goes straight on.
    if (!r.PathsMade) {
      if (!GetName()) {
        ShowProgress();
        return;
      }
      const Resumption resumption = ContinueUnfinishedRun();
      if (resumption == Resumption::kRefused) {
        ShowProgress();
        return;
      }
      if (resumption == Resumption::kNone) StartNewRun();
      // The ID field stays until the run has its paths, so a failure above can be retried.
      window.RemoveControl(RemovableControl::Edit1);
    }
  } else if (!r.RowWritten && GetResponse(r, window) < 0) {
    // A press that follows a failed draw or a failed sealing, or the first press of a continued
    // run, writes no row and needs no rating.
    window.ShowMessage("Please enter your rating!");
    ShowProgress();
    return;
  }

  // The run's pools are settled, and nothing draws from the random source between the re-seed
  // and the next trial's draws, so the next picture is known now: it is prepared on a worker
  // thread while the row is written, and shown once both are done.
  impl_->ahead.Start(r, window);

  if (r.TrialCount > 0 && !r.RowWritten) {
    // One row per trial; a press that follows a failed append writes it now.
    results::TrialRow row;
    row.raterId = r.RaterId;
    row.trialCount = r.TrialCount;
    row.imageName = r.ImageName;
    row.response = r.Response;
    row.latency = r.Latency;
    results::AppendTrialRow(
        system, results::ResultsFile{r.ResultsPath, r.ResultsIdentity, r.ResultsInTemporaryFolder},
        row);
    r.RowWritten = true;
  }

  // A picture that cannot be shown is left out of the run, so the pools may run empty while
  // the next trial is drawn; the run then ends here as well.
  if (!DrawNextTrial(r, window, system, &impl_->ahead)) {
    results::HandOffWindow handOff;
    handOff.showMessage = [&window](const std::string& text) { window.ShowMessage(text); };
    handOff.endProgram = [&window]() { window.EndProgram(); };
    results::SealAndHandOff(system, r.ResultsPath, r.SealedPath, r.CopyToDesktop,
                            r.ResultsInTemporaryFolder, handOff);
    impl_->finished = true;
    // Handed off: the plan is of no more use. It is removed while still held, so that no other
    // program takes the finished run up in between.
    if (!impl_->runFilePath.empty()) {
      platform::RemoveFile(impl_->runFilePath);
      impl_->runFile.Close();
    }
  }
  if (!impl_->finished && !impl_->blankAsked) {
    impl_->ahead.PrepareBlank(r, window);
    impl_->blankAsked = true;
  }
  ShowProgress();
}

TExperimentController::Resumption TExperimentController::ContinueUnfinishedRun() {
  ExperimentRecord& r = impl_->record;
  IMainWindow& window = impl_->window;
  System& system = impl_->system;
  if (!impl_->resume.enabled) return Resumption::kNone;
  const std::string imageSet = results::ImageSetFingerprint(r.ImageLoader->ListImageNames());
  std::optional<UnfinishedRun> run = FindUnfinishedRun(system, r, imageSet, impl_->resume);
  if (!run || !window.AskYesNo(ResumeQuestion(r.RaterId, *run, system.Locale()))) {
    return Resumption::kNone;
  }
  // Another program may have been asked about the same run while the question was open.
  switch (TakeUnfinishedRun(*run, impl_->runFile)) {
    case RunTaking::kTaken:
      break;
    case RunTaking::kHeldElsewhere:
      window.ShowMessage(kRunHeldElsewhereText);
      return Resumption::kRefused;
    case RunTaking::kChanged:
      window.ShowMessage(kRunChangedText);
      return Resumption::kRefused;
  }
  impl_->runFilePath = run->runFilePath;
  r.ResultsPath = run->results.path;
  r.ResultsIdentity = run->results.identity;
  r.ResultsInTemporaryFolder = run->results.inTemporaryFolder;
  r.SealedPath = results::MakeSealedPath(r.ResultsPath);
  r.PathsMade = true;
  r.PosPool = std::move(run->posPool);
  r.NegPool = std::move(run->negPool);
  // Trials go on from the last row; that row is written, so the next press draws at once (or,
  // with nothing left to draw, seals and hands off).
  r.TrialCount = run->rated;
  r.RowWritten = true;
  return Resumption::kContinued;
}

void TExperimentController::StartNewRun() {
  ExperimentRecord& r = impl_->record;
  System& system = impl_->system;
  // The results file is made here, so that nothing else can take its name before the first
  // row.
  const results::ResultsPlace place{r.ProgramFolder, r.OnCdRom};
  results::ResultsFile file = results::MakeResultsPath(system, place, r.RaterId, r.ParamLine);
  r.SealedPath = results::MakeSealedPath(file.path);
  r.ResultsPath = std::move(file.path);
  r.ResultsIdentity = file.identity;
  r.ResultsInTemporaryFolder = file.inTemporaryFolder;
  r.PathsMade = true;
  if (!impl_->resume.enabled) return;

  results::RunPlan plan;
  plan.raterId = r.RaterId;
  plan.paramLine = r.ParamLine;
  plan.imageSet = results::ImageSetFingerprint(r.ImageLoader->ListImageNames());
  plan.started = system.LocalNow();
  plan.posPool = r.PosPool;
  plan.negPool = r.NegPool;
  const std::string path = results::MakeRunFilePath(r.ResultsPath);
  try {
    results::WriteRunFile(path, plan);
  } catch (const Exception&) {
    return;  // the run file only serves continuing the run; the run goes on without it
  }
  HoldRunFile(path);
}

void TExperimentController::HoldRunFile(const std::string& path) {
  impl_->runFilePath = path;
  impl_->runFile.OpenForReadingAlone(path);
}

void TExperimentController::ShowProgress() {
  const ExperimentRecord& r = impl_->record;
  int64_t position = 0;
  if (r.TotalTrials > 0) {
    position =
        Round(static_cast<double>(r.TrialCount) * 100.0 / static_cast<double>(r.TotalTrials));
  }
  impl_->window.SetProgress(static_cast<int>(position));
  impl_->window.SetText(TextControl::Label1,
                        std::to_string(r.TrialCount) + "/" + std::to_string(r.TotalTrials));
}

void TExperimentController::OnRadioButtonClick(int /*rating*/, std::optional<int64_t> inputNs) {
  if (impl_->record.BlankPixels == nullptr) impl_->record.BlankPixels = impl_->ahead.TakeBlank();
  experiment::OnRadioButtonClick(impl_->record, impl_->window, impl_->system, inputNs);
}

void TExperimentController::Timer1Timer() {
  if (impl_->record.BlankPixels == nullptr) impl_->record.BlankPixels = impl_->ahead.TakeBlank();
  TurnImageOff(impl_->record, impl_->window);
}

bool TExperimentController::SetUpComplete() const {
  return impl_->setUpComplete;
}

}  // namespace talvex::experiment
