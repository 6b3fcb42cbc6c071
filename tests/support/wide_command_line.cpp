#include "talvex/wide_command_line.h"

#include <windows.h>

#include "talvex/platform/wide_text.h"

namespace talvex::testing {
namespace {

// An inheritable handle of a file made for the child's output, closed at the end.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    handle_ = CreateFileW(platform::Widen(path).c_str(), GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

int RunWithWideCommandLine(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outPath, const std::string& errPath) {
  std::wstring command = L"\"" + platform::Widen(program) + L"\"";
  for (const std::string& argument : arguments)
    command += L" \"" + platform::Widen(argument) + L"\"";
  const OutputFile out(outPath);
  const OutputFile err(errPath);
  if (out.Get() == INVALID_HANDLE_VALUE || err.Get() == INVALID_HANDLE_VALUE) return -1;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out.Get();
  startup.hStdError = err.Get();
  PROCESS_INFORMATION process{};
  // Without a console of its own (none that could keep the inherited files open after it).
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                      nullptr, &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

}  // namespace talvex::testing
