#include "talvex/analysis/report.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

namespace talvex::analysis {
namespace {

constexpr int kCategories = kHighestRating - kLowestRating + 1;
constexpr int kCurveSteps = 50;  // the averaged curve's points along the false-positive axis

// Each case's first presentation by the case's index in the test (null when the run did not
// show it), and the two presentations of the cases shown twice. Cases given both classes in
// the test are not among its cases and are left out.
struct Presentations {
  std::vector<const Trial*> first;
  std::vector<std::pair<const Trial*, const Trial*>> repeats;
};

// The index of each case of a test by its name; keys view the names held by the test.
using CaseIndex = std::unordered_map<std::string_view, size_t>;

CaseIndex IndexOf(const TestRuns& test) {
  CaseIndex index;
  index.reserve(test.cases.size());
  for (size_t k = 0; k < test.cases.size(); ++k) index.emplace(test.cases[k].name, k);
  return index;
}

Presentations PresentationsOf(const Run& run, const CaseIndex& index) {
  Presentations result;
  result.first.assign(index.size(), nullptr);
  std::vector<int> shown(index.size(), 0);
  for (const Trial& trial : run.file.trials) {
    const auto it = index.find(trial.caseName);
    if (it == index.end()) continue;
    const int times = ++shown[it->second];
    if (times == 1) {
      result.first[it->second] = &trial;
    } else if (times == 2) {
      result.repeats.emplace_back(result.first[it->second], &trial);
    }
  }
  return result;
}

std::optional<Spread> SpreadWhere(const std::vector<const Trial*>& trials,
                                  const std::function<bool(const Trial&)>& keep) {
  std::vector<double> values;
  for (const Trial* trial : trials) {
    if (keep(*trial)) values.push_back(trial->latency);
  }
  return SpreadOf(std::move(values));
}

std::vector<RocPoint> CurveOf(const std::vector<CutPoint>& cutPoints) {
  std::vector<RocPoint> curve{{0.0, 0.0}};
  for (auto it = cutPoints.rbegin(); it != cutPoints.rend(); ++it) {
    curve.push_back({1.0 - it->specificity->value, it->sensitivity->value});
  }
  curve.push_back({1.0, 1.0});
  return curve;
}

// The same curve from the ratings alone, without the cut-points' intervals.
std::vector<RocPoint> CurveOfRatings(const std::vector<int>& positives,
                                     const std::vector<int>& negatives) {
  std::vector<RocPoint> curve{{0.0, 0.0}};
  for (int threshold = kHighestRating; threshold > kLowestRating; --threshold) {
    const auto atLeast = [threshold](int rating) { return rating >= threshold; };
    const auto hits = std::count_if(positives.begin(), positives.end(), atLeast);
    const auto falseAlarms = std::count_if(negatives.begin(), negatives.end(), atLeast);
    curve.push_back({static_cast<double>(falseAlarms) / static_cast<double>(negatives.size()),
                     static_cast<double>(hits) / static_cast<double>(positives.size())});
  }
  curve.push_back({1.0, 1.0});
  return curve;
}

// The true-positive fraction of a curve at a false-positive fraction, by linear interpolation;
// the highest where the curve rises vertically.
double TruePositiveAt(const std::vector<RocPoint>& curve, double x) {
  double best = 0.0;
  for (size_t k = 0; k + 1 < curve.size(); ++k) {
    const RocPoint& a = curve[k];
    const RocPoint& b = curve[k + 1];
    if (x < a.falsePositive || x > b.falsePositive) continue;
    const double span = b.falsePositive - a.falsePositive;
    const double y = span > 0.0 ? a.truePositive + (x - a.falsePositive) / span *
                                                       (b.truePositive - a.truePositive)
                                : std::max(a.truePositive, b.truePositive);
    best = std::max(best, y);
  }
  return best;
}

RaterFigures FiguresOf(const Run& run, const TestRuns& test, const Options& options,
                       const Presentations& shown, ProportionCache& cache) {
  RaterFigures figures;
  figures.run = &run;
  std::vector<const Trial*> firsts;
  std::vector<int> positives;
  std::vector<int> negatives;
  for (size_t k = 0; k < test.cases.size(); ++k) {
    const Trial* trial = shown.first[k];
    if (trial == nullptr) continue;
    firsts.push_back(trial);
    (test.cases[k].positive ? positives : negatives).push_back(trial->rating);
  }
  figures.cases = static_cast<int>(firsts.size());
  figures.positives = static_cast<int>(positives.size());
  figures.negatives = static_cast<int>(negatives.size());
  figures.cutPoints = CutPoints(positives, negatives, &cache);
  std::vector<std::string>& reasons = figures.reasons;
  if (!positives.empty() && !negatives.empty()) {
    figures.roc = EmpiricalArea(std::vector<double>(positives.begin(), positives.end()),
                                std::vector<double>(negatives.begin(), negatives.end()));
    figures.curve = CurveOf(figures.cutPoints);
    figures.youdenThreshold = BestYoudenThreshold(figures.cutPoints);
    const RocArea& roc = *figures.roc;
    if (!roc.variance) {
      reasons.push_back(std::string("one ") + (positives.size() < 2 ? "positive" : "negative") +
                        " case only: the area has no standard error or interval");
    } else if (*roc.variance == 0.0) {
      // Components that do not vary: every rating tied, or the classes apart at every cut.
      reasons.push_back(roc.area == 0.5 ? "every case rated alike: the area does not vary, so it "
                                          "has no standard error or interval"
                                        : "the ratings separate the classes completely: the "
                                          "area does not vary, so it has no standard error or "
                                          "interval");
    }
    if (!figures.youdenThreshold) {
      reasons.push_back(
          "no cut-point does better than chance (Youden index 0 or less at every "
          "cut): no best cut");
    }
  } else {
    figures.message = positives.empty() && negatives.empty() ? kNoCases
                      : positives.empty()                    ? kOnlyNegatives
                                                             : kOnlyPositives;
  }

  CountTable table(kCategories, std::vector<long long>(kCategories, 0));
  for (const auto& [first, second] : shown.repeats) {
    ++figures.retest.repeated;
    const int difference = std::abs(first->rating - second->rating);
    figures.retest.exact += difference == 0 ? 1 : 0;
    figures.retest.withinOne += difference <= 1 ? 1 : 0;
    ++table[static_cast<size_t>(first->rating - kLowestRating)]
           [static_cast<size_t>(second->rating - kLowestRating)];
  }
  figures.retest.unweighted = WeightedKappa(table, KappaWeights::kUnweighted);
  figures.retest.linear = WeightedKappa(table, KappaWeights::kLinear);
  figures.retest.quadratic = WeightedKappa(table, KappaWeights::kQuadratic);
  if (figures.retest.repeated == 0) {
    reasons.push_back("no case shown twice: no test-retest figures");
  } else if (!figures.retest.quadratic) {
    // Chance agreement is perfect only when every rating of the repeats is one category.
    reasons.push_back("every repeated case rated " +
                      std::to_string(shown.repeats.front().first->rating) +
                      " both times: kappa is 0 / 0, undefined");
  }

  LatencyFigures& latency = figures.latency;
  latency.all = SpreadWhere(firsts, [](const Trial&) { return true; });
  latency.positives = SpreadWhere(firsts, [](const Trial& t) { return t.positive; });
  latency.negatives = SpreadWhere(firsts, [](const Trial& t) { return !t.positive; });
  for (int rating = kLowestRating; rating <= kHighestRating; ++rating) {
    latency.byRating[static_cast<size_t>(rating - kLowestRating)] =
        SpreadWhere(firsts, [rating](const Trial& t) { return t.rating == rating; });
  }
  const int cut = options.positiveFrom;
  const auto right = [cut](const Trial& t) { return (t.rating >= cut) == t.positive; };
  latency.right = SpreadWhere(firsts, right);
  latency.wrong = SpreadWhere(firsts, [&](const Trial& t) { return !right(t); });
  if (run.file.parameters) {
    const int exposure = run.file.parameters->exposure;
    int after = 0;
    // An exposure of 0 or less never ends: the image stays until it is rated.
    if (exposure > 0) {
      for (const Trial& trial : run.file.trials) after += trial.latency > exposure ? 1 : 0;
    }
    latency.afterExposure = after;
  } else {
    reasons.push_back("the parameter line gives no exposure: trials rated after it not counted");
  }
  return figures;
}

// The ratings of each rater on the same cases (indices into the test's cases), positives and
// negatives apart, in the order of the cases.
struct Ratings {
  std::vector<int> positives;
  std::vector<int> negatives;
};

std::vector<Ratings> RatingsOn(const std::vector<const Presentations*>& raters,
                               const std::vector<CaseInfo>& cases,
                               const std::vector<size_t>& indices) {
  std::vector<Ratings> ratings;
  for (const Presentations* shown : raters) {
    Ratings r;
    for (const size_t k : indices) {
      (cases[k].positive ? r.positives : r.negatives).push_back(shown->first[k]->rating);
    }
    ratings.push_back(std::move(r));
  }
  return ratings;
}

std::vector<RocArea> AreasOf(const std::vector<Ratings>& ratings) {
  std::vector<RocArea> areas;
  for (const Ratings& r : ratings) {
    areas.push_back(EmpiricalArea(std::vector<double>(r.positives.begin(), r.positives.end()),
                                  std::vector<double>(r.negatives.begin(), r.negatives.end())));
  }
  return areas;
}

std::vector<AreaEstimate> EstimatesOf(const std::vector<RocArea>& areas, CovarianceMethod method) {
  std::vector<AreaEstimate> estimates;
  for (const RocArea& area : areas) estimates.push_back(*EstimateOf(area, method));
  return estimates;
}

bool EnoughOfEachClass(const Ratings& ratings) {
  return ratings.positives.size() >= 2 && ratings.negatives.size() >= 2;
}

void AcrossRaters(TestReport& report, const std::vector<Presentations>& shown,
                  const Options& options) {
  AcrossFigures& across = report.across;
  const std::vector<CaseInfo>& cases = report.test->cases;
  std::vector<const Presentations*> raters;
  for (size_t k = 0; k < report.raters.size(); ++k) {
    if (!report.raters[k].run->acrossRaters) continue;
    across.raters.push_back(&report.raters[k]);
    raters.push_back(&shown[k]);
  }
  // The per-case table: every case, over the raters taken into the across-rater figures.
  std::vector<size_t> common;
  for (size_t k = 0; k < cases.size(); ++k) {
    CaseRow row;
    row.name = cases[k].name;
    row.positive = cases[k].positive;
    long long sum = 0;
    int called = 0;
    for (const Presentations* rater : raters) {
      const Trial* trial = rater->first[k];
      if (trial == nullptr) continue;
      ++row.raters;
      sum += trial->rating;
      called += trial->rating >= options.positiveFrom ? 1 : 0;
    }
    if (row.raters == 0) continue;
    row.meanRating = static_cast<double>(sum) / row.raters;
    row.calledPositive = static_cast<double>(called) / row.raters;
    report.cases.push_back(row);
    if (row.raters == static_cast<int>(raters.size())) {
      common.push_back(k);
    } else {
      ++across.casesLeftOut;
    }
  }

  if (raters.size() < 2) {
    across.message = raters.empty() ? "no complete run: no across-rater figures"
                                    : "one rater only: no across-rater figures";
    return;
  }
  across.cases = static_cast<int>(common.size());
  if (common.empty()) {
    across.message = "the raters saw different cases: per-rater figures only";
    return;
  }
  const std::vector<Ratings> ratings = RatingsOn(raters, cases, common);
  across.positives = static_cast<int>(ratings.front().positives.size());
  across.negatives = static_cast<int>(ratings.front().negatives.size());

  // Agreement on first presentations of the common cases.
  std::vector<std::vector<int>> units;
  std::vector<std::vector<long long>> counts;
  std::vector<std::vector<double>> scores;
  for (const size_t k : common) {
    std::vector<int> unit;
    std::vector<long long> count(kCategories, 0);
    std::vector<double> score;
    for (const Presentations* rater : raters) {
      const int rating = rater->first[k]->rating;
      unit.push_back(rating);
      ++count[static_cast<size_t>(rating - kLowestRating)];
      score.push_back(rating);
    }
    units.push_back(std::move(unit));
    counts.push_back(std::move(count));
    scores.push_back(std::move(score));
  }
  across.alphaOrdinal = KrippendorffAlpha(units, AlphaMetric::kOrdinal);
  across.alphaInterval = KrippendorffAlpha(units, AlphaMetric::kInterval);
  across.icc = Icc21(scores);
  across.fleiss = FleissKappaOf(counts);
  const int first = units.front().front();
  const bool tied = std::all_of(units.begin(), units.end(), [first](const std::vector<int>& unit) {
    return std::all_of(unit.begin(), unit.end(), [first](int rating) { return rating == first; });
  });
  if (tied) {
    across.reasons.push_back("every rating of the common cases is " + std::to_string(first) +
                             ": no agreement figure, there is no variation to agree on");
  } else if (!across.icc) {
    across.reasons.push_back(
        "ICC(2,1) is undefined: the ratings vary neither between the "
        "cases nor between the raters");
  }
  report.figures.cases = CaseDifficultyTable(cases, common, units, options.positiveFrom);

  const Ratings& shared = ratings.front();
  if (!EnoughOfEachClass(shared)) {
    const bool positive = shared.positives.size() < 2;
    const size_t have = positive ? shared.positives.size() : shared.negatives.size();
    across.message = std::string("the cases every rater saw include ") +
                     (have == 0 ? "no " : "only one ") + (positive ? "positive" : "negative") +
                     " case: no mean ROC area";
    return;
  }
  const std::vector<RocArea> areas = AreasOf(ratings);
  across.jackknife = SingleTest(EstimatesOf(areas, CovarianceMethod::kJackknife));
  across.delong = SingleTest(EstimatesOf(areas, CovarianceMethod::kDeLong));
  if (!HasSpread(across.jackknife->meanArea)) across.reasons.push_back(kNoSpread);

  std::vector<std::vector<RocPoint>> curves;
  for (const Ratings& r : ratings) curves.push_back(CurveOfRatings(r.positives, r.negatives));
  for (int step = 0; step <= kCurveSteps; ++step) {
    const double x = static_cast<double>(step) / kCurveSteps;
    double sum = 0.0;
    for (const auto& curve : curves) sum += TruePositiveAt(curve, x);
    across.averageCurve.push_back({x, sum / static_cast<double>(curves.size())});
  }
}

std::optional<Comparison> CompareTests(const std::vector<TestReport>& tests,
                                       const std::vector<std::vector<Presentations>>& shown) {
  if (tests.size() < 2) return std::nullopt;
  Comparison comparison;
  // Raters in the across-rater figures of every test (one run of an ID at most), by rater ID.
  std::map<std::string, std::vector<size_t>> raterIndex;  // ID: index of its run in each test
  for (size_t i = 0; i < tests.size(); ++i) {
    comparison.tests.push_back(tests[i].test->name);
    for (size_t k = 0; k < tests[i].raters.size(); ++k) {
      const Run& run = *tests[i].raters[k].run;
      if (!run.acrossRaters) continue;
      std::vector<size_t>& index = raterIndex[run.file.raterId];
      if (index.size() == i) index.push_back(k);
    }
  }
  for (const auto& [id, index] : raterIndex) {
    if (index.size() == tests.size()) comparison.raters.push_back(id);
  }
  if (comparison.raters.size() < 2) {
    comparison.message = "fewer than two raters read every test: no comparison of the tests";
    return comparison;
  }
  // Cases every one of these raters saw in every test, of the same class in every test, in
  // the order of the first test.
  std::vector<CaseIndex> indices;
  for (const TestReport& test : tests) indices.push_back(IndexOf(*test.test));
  std::vector<std::vector<size_t>> common(tests.size());
  for (const CaseInfo& info : tests.front().test->cases) {
    std::vector<size_t> at;
    for (size_t i = 0; i < tests.size(); ++i) {
      const auto it = indices[i].find(info.name);
      if (it == indices[i].end() || tests[i].test->cases[it->second].positive != info.positive) {
        break;
      }
      bool everyone = true;
      for (const std::string& id : comparison.raters) {
        everyone = everyone && shown[i][raterIndex[id][i]].first[it->second] != nullptr;
      }
      if (!everyone) break;
      at.push_back(it->second);
    }
    if (at.size() != tests.size()) continue;
    for (size_t i = 0; i < tests.size(); ++i) common[i].push_back(at[i]);
  }
  comparison.cases = static_cast<int>(common.front().size());
  std::vector<std::vector<AreaEstimate>> jackknife;
  std::vector<std::vector<AreaEstimate>> delong;
  for (size_t i = 0; i < tests.size(); ++i) {
    std::vector<const Presentations*> raters;
    for (const std::string& id : comparison.raters) raters.push_back(&shown[i][raterIndex[id][i]]);
    const std::vector<Ratings> ratings = RatingsOn(raters, tests[i].test->cases, common[i]);
    if (!EnoughOfEachClass(ratings.front())) {
      comparison.message =
          "fewer than two cases of a class were read in every test: no comparison of the tests";
      return comparison;
    }
    const std::vector<RocArea> areas = AreasOf(ratings);
    comparison.areas.push_back(areas);
    jackknife.push_back(EstimatesOf(areas, CovarianceMethod::kJackknife));
    delong.push_back(EstimatesOf(areas, CovarianceMethod::kDeLong));
  }
  comparison.jackknife = MultiTest(jackknife);
  comparison.delong = MultiTest(delong);
  return comparison;
}

}  // namespace

bool HasSpread(const TInterval& interval) {
  // Far below the standard error of any area of a few cases; above rounding noise.
  constexpr double kNoStandardError = 1e-12;
  return interval.standardError > kNoStandardError;
}

size_t Report::RunCount() const {
  size_t count = 0;
  for (const TestReport& test : tests) count += test.raters.size();
  return count;
}

Report Analyse(const Study& study, const Options& options, std::vector<Problem> problems) {
  Report report;
  report.options = options;
  report.filesRead = study.filesRead;
  std::vector<std::vector<Presentations>> shown;
  ProportionCache cache;
  for (const TestRuns& test : study.tests) {
    const CaseIndex index = IndexOf(test);
    TestReport testReport;
    testReport.test = &test;
    std::vector<Presentations> presentations;
    for (const Run& run : test.runs) {
      presentations.push_back(PresentationsOf(run, index));
      testReport.raters.push_back(FiguresOf(run, test, options, presentations.back(), cache));
    }
    report.tests.push_back(std::move(testReport));
    shown.push_back(std::move(presentations));
  }
  // The figures point at each other; they are placed once the vectors no longer move.
  for (size_t i = 0; i < report.tests.size(); ++i) {
    AcrossRaters(report.tests[i], shown[i], options);
  }
  report.comparison = CompareTests(report.tests, shown);
  AddStudyFigures(report);
  SortProblems(problems);
  report.problems = std::move(problems);
  return report;
}

}  // namespace talvex::analysis
