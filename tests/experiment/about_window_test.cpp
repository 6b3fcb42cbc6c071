#include "talvex/experiment/about_window.h"

#include <gtest/gtest.h>

#include "fake_loader.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/window_doubles.h"

namespace talvex::experiment {
namespace {

struct PictureCount : IAboutWindow {
  int set = 0;
  void SetPicture(const imagestore::TJPEGImage&) override { ++set; }
};

// The study's own addresses, not the built ones.
TEST(AboutEvents, EachLinkOpensItsOwnAddressThePictureTheVideoAndOtherControlsNothing) {
  testing::RecordingSystem system;
  PictureCount window;
  StudySettings study = BuiltStudySettings();
  study.institution1 = "One";
  study.institution1Page = "https://s.example/one";
  study.institution2Page = "https://s.example/two";
  study.videoPage = "https://s.example/video";
  TAboutEvents about(system, std::make_unique<testing::FakeLoader>(std::vector<std::string>{}),
                     window, study);
  EXPECT_STREQ(about.Layout().Control("Label12").text, "One");
  about.Label12Click("Label13");
  about.Label12Click("Label12");
  about.Image1Click();
  for (const char* other : {"Label11", "Label6", "Image1", "", "Label99"}) {
    about.Label12Click(other);
  }
  EXPECT_EQ(system.opened,
            (std::vector<std::string>{"https://s.example/two", "https://s.example/one",
                                      "https://s.example/video"}));
}

TEST(AboutEvents, CreationSetsTheAboutPictureAndAFailedLoadRaisesWithoutOne) {
  testing::RecordingSystem system;
  PictureCount window;
  auto owned = std::make_unique<testing::FakeLoader>(
      std::vector<std::string>{"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP"});
  const std::vector<std::string>* loads = &owned->loads;
  TAboutEvents about(system, std::move(owned), window);
  about.FormCreate();
  EXPECT_EQ(window.set, 1);
  EXPECT_EQ(*loads, std::vector<std::string>{"RESOURCES_TALVEX2_BMP"});

  PictureCount without;
  TAboutEvents missing(
      system,
      std::make_unique<testing::FakeLoader>(std::vector<std::string>{"RESOURCES_BLANK_BMP"}),
      without);
  EXPECT_THROW(missing.FormCreate(), EResNotFound);
  EXPECT_EQ(without.set, 0);
}

}  // namespace
}  // namespace talvex::experiment
