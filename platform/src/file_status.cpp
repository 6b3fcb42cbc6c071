#include "file_status.h"

namespace talvex::platform {
namespace {

constexpr const char* kNotARegularFileText = "Not a regular file";
constexpr const char* kNotTheSameFileText = "The file has been replaced by another one";

}  // namespace

FileStatus StatusFromErrno(int errorNumber) {
  FileStatus status;
  status.code = ErrorCodeFromErrno(errorNumber);
  status.errorNumber = errorNumber;
  if (errorNumber != 0) status.text = ErrorTextFromErrno(errorNumber);
  return status;
}

FileStatus NotARegularFileStatus() {
  FileStatus status;
  status.code = kAccessDenied;
  status.text = kNotARegularFileText;
  return status;
}

FileStatus NotTheSameFileStatus() {
  FileStatus status;
  status.code = kNotTheSameFile;
  status.text = kNotTheSameFileText;
  return status;
}

}  // namespace talvex::platform
