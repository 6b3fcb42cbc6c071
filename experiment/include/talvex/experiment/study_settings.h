#pragma once
// The study's settings: the web pages the program opens, the About window's credit lines and
// the offer of unfinished runs. A program has the values it was built with (the TALVEX_* cache
// options of experiment/CMakeLists.txt) unless a study's settings are stamped into it
// (talvex-pack stamp), as the resource STUDY/SETTINGS of its image set.
//
// The settings file, written by a study team and stamped into the program as it is parsed
// here: UTF-8 text (a byte order mark is allowed), one "key = value" a line, LF or CR LF line
// ends; blank lines and lines beginning with "#" are left out. Spaces around key and value do
// not count. Every key is required except resume and resume_max_age_hours, whose values
// otherwise stay as the program has them.

#include <array>
#include <string>
#include <vector>

#include "talvex/exception.h"
#include "talvex/experiment/resume.h"
#include "talvex/imagestore/image_source.h"

namespace talvex::experiment {

// A settings text that cannot be used; the message names the file and the line.
class EStudySettingsError : public Exception {
 public:
  using Exception::Exception;
};

// Where a program carries stamped settings: a resource of this type and name.
inline constexpr const char* kStudySettingsType = "STUDY";
inline constexpr const char* kStudySettingsName = "SETTINGS";

// The About window lists exactly this many acknowledged persons.
inline constexpr size_t kThankedCount = 7;

struct StudySettings {
  std::string instructionsPage;  // opened by Help > Instructions
  std::string videoPage;         // opened by a click on the About window's picture
  std::string institution1;      // group, university, country
  std::string institution1Page;
  std::string institution2;  // department, university, country
  std::string institution2Page;
  std::vector<std::string> authors;  // initials and surname each
  std::string webServerName;
  std::string webServerTown;
  std::array<std::string, kThankedCount> thanked;
  std::string clinic;
  std::string hospital;
  ResumeSettings resume;

  // The About window's lines made from them.
  std::string AuthorLine() const;     // the authors joined by ", "
  std::string WebServerLine() const;  // "webserver implemented by NAME, TOWN"
  std::string ClinicLine() const;     // "and the patients of the CLINIC clinic"
  std::string HospitalLine() const;   // "at the HOSPITAL."

  bool operator==(const StudySettings& other) const;
};

// The settings the program was built with.
const StudySettings& BuiltStudySettings();

// Parses a settings text; fileName names it in messages ("FILE:LINE: ..."). Keys the text
// leaves out that are not required keep their values from defaults. Raises
// EStudySettingsError for a line that is not "key = value", an unknown or repeated key, a
// required key missing or empty, a value that is not UTF-8 or holds a control character, a
// page that is not an http:// or https:// address, no author, a number of thanked persons
// other than seven, a resume value other than yes or no, or a maximum age outside 1 to 8760.
StudySettings ParseStudySettings(const std::string& text, const std::string& fileName,
                                 const StudySettings& defaults = BuiltStudySettings());

// The text of the settings with every key, as ParseStudySettings reads it back.
std::string FormatStudySettings(const StudySettings& settings);

// The settings of the program whose images the source reads: those stamped into it, else
// the built ones (also when the source cannot be opened; the image loaders report that).
// Raises EStudySettingsError when stamped settings cannot be parsed.
StudySettings ReadStudySettings(const imagestore::ImageSource& source);

}  // namespace talvex::experiment
