// The picture area decodes at a reduced DCT scale and averages that down to its size. What it
// shows must match the full-size decode smoothly scaled by Qt: at least 40 dB PSNR, over every
// image of the embedded sample set and over sample photographs at camera size.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "picture_area.h"
#include "sample_set.h"
#include "talvex/embedded_images.h"
#include "talvex/experiment/picture_pixels.h"
#include "talvex/imagestore/resource_manager.h"

namespace talvex::app {
namespace {

using imagestore::TJPEGImage;

constexpr double kMinimumPsnr = 40.0;

// Peak signal-to-noise ratio over the red, green and blue values of two pictures of one size;
// infinity when they are identical.
double Psnr(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  double squares = 0.0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int column = 0; column < x.width(); ++column) {
      const int dr = qRed(p[column]) - qRed(q[column]);
      const int dg = qGreen(p[column]) - qGreen(q[column]);
      const int db = qBlue(p[column]) - qBlue(q[column]);
      squares += dr * dr + dg * dg + db * db;
    }
  }
  if (squares == 0.0) return INFINITY;
  const double mse = squares / (3.0 * x.width() * x.height());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The area's designed size, the same at a window scale of 1.25 (a larger system font), and at
// a device pixel ratio of 2.
const QSize kAreaSizes[] = {QSize(410, 350), QSize(513, 438), QSize(820, 700)};

int DecodeScale(const TJPEGImage& picture, const QSize& size) {
  return experiment::DecodeScaleFor(picture, size.width(), size.height());
}

// Checks one picture at every area size; returns the smallest PSNR seen.
double CheckPicture(const TJPEGImage& picture, const std::string& name) {
  double worst = INFINITY;
  for (const QSize& size : kAreaSizes) {
    const QImage shown = TPictureArea::Prepare(picture, size);
    // The full-size decode smoothly scaled by Qt: the picture as the area first showed it.
    const QImage reference = ToQImage(picture.DecodeScaled(1))
                                 .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.size(), size) << name;
    EXPECT_EQ(reference.size(), size) << name;
    if (shown.size() != size || reference.size() != size) continue;
    const double psnr = Psnr(shown, reference);
    EXPECT_GE(psnr, kMinimumPsnr) << name << " at " << size.width() << "x" << size.height()
                                  << ", decoded at 1/" << DecodeScale(picture, size);
    worst = std::min(worst, psnr);
  }
  return worst;
}

TEST(PictureFidelity, ReducedDecodeMatchesFullSizeOverTheSampleSet) {
  const imagestore::TResourceManager loader(EmbeddedImageSource());
  int reduced = 0;
  double worst = INFINITY;
  for (const std::string& name : loader.ListImageNames()) {
    if (name.compare(10, 3, "POS") != 0 && name.compare(10, 3, "NEG") != 0) continue;
    const auto picture = loader.LoadImage(name);
    if (DecodeScale(*picture, kAreaSizes[0]) > 1) ++reduced;
    worst = std::min(worst, CheckPicture(*picture, name));
  }
  RecordProperty("worst_psnr_db", std::to_string(worst));
  // The check means something only if the reduced path was taken.
  EXPECT_EQ(reduced, 100);
}

TEST(PictureFidelity, ReducedDecodeMatchesFullSizeForCameraSizedPhotographs) {
  // Photographs of 3000 x 2000 pixels, as a fundus camera takes them: a few of each class.
  const std::vector<samples::SampleEntry> plan = samples::PlanSampleSet();
  const size_t picks[] = {0, 7, 19, 20, 55, 99};
  double worst = INFINITY;
  for (const size_t index : picks) {
    ASSERT_LT(index, plan.size());
    const samples::SampleEntry& entry = plan[index];
    TJPEGImage picture;
    picture.LoadFromBytes(samples::EncodeSample(entry, 3000, 2000));
    EXPECT_EQ(DecodeScale(picture, kAreaSizes[0]), 4);
    worst = std::min(worst, CheckPicture(picture, entry.name));
  }
  RecordProperty("worst_psnr_db", std::to_string(worst));
}

}  // namespace
}  // namespace talvex::app
