#include "talvex/window_doubles.h"

#include "talvex/exception.h"

namespace talvex::testing {
namespace {

// A folder that does not exist on this platform.
#ifdef _WIN32
constexpr const char* kNowhere = "C:\\nonexistent\\";
constexpr const char* kProgramName = "talvex.exe";
#else
constexpr const char* kNowhere = "/nonexistent/";
constexpr const char* kProgramName = "talvex";
#endif

}  // namespace

std::string RecordingSystem::ExecutablePath() {
  return std::string(kNowhere) + kProgramName;
}

std::string RecordingSystem::GetTempFolder() {
  return kNowhere;
}

void RecordingEvents::Record(const std::string& name) {
  if (onCall) onCall();
  calls.push_back(name);
  if (!failWith.empty()) throw Exception(failWith);
}

experiment::EventsFactory RecordingEventsFactory(std::vector<std::string>& log,
                                                 RecordingEvents** created) {
  return [&log, created](experiment::IMainWindow&) {
    auto events = std::make_unique<RecordingEvents>(log);
    if (created != nullptr) *created = events.get();
    return std::unique_ptr<experiment::IMainWindowEvents>(std::move(events));
  };
}

experiment::LoaderFactory MainWindowDoubles::Loaders() const {
  return [loads = loads] { return std::make_unique<GeneratedLoader>(loads); };
}

}  // namespace talvex::testing
