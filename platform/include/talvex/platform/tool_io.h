#pragma once
// A command-line tool's arguments and printed text as the core's UTF-8 on every platform. On
// Windows the C runtime hands a program its arguments in the ANSI code page, which holds few of
// the names a rater may give; the tools read them from the UTF-16 command line instead.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::platform {

// The tool's arguments after its own name. POSIX: argv as given. Windows: the process's
// UTF-16 command line split by the C runtime's rules (CommandLineToArgvW), as UTF-8; argc and
// argv are not read.
std::vector<std::string> ToolArguments(int argc, char** argv);

// Writes UTF-8 text to stdout or stderr. On Windows a stream that is a console gets it as
// UTF-16 (WriteConsoleW), which shows every name as it is whatever the console's code page;
// anywhere else (a file, a pipe, POSIX) it gets the UTF-8 bytes. False when it could not be
// written.
bool WriteText(std::FILE* stream, std::string_view text);

}  // namespace talvex::platform
