// Painting of one synthetic disc photograph: an orange-red fundus with vignetting and
// texture, a yellow-pink disc with a paler cup, and dark-red vessels leaving the disc.

#include <algorithm>
#include <cmath>
#include <vector>

#include "sample_random.h"
#include "sample_set.h"

namespace talvex::samples {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Colour {
  double r, g, b;
};

Colour Mix(const Colour& a, const Colour& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double SmoothStep(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

uint8_t ToByte(double value) {
  return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

// Value noise: random values on a square lattice, blended smoothly between them.
class ValueNoise {
 public:
  ValueNoise(SampleRandom& random, int width, int height, double cell)
      : columns_(static_cast<int>(width / cell) + 2), rows_(static_cast<int>(height / cell) + 2) {
    lattice_.resize(static_cast<size_t>(columns_ * rows_));
    for (double& value : lattice_) value = random.Uniform(-1, 1);
    xIndex_.resize(static_cast<size_t>(width));
    xWeight_.resize(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
      Split(x / cell, xIndex_[static_cast<size_t>(x)], xWeight_[static_cast<size_t>(x)]);
    yIndex_.resize(static_cast<size_t>(height));
    yWeight_.resize(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
      Split(y / cell, yIndex_[static_cast<size_t>(y)], yWeight_[static_cast<size_t>(y)]);
  }

  // -1 to 1.
  double At(size_t x, size_t y) const {
    const size_t i = static_cast<size_t>(yIndex_[y] * columns_ + xIndex_[x]);
    const size_t below = i + static_cast<size_t>(columns_);
    const double top = lattice_[i] + (lattice_[i + 1] - lattice_[i]) * xWeight_[x];
    const double bottom = lattice_[below] + (lattice_[below + 1] - lattice_[below]) * xWeight_[x];
    return top + (bottom - top) * yWeight_[y];
  }

 private:
  static void Split(double position, int& index, double& weight) {
    index = static_cast<int>(position);
    weight = SmoothStep(0, 1, position - index);
  }

  int columns_;
  int rows_;
  std::vector<double> lattice_;
  std::vector<int> xIndex_, yIndex_;
  std::vector<double> xWeight_, yWeight_;
};

struct VesselPoint {
  double x, y, radius;
};

struct Vessel {
  std::vector<VesselPoint> points;
  bool artery = false;
};

struct GrowthRules {
  double step;         // pixels between points
  double targetAngle;  // direction the vessel bends towards
  double pull;         // strength of that bend per step
  int depth;           // branching generation, 0 for a trunk
};

// Grows a vessel from (x, y) as a smooth random walk, branching on the way; appends it and
// its branches to vessels.
void GrowVessel(SampleRandom& random, double x, double y, double angle, double radius, bool artery,
                const GrowthRules& rules, int width, int height, std::vector<Vessel>& vessels) {
  Vessel vessel;
  vessel.artery = artery;
  double turn = 0;
  const double margin = 4 * radius + 10;
  for (int step = 0; step < 2000 && radius > 0.7; ++step) {
    if (x < -margin || y < -margin || x > width + margin || y > height + margin) break;
    vessel.points.push_back({x, y, radius});
    double towards = std::remainder(rules.targetAngle - angle, 2 * kPi);
    turn = turn * 0.8 + random.Uniform(-0.022, 0.022) + towards * rules.pull;
    angle += turn;
    x += std::cos(angle) * rules.step;
    y += std::sin(angle) * rules.step;
    radius *= 0.998 - 0.004 * rules.depth;
    if (rules.depth < 2 && step > 8 && random.Chance(0.012 - 0.005 * rules.depth)) {
      const double side = random.Chance(0.5) ? 1 : -1;
      const double branchAngle = angle + side * random.Uniform(0.45, 1.0);
      GrowthRules branch = rules;
      branch.depth = rules.depth + 1;
      branch.targetAngle = branchAngle + side * random.Uniform(0, 0.5);
      branch.pull = rules.pull * 0.5;
      GrowVessel(random, x, y, branchAngle, radius * random.Uniform(0.5, 0.72), artery, branch,
                 width, height, vessels);
      radius *= 0.92;
    }
  }
  if (vessel.points.size() > 1) vessels.push_back(std::move(vessel));
}

// Coverage (0 to 1) and colour of the vessels over every pixel.
struct VesselLayer {
  std::vector<float> alpha;
  std::vector<float> shade;  // 0 at a vessel's edge, 1 along its middle
  std::vector<uint8_t> artery;
};

void PaintSegment(const VesselPoint& a, const VesselPoint& b, bool artery, int width, int height,
                  VesselLayer& layer) {
  const double reach = std::max(a.radius, b.radius) + 1.5;
  const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x) - reach)));
  const int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max(a.x, b.x) + reach)));
  const int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y) - reach)));
  const int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max(a.y, b.y) + reach)));
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double lengthSquared = std::max(dx * dx + dy * dy, 1e-9);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double px = x + 0.5 - a.x, py = y + 0.5 - a.y;
      const double t = std::clamp((px * dx + py * dy) / lengthSquared, 0.0, 1.0);
      const double ex = px - t * dx, ey = py - t * dy;
      const double distance = std::sqrt(ex * ex + ey * ey);
      const double radius = a.radius + (b.radius - a.radius) * t;
      const double coverage = SmoothStep(radius + 0.8, radius - 0.8, distance);
      if (coverage <= 0) continue;
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
      const double across = std::min(distance / std::max(radius, 0.5), 1.0);
      const double shade = std::sqrt(1 - across * across);
      // Where segments meet, the one whose middle is nearer decides the shading.
      if (coverage > layer.alpha[i] || (coverage >= layer.alpha[i] && shade > layer.shade[i])) {
        layer.alpha[i] = static_cast<float>(coverage);
        layer.shade[i] = static_cast<float>(shade);
        layer.artery[i] = artery ? 1 : 0;
      }
    }
  }
}

