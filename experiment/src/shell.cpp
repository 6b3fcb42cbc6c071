#include "talvex/experiment/shell.h"

#include "talvex/experiment/controller.h"

namespace talvex::experiment {

EventsFactory ControllerEvents(System& system, LoaderFactory makeLoader,
                               const ResumeSettings& resume) {
  return [&system, makeLoader = std::move(makeLoader), resume](IMainWindow& window) {
    std::shared_ptr<const imagestore::TResourceManager> loader = makeLoader();
    return std::unique_ptr<IMainWindowEvents>(
        std::make_unique<TExperimentController>(window, system, std::move(loader), resume));
  };
}

imagestore::PixelFormat PictureFormatForScreen(int bitsPerPixel) {
  return bitsPerPixel <= 8 ? imagestore::PixelFormat::Bits8 : imagestore::PixelFormat::Bits24;
}

int FittingPointSize(int designedPoints, int floorPoints, const std::function<bool(int)>& fits) {
  int points = designedPoints;
  for (; points > floorPoints + 1; --points) {
    if (fits(points)) break;
  }
  return points;
}

int DecodeScaleFor(const imagestore::TJPEGImage& picture, int areaWidth, int areaHeight) {
  if (picture.Empty() || picture.Grayscale() ||
      picture.Format() != imagestore::PixelFormat::Bits24) {
    return 1;
  }
  int scale = 1;
  for (const int denominator : {2, 4, 8}) {
    // libjpeg's output at 1/n is the side divided by n, rounded up.
    const int width = (picture.Width() + denominator - 1) / denominator;
    const int height = (picture.Height() + denominator - 1) / denominator;
    if (width < areaWidth || height < areaHeight) break;
    scale = denominator;
  }
  return scale;
}

int RunStartUp(IStartUpShell& shell) {
  shell.BuildMainWindow();
  shell.StepDone("main window built (fonts, controls)");
  shell.RunCreationEvent();
  if (!shell.SetUpComplete()) return shell.EndRequested() ? 0 : kExitSetUpFailed;
  shell.StepDone("creation event: the set-up");
  shell.BuildHiddenAboutWindow();
  shell.StepDone("hidden About window");
  return shell.RunEventLoop();
}

}  // namespace talvex::experiment
