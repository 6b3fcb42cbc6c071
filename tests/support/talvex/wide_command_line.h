#pragma once
// Windows only: runs a program as a command prompt or a shortcut starts it, its arguments on
// a UTF-16 command line, for the tests of the tools' names beyond ASCII.

#include <string>
#include <vector>

namespace talvex::testing {

// Runs program with the arguments (each in double quotes, which none may hold) and waits for it;
// its standard output and error go into the files outPath and errPath. Returns its exit code,
// -1 when it cannot be started.
int RunWithWideCommandLine(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outPath, const std::string& errPath);

}  // namespace talvex::testing
