#include "talvex/experiment/run_parameters.h"

#include "talvex/exception.h"
#include "talvex/results/parameter_line.h"

namespace talvex::experiment {
namespace {

// A negative exposure would reach the timer as an interval of weeks: no time limit at all.
int32_t ExposureValue(const std::string& text) {
  const int32_t exposure = results::StrToInt(text);
  if (exposure < 0) {
    throw EConvertError("'" + text + "' is not a valid exposure time (0 or more milliseconds)");
  }
  return exposure;
}

// A share above 1 would ask for more repeats than the pool has images.
double RepeatShareValue(const std::string& text, char decimalSeparator) {
  const double share = results::StrToFloat(text, decimalSeparator);
  if (share > 1.0) throw EConvertError("'" + text + "' is not a valid repeat share (at most 1)");
  return share;
}

}  // namespace

std::vector<std::string> ValuesUpToFirstEmpty(const std::vector<std::string>& values) {
  std::vector<std::string> result;
  for (const std::string& value : values) {
    if (value.empty()) break;
    result.push_back(value);
  }
  return result;
}

void ReadRunParameters(ExperimentRecord& record, const std::vector<std::string>& values,
                       char decimalSeparator) {
  int32_t desktopSwitch = 1;
  if (values.size() == 4) {
    record.Exposure = ExposureValue(values[0]);
    record.PosFraction = RepeatShareValue(values[1], decimalSeparator);
    record.NegFraction = RepeatShareValue(values[2], decimalSeparator);
    desktopSwitch = results::StrToInt(values[3]);
  } else {
    record.Exposure = 10000;
    record.PosFraction = 0.1;
    record.NegFraction = 0.3;
  }
  record.ParamLine = results::ParameterLine(values);
  if (desktopSwitch > 0) record.CopyToDesktop = true;
}

}  // namespace talvex::experiment
