#pragma once
// The exception family of Talvex. Every failure carries a fixed English message; the
// application's error box shows exactly what() (see the shell's error handling).

#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace talvex {

// Base of every Talvex failure.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The printf dialect format arguments are checked against: with mingw-w64, C++ formats through
// the runtime's own C99 printf (%zu, %lld), which its headers name __MINGW_PRINTF_FORMAT.
#ifdef __MINGW_PRINTF_FORMAT
#define TALVEX_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(__MINGW_PRINTF_FORMAT, formatIndex, firstArgument)))
#else
#define TALVEX_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#endif

// printf-style formatting of a message text.
inline std::string FormatMessage(const char* format, ...) TALVEX_PRINTF_FORMAT(1, 2);
inline std::string FormatMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  return text;
}

// "List index out of bounds (%d)": an index outside a list.
class EListError : public Exception {
 public:
  explicit EListError(int index)
      : Exception(FormatMessage("List index out of bounds (%d)", index)) {}
};

// A stream could not grow or be read.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// "Resource %s not found".
class EResNotFound : public Exception {
 public:
  explicit EResNotFound(const std::string& name) : Exception("Resource " + name + " not found") {}
};

// A text that does not convert to a number.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A file step failed; carries the operating system's error code in the numbering the
// results file's messages use (2 file not found, 3 invalid filename, 5 access denied, ...).
class EInOutError : public Exception {
 public:
  EInOutError(int code, const std::string& message) : Exception(message), code_(code) {}
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

// "Cannot open file "%s". %s" / "Cannot create file "%s". %s".
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

// The system refused a resource such as a timer ("Not enough timers available").
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace talvex
