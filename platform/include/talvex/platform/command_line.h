#pragma once
// Splitting a raw command-line text, as Windows hands it to a program, into its values.

#include <string>
#include <string_view>
#include <vector>

namespace talvex::platform {

// The values of a raw command-line text, the program path first. Values are separated by
// blanks and control characters; a quoted stretch belongs to its value with the quotes
// removed, and an empty pair of quotes where a value would begin is skipped, so no value is
// empty and the values end where the text does.
std::vector<std::string> SplitCommandLine(std::string_view text);

}  // namespace talvex::platform
