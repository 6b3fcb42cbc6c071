#pragma once
// The four positional run parameters: the command line's values into the experiment record
// (their conversions and the parameter line are the results format's, parameter_line.h).

#include <string>
#include <vector>

#include "talvex/experiment/experiment_record.h"

namespace talvex::experiment {

// The values before the first empty one.
std::vector<std::string> ValuesUpToFirstEmpty(const std::vector<std::string>& values);

// Fills Exposure, PosFraction, NegFraction and ParamLine from exactly four values (the
// defaults otherwise) and sets CopyToDesktop when the fourth is above 0. A value that does
// not convert, a negative exposure or a repeat share above 1 raises EConvertError naming the
// value, leaving the values taken before it set.
void ReadRunParameters(ExperimentRecord& record, const std::vector<std::string>& values,
                       char decimalSeparator);

}  // namespace talvex::experiment
