// The program: the image set in its own resources, the windows and the event loop, with the
// system's timer resolution raised to 1 ms for the run.

#include "windows_api.h"
// After windows.h, which they need.
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>

#include <exception>

#include "message_boxes.h"
#include "startup.h"
#include "talvex/embedded_images.h"
#include "talvex/platform/windows_system.h"

namespace {

// The timer resolution of 1 ms for as long as the program runs: the exposure's waits and the
// system's scheduling then keep to the millisecond. Released at the end, as the system asks.
class TimerResolution {
 public:
  TimerResolution() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;
  ~TimerResolution() {
    if (raised_) timeEndPeriod(1);
  }

 private:
  bool raised_;
};

// COM for this thread (the shell's web addresses, the accessibility properties).
class ComApartment {
 public:
  ComApartment()
      : initialised_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  const TimerResolution resolution;
  const ComApartment com;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    talvex::System& system = talvex::platform::TheSystem();
    // The images are resources of the program's own file.
    return talvex::win32::RunWindows(system, talvex::EmbeddedImageSource(), showCommand);
  } catch (const std::exception& e) {
    talvex::win32::ShowApplicationErrorBox(e.what());
    return talvex::experiment::kExitSetUpFailed;
  }
}
