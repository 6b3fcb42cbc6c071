#pragma once
// The trial schedule: repeats, the class draw, one trial's drawing and its reported name.

#include <cstddef>
#include <cstdint>
#include <string>

#include "talvex/experiment/experiment_record.h"
#include "talvex/experiment/main_window.h"
#include "talvex/system.h"

namespace talvex::experiment {

class TPictureAhead;

// Appends Round(size x fraction) different entries of the pool, drawn without replacement,
// to its end. Raises EListError "List index out of bounds (0)" when that exceeds the pool.
void AddRepeats(Pool& pool, double fraction, RandomSource& random);

// t of the class draw: the positive pool is chosen when a draw below 1000 is below t.
int32_t PositiveThreshold(size_t positives, size_t negatives);

// In proportion to what remains.
Pool& ClassDraw(ExperimentRecord& record);

// The name the next class draw and DrawTrial will pick, drawn on a copy of the random source;
// empty when both pools are empty.
std::string PeekNextTrial(const ExperimentRecord& record);

// "RESOURCES_NEG_C__0__BMP" -> "neg" TAB "c (0).ccc".
std::string ReportedImageName(const std::string& resourceName, const std::string& programFolder);

// Draws one entry of the pool, shows its picture (from ahead when that prepared it) and starts
// its exposure; the onset is marked once the display has the picture. A picture that cannot be
// shown is left out of the run: every entry of its name leaves the pools and TotalTrials, the
// rater is told once, and false is returned with the timer and the counter untouched. False,
// doing nothing, for an empty pool.
bool DrawTrial(ExperimentRecord& record, Pool& pool, IMainWindow& window, System& system,
               TPictureAhead* ahead);

// The class draw and DrawTrial, again until a picture is shown; false when the pools are empty
// (the run is over).
bool DrawNextTrial(ExperimentRecord& record, IMainWindow& window, System& system,
                   TPictureAhead* ahead);

}  // namespace talvex::experiment
