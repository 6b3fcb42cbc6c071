#pragma once
// Linux only: running the built tools and programs from the tests, and counting what this
// process has mapped.

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace talvex::imagestore::testing {

// How often the mappings of this process name the file.
inline int CountMappingsOf(const std::string& path) {
  const std::string target = std::filesystem::canonical(path).string();
  std::ifstream maps("/proc/self/maps");
  int count = 0;
  for (std::string line; std::getline(maps, line);) count += line.find(target) != line.npos;
  return count;
}

// Runs a shell command; returns its standard output and sets status to its exit code.
inline std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  status = -1;
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    output.append(buffer, got);
  }
  const int raw = ::pclose(pipe);
  if (WIFEXITED(raw)) status = WEXITSTATUS(raw);
  return output;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Whether a program of that name is on the search path.
inline bool HaveTool(const std::string& name) {
  int status = 0;
  RunCommand("command -v " + name + " >/dev/null 2>&1", status);
  return status == 0;
}

inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace talvex::imagestore::testing