VesselLayer PaintVessels(const FundusParameters& p, SampleRandom& random, int width, int height,
                         double discX, double discY, double discRadius) {
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  VesselLayer layer{std::vector<float>(count, 0), std::vector<float>(count, 0),
                    std::vector<uint8_t>(count, 0)};
  const double scale = height / 900.0;
  const double temporal = p.rightEye ? kPi : 0;  // direction of the macula
  const double nasal = p.rightEye ? 0 : kPi;
  const double up = -kPi / 2, down = kPi / 2;
  struct Trunk {
    double start, target, radius;
    bool artery;
  };
  // The four arcade vessels bend towards the macula; the nasal and macular ones are thinner.
  const Trunk trunks[] = {
      {up + random.Uniform(-0.25, 0.15), temporal + (p.rightEye ? 0.35 : -0.35), 9.0, false},
      {up + random.Uniform(-0.1, 0.3), temporal + (p.rightEye ? 0.45 : -0.45), 7.0, true},
      {down + random.Uniform(-0.15, 0.25), temporal + (p.rightEye ? -0.35 : 0.35), 9.0, false},
      {down + random.Uniform(-0.3, 0.1), temporal + (p.rightEye ? -0.45 : 0.45), 7.0, true},
      {up + (p.rightEye ? 0.6 : -0.6), nasal + (p.rightEye ? -0.5 : 0.5), 5.0, false},
      {down + (p.rightEye ? -0.6 : 0.6), nasal + (p.rightEye ? 0.5 : -0.5), 5.0, true},
      {nasal + random.Uniform(-0.3, 0.3), nasal, 3.5, random.Chance(0.5)},
      {temporal + random.Uniform(-0.3, 0.3), temporal, 3.0, true},
  };
  std::vector<Vessel> vessels;
  for (const Trunk& trunk : trunks) {
    // Vessels leave from near the middle of the cup, a little to the nasal side.
    const double startX =
        discX + (std::cos(nasal) * 0.12 + random.Uniform(-0.08, 0.08)) * discRadius;
    const double startY = discY + random.Uniform(-0.1, 0.1) * discRadius;
    const GrowthRules rules{5.0 * scale, trunk.target, random.Uniform(0.004, 0.008), 0};
    GrowVessel(random, startX, startY, trunk.start, trunk.radius * scale * random.Uniform(0.9, 1.1),
               trunk.artery, rules, width, height, vessels);
  }
  for (const Vessel& vessel : vessels) {
    for (size_t i = 1; i < vessel.points.size(); ++i) {
      PaintSegment(vessel.points[i - 1], vessel.points[i], vessel.artery, width, height, layer);
    }
  }
  return layer;
}

}  // namespace

