#include "talvex/platform/error_kinds.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>

namespace talvex::platform {
namespace {

#ifdef _WIN32
// One error of each kind as the Windows calls report it.
const std::pair<int, ErrorKind> kSystemErrors[] = {
    {ERROR_FILE_NOT_FOUND, ErrorKind::kNotFound},
    {ERROR_PATH_NOT_FOUND, ErrorKind::kBadName},
    {ERROR_TOO_MANY_OPEN_FILES, ErrorKind::kTooManyOpen},
    {ERROR_ACCESS_DENIED, ErrorKind::kDenied},
    {ERROR_SHARING_VIOLATION, ErrorKind::kInUse},
    {ERROR_FILE_EXISTS, ErrorKind::kNameTaken},
    {ERROR_HANDLE_DISK_FULL, ErrorKind::kNoSpace},
    {ERROR_IO_DEVICE, ErrorKind::kDeviceFailure}};
constexpr int kTakenNameCode = ERROR_FILE_EXISTS;
#else
constexpr int kTakenNameCode = EEXIST;
#endif

// An error of the kind as this platform's own calls report it; 0 when the test knows none.
int SystemErrorOf(ErrorKind kind) {
#ifdef _WIN32
  for (const auto& [error, errorKind] : kSystemErrors) {
    if (errorKind == kind) return error;
  }
  return 0;
#else
  return ErrnoOfErrorKind(kind);  // POSIX reports errno values
#endif
}

TEST(ErrorKinds, EveryKindReadsAlikeFromThisSystemsErrorsAndFromErrno) {
  for (const ErrorKind kind : kErrorKinds) {
    SCOPED_TRACE(static_cast<int>(kind));
    const int errorNumber = ErrnoOfErrorKind(kind);
    const int systemError = SystemErrorOf(kind);
    ASSERT_NE(errorNumber, 0);
    ASSERT_NE(systemError, 0);
    EXPECT_EQ(ErrorKindOfErrno(errorNumber), kind);
    // Both routes to a status agree: the same code, and the errno value of the kind.
    const FileStatus fromSystem = StatusFromSystemError(systemError);
    EXPECT_EQ(fromSystem.code, StatusFromErrno(errorNumber).code);
    EXPECT_EQ(fromSystem.errorNumber, errorNumber);
    EXPECT_FALSE(fromSystem.text.empty());
  }
}

TEST(ErrorKinds, ErrnoValuesHaveTheResultsCodesOnEveryPlatform) {
  const std::pair<int, int> cases[] = {{ENOENT, 2},   {ENOTDIR, 3}, {ENAMETOOLONG, 3},
                                       {ELOOP, 3},    {EMFILE, 4},  {EACCES, 5},
                                       {EROFS, 5},    {EISDIR, 5},  {EAGAIN, 32},
                                       {ENOSPC, 101}, {EFBIG, 101}, {EEXIST, kTakenNameCode},
                                       {EDOM, EDOM}};
  for (const auto& [error, code] : cases) EXPECT_EQ(ErrorCodeFromErrno(error), code) << error;
  // EIO must not read as "File access denied" (code 5, the value of EIO itself).
  EXPECT_EQ(ErrorCodeFromErrno(EIO), kDeviceIoError);
  const FileStatus status = StatusFromErrno(ENOENT);  // with the system's English text
  EXPECT_FALSE(status.Ok());
  EXPECT_EQ(status.errorNumber, ENOENT);
#ifndef _WIN32
  EXPECT_EQ(status.text, "No such file or directory");
  EXPECT_EQ(ErrorCodeFromErrno(EDQUOT), 101);
#endif
}

}  // namespace
}  // namespace talvex::platform
