#pragma once
// The trial schedule: repeats, the class draw, the drawing of one trial and the image name
// that the results row reports.

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

// Chooses the pool of the next trial in proportion to what remains.
Pool& ClassDraw(ExperimentRecord& record);

// The resource name that the next class draw and DrawTrial will pick, found with a copy of the
// random source, which is left as it is; empty when both pools are empty.
std::string PeekNextTrial(const ExperimentRecord& record);

// "RESOURCES_NEG_C__0__BMP" -> "neg" TAB "c (0).ccc".
std::string ReportedImageName(const std::string& resourceName, const std::string& programFolder);

// Draws one entry of the pool, shows its picture and starts its exposure; true when it did.
// The onset is marked once the display has the picture. The picture comes from ahead when
// that has prepared the entry drawn, else it is loaded here. A picture that cannot be shown
// (its load fails, or it cannot be decoded) is left out of the run: every entry of its name
// leaves the pools and TotalTrials, the rater is told once by a message naming it, and false
// is returned with the timer and the counter untouched. False too, doing nothing, for an
// empty pool.
bool DrawTrial(ExperimentRecord& record, Pool& pool, IMainWindow& window, System& system,
               TPictureAhead* ahead);

// The next trial: the class draw and DrawTrial, again until a picture is shown. False when both
// pools are empty, before or after pictures were left out: the run is over.
bool DrawNextTrial(ExperimentRecord& record, IMainWindow& window, System& system,
                   TPictureAhead* ahead);

}  // namespace talvex::experiment