std::vector<uint8_t> RenderFundus(const FundusParameters& p, int width, int height) {
  SampleRandom random(p.seed);
  const double discRadiusY = p.discRadius * height;
  const double discRadiusX = discRadiusY * p.discAspect;
  const double discX = p.discX * width, discY = p.discY * height;
  // The cup sits inside the disc, shifted towards the macula by part of the room it has.
  const double room = (1 - p.cupToDisc) * discRadiusX * 0.6;
  const double cupX = discX + (p.rightEye ? -1 : 1) * p.cupShift * room;
  const double cupY = discY - 0.05 * discRadiusY;
  const double cupRadiusY = p.cupToDisc * discRadiusY;
  const double cupRadiusX = cupRadiusY * p.discAspect;

  const double warm = 0.5 + 0.5 * p.hue;
  const Colour fundus = Mix({205, 96, 40}, {190, 62, 28}, warm);
  const Colour rim = Mix({246, 152, 100}, {238, 132, 96}, warm);
  const Colour cup = Mix({248, 226, 168}, {246, 212, 172}, warm);
  const Colour vein = {96, 18, 16};
  const Colour artery = {156, 32, 22};

  const ValueNoise coarse(random, width, height, 90.0 * height / 900.0);
  const ValueNoise fine(random, width, height, 9.0 * height / 900.0);
  const VesselLayer vessels = PaintVessels(p, random, width, height, discX, discY, discRadiusY);
  const uint32_t grainSeed = static_cast<uint32_t>(random.Next());

  // Separable factors: vignetting and the darker macula, about two and a half disc
  // diameters to the temporal side.
  const double maculaX = discX + (p.rightEye ? -1 : 1) * 5 * discRadiusY;
  const double maculaSpread = 3 * discRadiusY;
  const double halfDiagonalSquared = (width * width + height * height) / 4.0;
  std::vector<double> maculaColumn(static_cast<size_t>(width)), vignetteColumn(maculaColumn);
  for (int x = 0; x < width; ++x) {
    const double m = (x - maculaX) / maculaSpread, v = x - width / 2.0;
    maculaColumn[static_cast<size_t>(x)] = std::exp(-m * m);
    vignetteColumn[static_cast<size_t>(x)] = v * v / halfDiagonalSquared;
  }

  std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (int y = 0; y < height; ++y) {
    const size_t uy = static_cast<size_t>(y);
    const double my = (y - discY) / maculaSpread, vy = y - height / 2.0;
    const double maculaRow = std::exp(-my * my);
    const double vignetteRow = vy * vy / halfDiagonalSquared;
    const double discDy = (y - discY) / discRadiusY, cupDy = (y - cupY) / cupRadiusY;
    for (int x = 0; x < width; ++x) {
      const size_t ux = static_cast<size_t>(x);
      const size_t i = uy * static_cast<size_t>(width) + ux;
      const double edge = vignetteColumn[ux] + vignetteRow;  // squared, 0 to 1
      const double light = p.brightness * (1 - p.vignette * 0.75 * edge * std::sqrt(edge));
      const double macula = 1 - 0.25 * maculaColumn[ux] * maculaRow;
      const double texture = 0.09 * coarse.At(ux, uy) + 0.05 * fine.At(ux, uy);
      Colour colour{fundus.r * (1 + texture), fundus.g * (1 + 1.6 * texture),
                    fundus.b * (1 + 1.2 * texture)};

      const double discDx = (x - discX) / discRadiusX;
      const double discDistance = std::sqrt(discDx * discDx + discDy * discDy);
      if (discDistance < 1.3) {
        // A faint pale ring of atrophy hugs the disc margin.
        const double ring = (discDistance - 1.05) / 0.05;
        colour = Mix(colour, {225, 140, 85}, 0.18 * std::exp(-ring * ring));
        // The rim deepens in colour towards the disc margin.
        const double deep = 1 - 0.12 * SmoothStep(0.5, 1.0, discDistance);
        colour = Mix(
            colour,
            {rim.r * deep, rim.g * deep * (1 + 0.6 * texture), rim.b * deep * (1 + 0.6 * texture)},
            SmoothStep(1.02, 0.97, discDistance));
        const double cupDx = (x - cupX) / cupRadiusX;
        const double cupDistance = std::sqrt(cupDx * cupDx + cupDy * cupDy);
        colour = Mix(colour, cup, 0.92 * SmoothStep(1.1, 0.78, cupDistance));
      }

      const double coverage = vessels.alpha[i];
      if (coverage > 0) {
        const Colour& base = vessels.artery[i] ? artery : vein;
        const double shade = vessels.shade[i];
        // Arteries show a pale reflex along their middle.
        const double reflex = vessels.artery[i] ? 0.22 * std::pow(shade, 24.0) : 0;
        const Colour shaded = Mix(Mix(colour, base, 0.7 + 0.3 * shade), cup, reflex);
        colour = Mix(colour, shaded, coverage);
      }

      const uint32_t hash =
          HashPosition(static_cast<uint32_t>(x), static_cast<uint32_t>(y), grainSeed);
      const double grain = static_cast<double>(hash >> 24) / 255.0 - 0.5;
      const double gain = light * macula;
      pixels[3 * i] = ToByte(colour.r * gain + 7 * grain);
      pixels[3 * i + 1] = ToByte(colour.g * gain + 5 * grain);
      pixels[3 * i + 2] = ToByte(colour.b * gain + 4 * grain);
    }
  }
  return pixels;
}

}  // namespace talvex::samples
