#pragma once
// The kinds of file failure that the results messages tell apart, one table for every
// platform: each kind's code in the numbering of the results messages and the C library's
// errno values of that kind. POSIX reports errno values, which map through the table
// directly; Windows maps its own error codes onto the same kinds.

#include "talvex/platform/file.h"

namespace talvex::platform {

enum class ErrorKind {
  kNone,
  kNotFound,
  kBadName,  // no such folder, a name too long or not allowed
  kTooManyOpen,
  kDenied,
  kInUse,  // another program holds the file
  kNameTaken,
  kNoSpace,
  kDeviceFailure,
  kOther,  // none of the above: reported under the system's own code
};

// Every kind with a meaning of its own, for the checks that each platform maps them all.
inline constexpr ErrorKind kErrorKinds[] = {ErrorKind::kNotFound,    ErrorKind::kBadName,
                                            ErrorKind::kTooManyOpen, ErrorKind::kDenied,
                                            ErrorKind::kInUse,       ErrorKind::kNameTaken,
                                            ErrorKind::kNoSpace,     ErrorKind::kDeviceFailure};

ErrorKind ErrorKindOfErrno(int errorNumber);
// The first errno value the table gives the kind; 0 for a kind without one.
int ErrnoOfErrorKind(ErrorKind kind);
// The results code of a kind: fixed for most kinds; for kNameTaken and kOther the code the
// system gave, passed in as systemCode; 0 for kNone.
int ErrorCodeOfKind(ErrorKind kind, int systemCode);

// The status of an error as this platform's own calls report it: an errno value on POSIX, a
// GetLastError code on Windows.
FileStatus StatusFromSystemError(int systemError);

}  // namespace talvex::platform
