#pragma once
// Exposure and response timing: the end of an exposure, the rating buttons and the latency.

#include <cstdint>
#include <optional>

#include "talvex/experiment/experiment_record.h"
#include "talvex/experiment/main_window.h"
#include "talvex/system.h"

namespace talvex::experiment {

// ShownAt from the wall clock, and the monotonic mark latencies are measured from.
void MarkOnset(ExperimentRecord& record, System& system);

// Blank picture, Button2 enabled with caption "Next", timer stopped.
void TurnImageOff(ExperimentRecord& record, IMainWindow& window);

// Latency from the onset to the rater's input (inputNs, monotonic; now when not given or later
// than now), then TurnImageOff.
void OnRadioButtonClick(ExperimentRecord& record, IMainWindow& window, System& system,
                        std::optional<int64_t> inputNs);

// 1 to 5 for the first chosen rating button, -1 when none; stored in Response.
int32_t GetResponse(ExperimentRecord& record, const IMainWindow& window);

void ClearResponse(IMainWindow& window);

}  // namespace talvex::experiment
