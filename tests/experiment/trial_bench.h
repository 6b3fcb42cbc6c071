#pragma once
// A trial cycle without the controller: a record, a fake window wired to the timing
// handlers, a fake clock and a fake image store.

#include <memory>

#include "fake_loader.h"
#include "fake_system.h"
#include "fake_window.h"
#include "talvex/experiment/experiment_record.h"
#include "talvex/experiment/exposure_timing.h"
#include "talvex/experiment/trial_schedule.h"

namespace talvex::testing {

struct TrialBench {
  TrialBench() {
    record.ImageLoader = loader;
    record.BlankPicture = TinyPicture(1);
    record.Exposure = 10000;
    for (int n = 0; n < 20; ++n) record.PosPool.push_back(FakeLoader::PosName(n));
    for (int n = 0; n < 80; ++n) record.NegPool.push_back(FakeLoader::NegName(n));
    window.SetTimerInterval(0);
    window.timerStarts = 0;
    window.calls.clear();
    window.onRatingClick = [this](int, std::optional<int64_t> inputNs) {
      experiment::OnRadioButtonClick(record, window, system, inputNs);
    };
    window.onTimer = [this]() { experiment::TurnImageOff(record, window); };
  }

  bool Draw() { return experiment::DrawTrial(record, record.PosPool, window, system, nullptr); }
  // Width of the picture on screen: 1 for the blank picture, 2 for a trial picture.
  int ShownWidth() const { return window.pictures.empty() ? 0 : window.pictures.back().Width(); }

  FakeSystem system;
  FakeWindow window;
  std::shared_ptr<FakeLoader> loader = FakeLoader::DefaultSet();
  experiment::ExperimentRecord record;
};

}  // namespace talvex::testing
