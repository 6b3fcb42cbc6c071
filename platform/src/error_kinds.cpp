#include "talvex/platform/error_kinds.h"

#include <cerrno>

namespace talvex::platform {
namespace {

#ifdef EDQUOT
constexpr int kQuotaExceeded = EDQUOT;
#else
constexpr int kQuotaExceeded = 0;  // the C library has no such value here
#endif

struct KindEntry {
  ErrorKind kind;
  int code;       // 0: the system's own code
  int errnos[4];  // ended by 0
};

constexpr KindEntry kTable[] = {
    {ErrorKind::kNotFound, kFileNotFound, {ENOENT}},
    {ErrorKind::kBadName, kInvalidFilename, {ENOTDIR, ENAMETOOLONG, EINVAL, ELOOP}},
    {ErrorKind::kTooManyOpen, kTooManyOpenFiles, {EMFILE, ENFILE}},
    {ErrorKind::kDenied, kAccessDenied, {EACCES, EPERM, EROFS, EISDIR}},
    // A lock held by another program: a non-blocking lock or open that would have to wait.
    {ErrorKind::kInUse, kSharingViolation, {EWOULDBLOCK, EAGAIN}},
    {ErrorKind::kNameTaken, 0, {EEXIST}},
    // A file-size limit leaves the file unable to grow, as a full disk does.
    {ErrorKind::kNoSpace, kDiskFull, {ENOSPC, EFBIG, kQuotaExceeded}},
    // EIO is 5 on POSIX: it must not read as "File access denied".
    {ErrorKind::kDeviceFailure, kDeviceIoError, {EIO}},
};

const KindEntry* EntryOf(ErrorKind kind) {
  for (const KindEntry& entry : kTable) {
    if (entry.kind == kind) return &entry;
  }
  return nullptr;
}

}  // namespace

ErrorKind ErrorKindOfErrno(int errorNumber) {
  if (errorNumber == 0) return ErrorKind::kNone;
  for (const KindEntry& entry : kTable) {
    for (const int value : entry.errnos) {
      if (value == 0) break;
      if (value == errorNumber) return entry.kind;
    }
  }
  return ErrorKind::kOther;
}

int ErrnoOfErrorKind(ErrorKind kind) {
  const KindEntry* entry = EntryOf(kind);
  return entry == nullptr ? 0 : entry->errnos[0];
}

int ErrorCodeOfKind(ErrorKind kind, int systemCode) {
  if (kind == ErrorKind::kNone) return 0;
  const KindEntry* entry = EntryOf(kind);
  return entry == nullptr || entry->code == 0 ? systemCode : entry->code;
}

}  // namespace talvex::platform
