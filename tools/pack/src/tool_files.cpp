#include "talvex/pack/tool_files.h"

#include <filesystem>
#include <system_error>

#include "talvex/platform/file.h"

namespace talvex::pack {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  platform::File file;
  platform::FileStatus status = file.OpenForReading(path);
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  for (size_t count = 1; status.Ok() && count > 0;) {
    status = file.Read(buffer, sizeof(buffer), count);
    if (status.Ok()) bytes.insert(bytes.end(), buffer, buffer + count);
  }
  if (!status.Ok()) throw EPackError("cannot read " + path + ": " + status.text);
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes,
                    const std::string& permissionsOf) {
  std::string temporary;
  platform::File file;
  platform::FileStatus status = file.CreateBeside(path, temporary);
  if (status.Ok()) status = file.WriteAll(bytes.data(), bytes.size());
  if (status.Ok()) status = file.Close();
  if (status.Ok() && !permissionsOf.empty()) {
    // fs::u8path: a narrow path would be read in the ANSI code page on Windows.
    std::error_code error;
    const fs::perms perms = fs::status(fs::u8path(permissionsOf), error).permissions();
    if (!error) fs::permissions(fs::u8path(temporary), perms, error);
  }
  if (status.Ok()) status = platform::RenameFile(temporary, path, platform::Existing::kReplace);
  if (!status.Ok()) {
    file.Close();
    if (!temporary.empty()) platform::RemoveFile(temporary);
    throw EPackError("cannot write " + path + ": " + status.text);
  }
}

void MakeFolders(const std::string& folder) {
  std::error_code error;
  fs::create_directories(fs::u8path(folder), error);
  if (error) throw EPackError("cannot make the folder " + folder + ": " + error.message());
}

}  // namespace talvex::pack
