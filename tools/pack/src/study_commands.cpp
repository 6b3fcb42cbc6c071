#include "study_commands.h"

#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "kit_texts.h"
#include "talvex/pack/image_pack.h"
#include "talvex/pack/stamp.h"
#include "talvex/pack/tool_files.h"
#include "talvex/pack/zip_writer.h"

namespace talvex::pack {

namespace fs = std::filesystem;

const char* const kStudyCommandsUsage =
    "       talvex-pack stamp PROGRAM IMAGE_FOLDER OUT [--settings FILE]\n"
    "       talvex-pack raters-zip PROGRAM OUT.zip\n";

namespace {

// Paths arrive as UTF-8 text; a narrow std::filesystem path would be read in the ANSI code
// page on Windows.
fs::path PathOf(const std::string& text) {
  return fs::u8path(text);
}

// Writes OUT, in a folder made when missing, with the permissions of like when given.
void WriteOutput(const std::string& path, const std::vector<uint8_t>& bytes,
                 const std::string& like) {
  const fs::path folder = PathOf(path).parent_path();
  if (!folder.empty()) MakeFolders(folder.u8string());
  WriteWholeFile(path, bytes, like);
}

// The output must not be the program: the original stays as it is.
void CheckNotTheProgram(const std::string& program, const std::string& out) {
  std::error_code error;
  if (fs::equivalent(PathOf(program), PathOf(out), error)) {
    throw EPackError(out + " is the program itself; name a new file for the stamped copy");
  }
}

std::vector<uint8_t> WithWindowsLineEnds(std::string_view text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) bytes.push_back('\r');
    bytes.push_back(static_cast<uint8_t>(text[i]));
  }
  return bytes;
}

int Stamp(const std::vector<std::string>& args) {
  const std::string& program = args[1];
  const std::string& out = args[3];
  std::optional<std::string> settings;
  std::string settingsPath;
  if (args.size() == 6) {
    settingsPath = args[5];
    const std::vector<uint8_t> text = ReadWholeFile(settingsPath);
    settings.emplace(text.begin(), text.end());
  }
  CheckNotTheProgram(program, out);
  const std::vector<uint8_t> original = ReadWholeFile(program);
  const std::vector<PackImage> images = ReadImageFolder(args[2]);
  std::vector<uint8_t> stamped;
  try {
    stamped = StampProgram(original, images, settings, settingsPath);
  } catch (const EPackError& error) {
    throw EPackError(program + ": " + error.what());
  }
  WriteOutput(out, stamped, program);
  std::cout << out << ": " << images.size() << " images"
            << (settings ? ", the settings of " + settingsPath : std::string()) << '\n';
  return 0;
}

int RatersZip(const std::vector<std::string>& args) {
  const std::string& program = args[1];
  const std::vector<uint8_t> bytes = ReadWholeFile(program);
  try {
    if (CheckTalvexProgram(bytes) != ProgramKind::Windows) {
      throw EPackError("not a Windows program; raters get talvex.exe");
    }
  } catch (const EPackError& error) {
    throw EPackError(program + ": " + error.what());
  }
  const std::time_t now = std::time(nullptr);
  const std::tm local = *std::localtime(&now);
  const std::vector<ZipEntry> entries = {
      {"talvex.exe", bytes},
      {"README.txt", WithWindowsLineEnds(kRatersText)},
      {"LICENSE.txt", WithWindowsLineEnds(kLicenceText)},
      {"THIRD-PARTY-NOTICES.txt", WithWindowsLineEnds(kNoticesText)}};
  WriteOutput(args[2],
              StoredZip(entries, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour, local.tm_min, local.tm_sec),
              {});
  std::cout << args[2] << ":";
  for (const ZipEntry& entry : entries) std::cout << ' ' << entry.name;
  std::cout << '\n';
  return 0;
}

}  // namespace

bool IsStudyCommand(const std::vector<std::string>& args) {
  return !args.empty() && (args[0] == "stamp" || args[0] == "raters-zip");
}

int RunStudyCommand(const std::vector<std::string>& args) {
  if (args[0] == "stamp" && (args.size() == 4 || (args.size() == 6 && args[4] == "--settings"))) {
    return Stamp(args);
  }
  if (args[0] == "raters-zip" && args.size() == 3) return RatersZip(args);
  std::cerr << "usage:\n" << kStudyCommandsUsage;
  return 2;
}

}  // namespace talvex::pack
