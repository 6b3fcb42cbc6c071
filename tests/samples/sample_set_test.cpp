#include "sample_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "talvex/exception.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::samples {
namespace {

namespace fs = std::filesystem;
using talvex::testing::ReadBytes;
using talvex::testing::ScratchFolder;

TEST(SamplePlan, NamesEveryResourceOnce) {
  const std::vector<SampleEntry> plan = PlanSampleSet();
  ASSERT_EQ(plan.size(), 102u);
  std::set<std::string> names;
  for (const SampleEntry& entry : plan) names.insert(entry.name);
  EXPECT_EQ(names.size(), plan.size());
  for (int n = 0; n < 20; ++n) {
    EXPECT_EQ(names.count("RESOURCES_POS_G__" + std::to_string(n) + "__BMP"), 1u) << n;
  }
  for (int n = 0; n < 80; ++n) {
    EXPECT_EQ(names.count("RESOURCES_NEG_C__" + std::to_string(n) + "__BMP"), 1u) << n;
  }
  EXPECT_EQ(plan[100].name, "RESOURCES_BLANK_BMP");
  EXPECT_EQ(plan[100].kind, SampleKind::Blank);
  EXPECT_EQ(plan[101].name, "RESOURCES_TALVEX2_BMP");
  EXPECT_EQ(plan[101].kind, SampleKind::Title);
}

TEST(SamplePlan, CupToDiscRatioFollowsTheClass) {
  int positives = 0;
  for (const SampleEntry& entry : PlanSampleSet()) {
    if (entry.kind != SampleKind::Fundus) continue;
    const FundusParameters& p = entry.fundus;
    EXPECT_EQ(p.positive, entry.name.compare(10, 3, "POS") == 0) << entry.name;
    if (p.positive) {
      ++positives;
      EXPECT_GE(p.cupToDisc, 0.65) << entry.name;
      EXPECT_LE(p.cupToDisc, 0.85) << entry.name;
    } else {
      EXPECT_GE(p.cupToDisc, 0.2) << entry.name;
      EXPECT_LE(p.cupToDisc, 0.5) << entry.name;
    }
  }
  EXPECT_EQ(positives, 20);
}

TEST(SamplePlan, DiscsLieWithinThePictureAndDiffer) {
  std::set<uint64_t> seeds;
  const double aspect = static_cast<double>(kDefaultHeight) / kDefaultWidth;
  for (const SampleEntry& entry : PlanSampleSet()) {
    if (entry.kind != SampleKind::Fundus) continue;
    const FundusParameters& p = entry.fundus;
    const double halfWidth = p.discRadius * p.discAspect * aspect;
    EXPECT_GT(p.discX - halfWidth, 0) << entry.name;
    EXPECT_LT(p.discX + halfWidth, 1) << entry.name;
    EXPECT_GT(p.discY - p.discRadius, 0) << entry.name;
    EXPECT_LT(p.discY + p.discRadius, 1) << entry.name;
    seeds.insert(p.seed);
  }
  EXPECT_EQ(seeds.size(), 100u);
}

TEST(SampleSet, PicturesHaveTheirSizesAndNoTwoAreAlike) {
  std::set<std::vector<uint8_t>> files;
  for (const SampleEntry& entry : PlanSampleSet()) {
    std::vector<uint8_t> bytes = EncodeSample(entry, 160, 120);
    imagestore::TJPEGImage picture;
    picture.LoadFromBytes(bytes);
    const int width = entry.kind == SampleKind::Blank   ? kBlankWidth
                      : entry.kind == SampleKind::Title ? kTitleWidth
                                                        : 160;
    const int height = entry.kind == SampleKind::Blank   ? kBlankHeight
                       : entry.kind == SampleKind::Title ? kTitleHeight
                                                         : 120;
    EXPECT_EQ(picture.Width(), width) << entry.name;
    EXPECT_EQ(picture.Height(), height) << entry.name;
    EXPECT_FALSE(picture.Grayscale()) << entry.name;
    files.insert(std::move(bytes));
  }
  EXPECT_EQ(files.size(), 102u);
}

TEST(SampleSet, BlankIsUniformMidGrey) {
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(EncodeSample(PlanSampleSet()[100], 160, 120));
  for (uint8_t value : picture.Decoded().pixels) ASSERT_NEAR(value, 128, 1);
}

TEST(SampleSet, DiscIsPalerThanTheFundusAroundIt) {
  FundusParameters p;
  p.discX = 0.5;
  p.discY = 0.5;
  p.discRadius = 0.2;
  p.discAspect = 1;
  const int width = 200, height = 150;
  const std::vector<uint8_t> pixels = RenderFundus(p, width, height);
  // Median green on a circle of the given radius (in disc radii) round the disc centre;
  // the median passes over the vessels that cross the circle.
  auto medianGreen = [&](double radius) {
    std::vector<int> values;
    for (int n = 0; n < 24; ++n) {
      const double angle = n * 3.14159265 / 12;
      const int x = static_cast<int>(width / 2 + radius * 30 * std::cos(angle));
      const int y = static_cast<int>(height / 2 + radius * 30 * std::sin(angle));
      values.push_back(pixels[3 * static_cast<size_t>(y * width + x) + 1]);
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  EXPECT_GT(medianGreen(0.8), medianGreen(1.6) + 30);
}

TEST(SampleSet, WritingTwiceGivesTheSameFiles) {
  ScratchFolder first, second;  // the sets go into folders still to be made
  WriteSampleSet(first / "set", 96, 72);
  WriteSampleSet(second / "set", 96, 72);
  size_t count = 0;
  for (const fs::directory_entry& file : fs::directory_iterator(first / "set")) {
    ++count;
    EXPECT_EQ(file.path().extension(), ".jpg");
    EXPECT_EQ(ReadBytes(file.path()),
              ReadBytes(second / ("set/" + file.path().filename().string())))
        << file.path();
  }
  EXPECT_EQ(count, 102u);
}

TEST(SampleSet, UnwritableFolderIsReported) {
  ScratchFolder folder;
  const std::string blocker = folder / "file";
  std::ofstream(blocker) << "x";
  try {
    WriteSampleSet(blocker + "/inner", 96, 72);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(
        std::string(error.what()).rfind("Cannot create folder \"" + blocker + "/inner\": ", 0), 0u)
        << error.what();
  }
}

}  // namespace
}  // namespace talvex::samples
