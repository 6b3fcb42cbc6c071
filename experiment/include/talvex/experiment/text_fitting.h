#pragma once
// The welcome text's font, fitted the same way in every shell.

#include <functional>

namespace talvex::experiment {

// The welcome text's box has no scroll bars: a font that runs larger than designed gets the
// largest size from designedPoints down to floorPoints + 1 at which fits says the text fits.
int FittingPointSize(int designedPoints, int floorPoints, const std::function<bool(int)>& fits);

}  // namespace talvex::experiment
