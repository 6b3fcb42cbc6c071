#include "talvex/experiment/study_settings.h"

#include <algorithm>
#include <map>
#include <memory>

#include "talvex/ascii.h"
#include "talvex/experiment/study_defaults.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/utf16_text.h"

namespace talvex::experiment {

namespace {

// The keys in the order the template and FormatStudySettings give them.
enum class Key {
  InstructionsPage,
  VideoPage,
  Institution1,
  Institution1Page,
  Institution2,
  Institution2Page,
  Authors,
  WebServerName,
  WebServerTown,
  Thanks,
  Clinic,
  Hospital,
  Resume,
  ResumeMaxAgeHours,
};

struct KeyInfo {
  Key key;
  const char* name;
  bool required;
};

constexpr KeyInfo kKeys[] = {
    {Key::InstructionsPage, "instructions_page", true},
    {Key::VideoPage, "video_page", true},
    {Key::Institution1, "institution1", true},
    {Key::Institution1Page, "institution1_page", true},
    {Key::Institution2, "institution2", true},
    {Key::Institution2Page, "institution2_page", true},
    {Key::Authors, "authors", true},
    {Key::WebServerName, "webserver_name", true},
    {Key::WebServerTown, "webserver_town", true},
    {Key::Thanks, "thanks", true},
    {Key::Clinic, "clinic", true},
    {Key::Hospital, "hospital", true},
    {Key::Resume, "resume", false},
    {Key::ResumeMaxAgeHours, "resume_max_age_hours", false},
};

// The longest stamped maximum age, a year, as the build option allows.
constexpr int kMaxResumeAgeHours = 8760;
constexpr char kListSeparator = ';';

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string joined;
  for (const std::string& item : items) {
    if (!joined.empty()) joined += separator;
    joined += item;
  }
  return joined;
}

// One line of the text as the parser sees it, for its messages.
class Line {
 public:
  Line(const std::string& fileName, size_t number) : fileName_(fileName), number_(number) {}

  [[noreturn]] void Fail(const std::string& message) const {
    throw EStudySettingsError(fileName_ + ":" + std::to_string(number_) + ": " + message);
  }

  std::string Page(const std::string& key, const std::string& value) const {
    const std::string upper = AsciiUpper(value);
    const bool web = (upper.rfind("HTTP://", 0) == 0 && upper.size() > 7) ||
                     (upper.rfind("HTTPS://", 0) == 0 && upper.size() > 8);
    if (!web || value.find_first_of(" \t") != std::string::npos) {
      Fail("\"" + key + "\" must be a web address beginning with http:// or https://");
    }
    return value;
  }

  std::vector<std::string> Names(const std::string& key, const std::string& value) const {
    std::vector<std::string> names;
    size_t start = 0;
    for (;;) {
      const size_t end = value.find(kListSeparator, start);
      names.push_back(Trimmed(value.substr(start, end - start)));
      if (names.back().empty()) Fail("\"" + key + "\" has an empty name between its \";\"");
      if (end == std::string::npos) return names;
      start = end + 1;
    }
  }

  bool YesOrNo(const std::string& key, const std::string& value) const {
    const std::string upper = AsciiUpper(value);
    if (upper != "YES" && upper != "NO") Fail("\"" + key + "\" must be yes or no");
    return upper == "YES";
  }

  int Hours(const std::string& key, const std::string& value) const {
    const bool digits = !value.empty() && value.size() <= 4 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    const int hours = digits ? std::stoi(value) : 0;
    if (hours < 1 || hours > kMaxResumeAgeHours) {
      Fail("\"" + key + "\" must be a whole number of hours from 1 to " +
           std::to_string(kMaxResumeAgeHours));
    }
    return hours;
  }

 private:
  const std::string& fileName_;
  size_t number_;
};

bool IsUtf8(const std::string& text) {
  return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

// Whether the UTF-8 text holds a control character (C0, DEL or C1), which no window line takes.
bool HasControlCharacter(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::any_of(wide.begin(), wide.end(),
                     [](char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); });
}

void Apply(StudySettings& settings, Key key, const std::string& name, const std::string& value,
           const Line& line) {
  switch (key) {
    case Key::InstructionsPage:
      settings.instructionsPage = line.Page(name, value);
      break;
    case Key::VideoPage:
      settings.videoPage = line.Page(name, value);
      break;
    case Key::Institution1:
      settings.institution1 = value;
      break;
    case Key::Institution1Page:
      settings.institution1Page = line.Page(name, value);
      break;
    case Key::Institution2:
      settings.institution2 = value;
      break;
    case Key::Institution2Page:
      settings.institution2Page = line.Page(name, value);
      break;
    case Key::Authors:
      settings.authors = line.Names(name, value);
      break;
    case Key::WebServerName:
      settings.webServerName = value;
      break;
    case Key::WebServerTown:
      settings.webServerTown = value;
      break;
    case Key::Thanks: {
      const std::vector<std::string> names = line.Names(name, value);
      if (names.size() != kThankedCount) {
        line.Fail("\"thanks\" names " + std::to_string(names.size()) +
                  " persons; the About window lists exactly seven");
      }
      std::copy(names.begin(), names.end(), settings.thanked.begin());
      break;
    }
    case Key::Clinic:
      settings.clinic = value;
      break;
    case Key::Hospital:
      settings.hospital = value;
      break;
    case Key::Resume:
      settings.resume.enabled = line.YesOrNo(name, value);
      break;
    case Key::ResumeMaxAgeHours:
      settings.resume.maxAgeHours = line.Hours(name, value);
      break;
  }
}

std::string Value(const StudySettings& settings, Key key) {
  switch (key) {
    case Key::InstructionsPage:
      return settings.instructionsPage;
    case Key::VideoPage:
      return settings.videoPage;
    case Key::Institution1:
      return settings.institution1;
    case Key::Institution1Page:
      return settings.institution1Page;
    case Key::Institution2:
      return settings.institution2;
    case Key::Institution2Page:
      return settings.institution2Page;
    case Key::Authors:
      return Join(settings.authors, "; ");
    case Key::WebServerName:
      return settings.webServerName;
    case Key::WebServerTown:
      return settings.webServerTown;
    case Key::Thanks:
      return Join(std::vector<std::string>(settings.thanked.begin(), settings.thanked.end()), "; ");
    case Key::Clinic:
      return settings.clinic;
    case Key::Hospital:
      return settings.hospital;
    case Key::Resume:
      return settings.resume.enabled ? "yes" : "no";
    case Key::ResumeMaxAgeHours:
      return std::to_string(settings.resume.maxAgeHours);
  }
  return {};
}

}  // namespace

