#pragma once
// Reading a results file as the study team receives it: the parameter line, the header line
// and one row of eight tab-separated columns per rated trial, in UTF-8 or in a Windows ANSI
// code page. Each problem names the file and the line; a bad row is left out and the rest of
// the file is still read.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/results/parameter_line.h"

namespace talvex::analysis {

// A problem found in the inputs: the file, the line (0 for the file as a whole) and what is
// wrong, with what was done about it.
struct Problem {
  std::string file;
  size_t line = 0;
  std::string message;
};

// The parameter line is the results format's (results/parameter_line.h).
using results::ParseParameterLine;
using results::RunParameters;

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

// Reads a results file's text, as UTF-8 when it is valid UTF-8 and else as Windows-1252 (the
// results file of a Windows machine), into UTF-8. Returns nothing when the file as a whole
// cannot be used (no header line, no usable row); every problem goes to problems under
// fileName.
std::optional<RunFile> ReadResultsText(std::string_view bytes, const std::string& fileName,
                                       std::vector<Problem>& problems);

}  // namespace talvex::analysis
