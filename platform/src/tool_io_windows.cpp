#include <windows.h>

#include "talvex/platform/tool_io.h"
// After windows.h, which it needs.
#include <shellapi.h>

#include "talvex/platform/wide_text.h"

namespace talvex::platform {

std::vector<std::string> ToolArguments(int, char**) {
  int count = 0;
  wchar_t** values = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (values == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Narrow(values[i]));
  LocalFree(values);
  return arguments;
}

bool WriteText(std::FILE* stream, std::string_view text) {
  const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if ((stream == stdout || stream == stderr) && GetConsoleMode(handle, &mode)) {
    // What the C runtime still holds goes first, so the text keeps its order.
    std::fflush(stream);
    const std::wstring wide = Widen(text);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) !=
               0 &&
           written == wide.size();
  }
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

}  // namespace talvex::platform
