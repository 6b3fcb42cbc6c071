#pragma once
// How talvex-pack list prints a resource name: as the key that extract takes, with nothing in
// it that a terminal would act on.

#include <string>

namespace talvex::pack {

// The UTF-8 name with "\" written "\\", TAB, CR and LF as "\t", "\r", "\n", other C0 controls,
// DEL and bytes that are not UTF-8 as "\xHH", and C1 controls, line and paragraph separators
// and the bidirectional controls as "\uHHHH". Printable text, ASCII or not, is kept.
std::string PrintableName(const std::string& name);

}  // namespace talvex::pack
