#pragma once
// Helpers of the resource reader's tests: bytes, files, errors, running tools, and resource
// images built by the pack library.

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "talvex/imagestore/exe_image.h"
#include "talvex/little_endian.h"
#include "talvex/pack/resource_image_writer.h"

namespace talvex::imagestore::testing {

using pack::Resource;
using pack::ResourceId;
using TempFolder = talvex::testing::ScratchFolder;

inline constexpr auto Named = &ResourceId::Named;
inline constexpr auto Number = &ResourceId::Number;
inline constexpr uint32_t kHighBit = 0x80000000u;
// Where the pack library's images put their one section header: after the 64-byte DOS
// header, the signature, the file header and the 224-byte optional header of a PE32 image.
inline constexpr size_t kWrittenSectionTable = 0x40 + 24 + 224;

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

inline constexpr auto Put16 = &PutLittleEndian16;
inline constexpr auto Put32 = &PutLittleEndian32;

inline uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{bytes.at(at)} | uint32_t{bytes.at(at + 1)} << 8 |
         uint32_t{bytes.at(at + 2)} << 16 | uint32_t{bytes.at(at + 3)} << 24;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The message of the E an action raises, or "no error".
template <typename E = EExeError>
std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

// A resource image read from memory, kept alive with its bytes.
struct Parsed {
  explicit Parsed(std::vector<uint8_t> data)
      : bytes(std::move(data)), image(bytes.data(), bytes.size(), "test") {}
  // The first entry under the first type.
  TResourceItem& FirstEntry() { return image.ResourceRoot().Items(0).SubList().Items(0); }

  std::vector<uint8_t> bytes;
  TExeImage image;
};

inline std::vector<uint8_t> DataOf(const TResourceItem& item) {
  std::vector<uint8_t> data;
  item.WriteData(data);
  return data;
}

inline std::vector<std::string> DisplayNames(TResourceList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Items(i).DisplayName());
  return names;
}

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
