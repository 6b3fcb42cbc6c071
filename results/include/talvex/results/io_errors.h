#pragma once
// The I/O errors of the results files: the message for each error code, and the exceptions
// that report a failed file step, each naming the file.

#include <string>

#include "talvex/platform/file.h"

namespace talvex::results {

// Message for a system error code: "File not found", ..., "I/O error %d". The errors of the
// results files add the file's path to it.
std::string IoErrorMessage(int code);

// EInOutError with the message for the status's code and the file: Disk full: "path".
[[noreturn]] void RaiseIoError(const platform::FileStatus& status, const std::string& path);
// EFOpenError "Cannot open file "%s". %s" and EFCreateError "Cannot create file "%s". %s".
[[noreturn]] void RaiseOpenError(const platform::FileStatus& status, const std::string& path);
[[noreturn]] void RaiseCreateError(const platform::FileStatus& status, const std::string& path);

}  // namespace talvex::results
