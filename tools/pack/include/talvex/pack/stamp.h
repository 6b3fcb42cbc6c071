#pragma once
// A study's program made from a released one: the image set and, when given, the study's
// settings put into a copy of a Talvex program (Linux or Windows) of this version.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "talvex/pack/image_pack.h"
#include "talvex/pack/program_file.h"

namespace talvex::pack {

// The section of a Linux program that names the version of Talvex it is ("Talvex 1.7.0.0").
inline constexpr const char* kProgramSection = ".talvex_program";

// The resource that carries a study's settings text, as the program reads it.
Resource StudySettingsResource(const std::string& text);

// Raises EPackError unless the file is a Talvex program (Windows or Linux) of this version:
// "not a Talvex program ..." or "a program of Talvex <version> ...". Returns its kind.
ProgramKind CheckTalvexProgram(const std::vector<uint8_t>& program);

// The program with the images as its image set, checked as talvex-pack build checks them,
// and with the settings text, when given, as its study settings (checked by the program's own
// parser; settingsName names it in messages). Without a text, settings stamped before are
// kept. Everything else in the program stays as it was. Raises EPackError for an image set
// the build would refuse, a file that is not a Talvex program of this version, a signed
// program, or a layout that cannot be rewritten; the study settings' own error for a bad text.
std::vector<uint8_t> StampProgram(const std::vector<uint8_t>& program,
                                  const std::vector<PackImage>& images,
                                  const std::optional<std::string>& settingsText,
                                  const std::string& settingsName = "settings");

}  // namespace talvex::pack
