#pragma once
// The rule for a rater ID, the same on every platform: the ID becomes part of the results
// file's name and is written into every row, so it must be a name every supported file system
// holds and text the machine's character set holds.

#include <cstddef>
#include <string>

#include "talvex/system.h"

namespace talvex::results {

// The longest usable rater ID in bytes: the whole file name (ID, stamps, " (NNN)" and
// ".xls") must stay within the 255 bytes a file system allows for a name.
inline constexpr size_t kMaxRaterIdBytes = 147;

inline constexpr const char* kUnusableIdMessage =
    "This ID cannot be used. Please use letters and digits.";
inline constexpr const char* kUnwritableIdMessage =
    "This ID cannot be written in this computer's character set. Please use letters and digits.";

// Why a rater ID cannot be used ("" when it can). GetName shows it and keeps the ID field.
// - A message saying it is too long, for one over kMaxRaterIdBytes.
// - kUnusableIdMessage for blanks only; a control character or one of / \ < > : " | ? *;
//   a last character that is a dot or a blank (".", ".." included); a name Windows keeps for
//   a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$), in any letter
//   case, alone or before a dot.
// - kUnwritableIdMessage when the system's character set for the results file cannot hold it.
std::string RaterIdRefusal(System& system, const std::string& raterId);
bool IsUsableRaterId(System& system, const std::string& raterId);

}  // namespace talvex::results
