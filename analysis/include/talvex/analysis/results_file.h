#pragma once
// Reading a results file as the study team receives it: the parameter line, the header line
// and one row of eight tab-separated columns per rated trial. Each problem names the file and
// the line; a bad row is left out and the rest of the file is still read.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::analysis {

// A problem found in the inputs: the file, the line (0 for the file as a whole) and what is
// wrong, with what was done about it.
struct Problem {
  std::string file;
  size_t line = 0;
  std::string message;
};

// The four run parameters as the parameter line gives them.
struct RunParameters {
  int exposure = 0;  // milliseconds; 0 or less: the image stays until it is rated
  double positiveFraction = 0.0;
  double negativeFraction = 0.0;
  int desktopCopy = 0;
  bool operator==(const RunParameters& other) const;
};

// The run parameters of a parameter line: the default line, or four values joined by single
// blanks, the fractions with a point or a comma; empty when the line is neither.
std::optional<RunParameters> ParseParameterLine(std::string_view line);

struct Trial {
  int number = 0;  // the n column
  bool positive = false;
  std::string caseName;  // the imgname column
  int rating = 0;        // 1..5
  int latency = 0;       // milliseconds
  size_t line = 0;       // line in the file, from 1
};

struct RunFile {
  std::string raterId;
  std::string parameterLine;
  std::optional<RunParameters> parameters;
  std::vector<Trial> trials;  // the rows that passed every check, in file order
};

// Whether a text's second line is the header line (CR LF or LF line ends): a results file in
// plain text.
bool IsPlainResultsText(std::string_view text);

// Reads a results file's text. Returns nothing when the file as a whole cannot be used (no
// header line, no usable row); every problem goes to problems under fileName.
std::optional<RunFile> ReadResultsText(std::string_view text, const std::string& fileName,
                                       std::vector<Problem>& problems);

}  // namespace talvex::analysis
