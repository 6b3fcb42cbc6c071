#pragma once
// The study team's commands of talvex-pack, apart from the image-pack commands in main.cpp:
//   talvex-pack stamp PROGRAM IMAGE_FOLDER OUT [--settings FILE]
//                                      a copy of a released Talvex program (Linux or Windows)
//                                      with the folder's images and the study's settings
//   talvex-pack raters-zip PROGRAM OUT.zip
//                                      the zip for raters: the Windows program, the raters'
//                                      text, the licence and the third-party notices

#include <string>
#include <vector>

namespace talvex::pack {

// The usage lines of these commands.
extern const char* const kStudyCommandsUsage;

// Whether args (without the program name) name one of these commands.
bool IsStudyCommand(const std::vector<std::string>& args);

// Runs the command; returns the exit code (2 for a usage error, after printing the usage).
// Raises as the commands fail, each message naming the file.
int RunStudyCommand(const std::vector<std::string>& args);

}  // namespace talvex::pack