std::string StudySettings::AuthorLine() const {
  return Join(authors, ", ");
}

std::string StudySettings::WebServerLine() const {
  return "webserver implemented by " + webServerName + ", " + webServerTown;
}

std::string StudySettings::ClinicLine() const {
  return "and the patients of the " + clinic + " clinic";
}

std::string StudySettings::HospitalLine() const {
  return "at the " + hospital + ".";
}

bool StudySettings::operator==(const StudySettings& other) const {
  return FormatStudySettings(*this) == FormatStudySettings(other);
}

const StudySettings& BuiltStudySettings() {
  static const StudySettings settings = [] {
    StudySettings s;
    s.instructionsPage = built::kInstructionsPage;
    s.videoPage = built::kVideoPage;
    s.institution1 = built::kInstitution1;
    s.institution1Page = built::kInstitution1Page;
    s.institution2 = built::kInstitution2;
    s.institution2Page = built::kInstitution2Page;
    s.authors.assign(std::begin(built::kAuthors), std::end(built::kAuthors));
    s.webServerName = built::kWebServerName;
    s.webServerTown = built::kWebServerTown;
    std::copy(std::begin(built::kThanked), std::end(built::kThanked), s.thanked.begin());
    s.clinic = built::kClinic;
    s.hospital = built::kHospital;
    s.resume = ResumeSettings{built::kResumeRuns, built::kResumeMaxAgeHours};
    return s;
  }();
  return settings;
}

StudySettings ParseStudySettings(const std::string& text, const std::string& fileName,
                                 const StudySettings& defaults) {
  StudySettings settings = defaults;
  std::map<Key, size_t> seenOn;  // the line of each key given
  size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  for (size_t number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string content = text.substr(start, end - start);
    start = end + 1;
    if (!content.empty() && content.back() == '\r') content.pop_back();
    const Line line(fileName, number);
    if (!IsUtf8(content)) line.Fail("not UTF-8 text; save the file as UTF-8");
    content = Trimmed(content);
    if (content.empty() || content[0] == '#') continue;
    const size_t equals = content.find('=');
    if (equals == std::string::npos) line.Fail("not a line of the form key = value");
    const std::string name = Trimmed(content.substr(0, equals));
    const std::string value = Trimmed(content.substr(equals + 1));
    const auto info = std::find_if(std::begin(kKeys), std::end(kKeys),
                                   [&name](const KeyInfo& k) { return name == k.name; });
    if (info == std::end(kKeys)) {
      line.Fail("unknown key \"" + name + "\" (the template lists every key)");
    }
    const auto [seen, first] = seenOn.emplace(info->key, number);
    if (!first) {
      line.Fail("\"" + name + "\" is given again (first on line " + std::to_string(seen->second) +
                ")");
    }
    if (value.empty()) line.Fail("\"" + name + "\" has no value");
    if (HasControlCharacter(value)) line.Fail("\"" + name + "\" holds a control character");
    Apply(settings, info->key, name, value, line);
  }
  for (const KeyInfo& info : kKeys) {
    if (info.required && seenOn.count(info.key) == 0) {
      throw EStudySettingsError(fileName + ": no line \"" + info.name +
                                " = ...\"; every key of the template but resume and "
                                "resume_max_age_hours is required");
    }
  }
  return settings;
}

std::string FormatStudySettings(const StudySettings& settings) {
  std::string text;
  for (const KeyInfo& info : kKeys) {
    text += std::string(info.name) + " = " + Value(settings, info.key) + "\n";
  }
  return text;
}

StudySettings ReadStudySettings(const imagestore::ImageSource& source) {
  std::unique_ptr<imagestore::TExeImage> image;
  imagestore::ByteSpan data;
  try {
    image = source.Open();
    if (image == nullptr ||
        !imagestore::FindResourceData(*image, kStudySettingsType, kStudySettingsName, data)) {
      return BuiltStudySettings();
    }
  } catch (const imagestore::EExeError&) {
    return BuiltStudySettings();
  }
  const std::string text(reinterpret_cast<const char*>(data.data), data.size);
  return ParseStudySettings(text, "the study settings stamped into the program");
}

}  // namespace talvex::experiment
