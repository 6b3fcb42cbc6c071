#include "talvex/results/io_errors.h"

#include "talvex/exception.h"

namespace talvex::results {

std::string IoErrorMessage(int code) {
  switch (code) {
    case 2:
      return "File not found";
    case 3:
      return "Invalid filename";
    case 4:
      return "Too many open files";
    case 5:
      return "File access denied";
    case 100:
      return "Read beyond end of file";
    case 101:
      return "Disk full";
    case 106:
      return "Invalid numeric input";
    case platform::kNotTheSameFile:
      return "File replaced by another file";
    default:
      return FormatMessage("I/O error %d", code);
  }
}

void RaiseIoError(const platform::FileStatus& status, const std::string& path) {
  throw EInOutError(status.code, IoErrorMessage(status.code) + ": \"" + path + "\"");
}

void RaiseOpenError(const platform::FileStatus& status, const std::string& path) {
  throw EFOpenError(
      FormatMessage("Cannot open file \"%s\". %s", path.c_str(), status.text.c_str()));
}

void RaiseCreateError(const platform::FileStatus& status, const std::string& path) {
  throw EFCreateError(
      FormatMessage("Cannot create file \"%s\". %s", path.c_str(), status.text.c_str()));
}

}  // namespace talvex::results
