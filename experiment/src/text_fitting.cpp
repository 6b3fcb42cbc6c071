#include "talvex/experiment/text_fitting.h"

namespace talvex::experiment {

int FittingPointSize(int designedPoints, int floorPoints, const std::function<bool(int)>& fits) {
  int points = designedPoints;
  for (; points > floorPoints + 1; --points) {
    if (fits(points)) break;
  }
  return points;
}

}  // namespace talvex::experiment
