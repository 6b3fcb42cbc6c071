#include "talvex/analysis/report.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>

namespace talvex::analysis {
namespace {

constexpr int kCategories = kHighestRating - kLowestRating + 1;
constexpr int kCurveSteps = 50;  // the averaged curve's points along the false-positive axis

using FirstMap = std::unordered_map<std::string, const Trial*>;

// Each case's first presentation, and the second for the cases shown twice; cases that are
// given both classes in the test are left out.
struct Presentations {
  FirstMap first;
  std::vector<std::pair<const Trial*, const Trial*>> repeats;
};

Presentations PresentationsOf(const Run& run, const std::set<std::string>& conflicting) {
  Presentations result;
  std::unordered_map<std::string, int> shown;
  for (const Trial& trial : run.file.trials) {
    if (conflicting.count(trial.caseName) != 0) continue;
    const int times = ++shown[trial.caseName];
    if (times == 1) {
      result.first.emplace(trial.caseName, &trial);
    } else if (times == 2) {
      result.repeats.emplace_back(result.first.at(trial.caseName), &trial);
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
                       const Presentations& shown) {
  RaterFigures figures;
  figures.run = &run;
  std::vector<const Trial*> firsts;
  std::vector<int> positives;
  std::vector<int> negatives;
  for (const CaseInfo& info : test.cases) {
    const auto it = shown.first.find(info.name);
    if (it == shown.first.end()) continue;
    firsts.push_back(it->second);
    (info.positive ? positives : negatives).push_back(it->second->rating);
  }
  figures.cases = static_cast<int>(firsts.size());
  figures.positives = static_cast<int>(positives.size());
  figures.negatives = static_cast<int>(negatives.size());
  figures.cutPoints = CutPoints(positives, negatives);
  if (!positives.empty() && !negatives.empty()) {
    figures.roc = EmpiricalArea(std::vector<double>(positives.begin(), positives.end()),
                                std::vector<double>(negatives.begin(), negatives.end()));
    figures.curve = CurveOf(figures.cutPoints);
    figures.youdenThreshold = BestYoudenThreshold(figures.cutPoints);
  } else {
    figures.message = positives.empty() ? kOnlyNegatives : kOnlyPositives;
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
      for (const Trial* trial : firsts) after += trial->latency > exposure ? 1 : 0;
    }
    latency.afterExposure = after;
  }
  return figures;
}

// The areas of each rater over the same cases, in one order: positives, then negatives.
std::vector<RocArea> AreasOn(const std::vector<const FirstMap*>& raters,
                             const std::vector<CaseInfo>& cases) {
  std::vector<RocArea> areas;
  for (const FirstMap* shown : raters) {
    std::vector<double> positives;
    std::vector<double> negatives;
    for (const CaseInfo& info : cases) {
      (info.positive ? positives : negatives).push_back(shown->at(info.name)->rating);
    }
    areas.push_back(EmpiricalArea(positives, negatives));
  }
  return areas;
}

std::vector<AreaEstimate> EstimatesOf(const std::vector<RocArea>& areas, CovarianceMethod method) {
  std::vector<AreaEstimate> estimates;
  for (const RocArea& area : areas) estimates.push_back(*EstimateOf(area, method));
  return estimates;
}

bool EnoughOfEachClass(const std::vector<CaseInfo>& cases) {
  const auto positives =
      std::count_if(cases.begin(), cases.end(), [](const CaseInfo& info) { return info.positive; });
  return positives >= 2 && static_cast<size_t>(positives) + 2 <= cases.size();
}

void AcrossRaters(TestReport& report, const std::vector<Presentations>& shown,
                  const Options& options) {
  AcrossFigures& across = report.across;
  std::vector<const FirstMap*> maps;
  for (size_t k = 0; k < report.raters.size(); ++k) {
    if (!report.raters[k].run->acrossRaters) continue;
    across.raters.push_back(&report.raters[k]);
    maps.push_back(&shown[k].first);
  }
  // The per-case table: every case, over the raters taken into the across-rater figures.
  for (const CaseInfo& info : report.test->cases) {
    CaseRow row;
    row.name = info.name;
    row.positive = info.positive;
    long long sum = 0;
    int called = 0;
    for (const FirstMap* map : maps) {
      const auto it = map->find(info.name);
      if (it == map->end()) continue;
      ++row.raters;
      sum += it->second->rating;
      called += it->second->rating >= options.positiveFrom ? 1 : 0;
    }
    if (row.raters == 0) continue;
    row.meanRating = static_cast<double>(sum) / row.raters;
    row.calledPositive = static_cast<double>(called) / row.raters;
    report.cases.push_back(row);
  }

  if (maps.size() < 2) {
    across.message = maps.empty() ? "no complete run: no across-rater figures"
                                  : "one rater only: no across-rater figures";
    return;
  }
  std::vector<CaseInfo> common;
  for (const CaseRow& row : report.cases) {
    if (row.raters == static_cast<int>(maps.size())) {
      common.push_back({row.name, row.positive});
    } else {
      ++across.casesLeftOut;
    }
  }
  across.cases = static_cast<int>(common.size());
  across.positives = static_cast<int>(std::count_if(
      common.begin(), common.end(), [](const CaseInfo& info) { return info.positive; }));
  across.negatives = across.cases - across.positives;
  if (common.empty()) {
    across.message = "the raters saw different cases: per-rater figures only";
    return;
  }

  // Agreement on first presentations of the common cases.
  std::vector<std::vector<int>> units;
  std::vector<std::vector<long long>> counts;
  std::vector<std::vector<double>> scores;
  for (const CaseInfo& info : common) {
    std::vector<int> unit;
    std::vector<long long> count(kCategories, 0);
    std::vector<double> score;
    for (const FirstMap* map : maps) {
      const int rating = map->at(info.name)->rating;
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

  if (!EnoughOfEachClass(common)) {
    across.message = across.casesLeftOut > 0
                         ? "the raters saw different cases: per-rater figures only"
                         : "fewer than two cases of a class: no mean ROC area";
    return;
  }
  const std::vector<RocArea> areas = AreasOn(maps, common);
  across.jackknife = SingleTest(EstimatesOf(areas, CovarianceMethod::kJackknife));
  across.delong = SingleTest(EstimatesOf(areas, CovarianceMethod::kDeLong));

  std::vector<std::vector<RocPoint>> curves;
  for (const FirstMap* map : maps) {
    std::vector<int> positives;
    std::vector<int> negatives;
    for (const CaseInfo& info : common) {
      (info.positive ? positives : negatives).push_back(map->at(info.name)->rating);
    }
    curves.push_back(CurveOf(CutPoints(positives, negatives)));
  }
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
  // Raters with exactly one run in the across-rater figures of every test, by rater ID.
  std::map<std::string, std::vector<size_t>> raterIndex;  // ID: index of its run in each test
  for (size_t i = 0; i < tests.size(); ++i) {
    comparison.tests.push_back(tests[i].test->name);
    std::map<std::string, int> runsOfId;
    for (const RaterFigures& rater : tests[i].raters) ++runsOfId[rater.run->file.raterId];
    for (size_t k = 0; k < tests[i].raters.size(); ++k) {
      const Run& run = *tests[i].raters[k].run;
      if (!run.acrossRaters || runsOfId[run.file.raterId] != 1) continue;
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
  // Cases every one of these raters saw in every test, of the same class in every test.
  std::map<std::string, std::pair<bool, size_t>> caseCount;  // class, tests it is common in
  for (size_t i = 0; i < tests.size(); ++i) {
    for (const CaseInfo& info : tests[i].test->cases) {
      bool everyone = true;
      for (const std::string& id : comparison.raters) {
        const FirstMap& first = shown[i][raterIndex[id][i]].first;
        everyone = everyone && first.count(info.name) != 0;
      }
      if (!everyone) continue;
      auto [it, added] = caseCount.try_emplace(info.name, info.positive, 0);
      if (it->second.first == info.positive) ++it->second.second;
    }
  }
  std::vector<CaseInfo> common;
  for (const CaseInfo& info : tests.front().test->cases) {
    const auto it = caseCount.find(info.name);
    if (it != caseCount.end() && it->second.second == tests.size()) common.push_back(info);
  }
  comparison.cases = static_cast<int>(common.size());
  if (!EnoughOfEachClass(common)) {
    comparison.message =
        "fewer than two cases of a class were read in every test: no comparison of the tests";
    return comparison;
  }
  std::vector<std::vector<AreaEstimate>> jackknife;
  std::vector<std::vector<AreaEstimate>> delong;
  for (size_t i = 0; i < tests.size(); ++i) {
    std::vector<const FirstMap*> maps;
    for (const std::string& id : comparison.raters) {
      maps.push_back(&shown[i][raterIndex[id][i]].first);
    }
    const std::vector<RocArea> areas = AreasOn(maps, common);
    jackknife.push_back(EstimatesOf(areas, CovarianceMethod::kJackknife));
    delong.push_back(EstimatesOf(areas, CovarianceMethod::kDeLong));
  }
  comparison.jackknife = MultiTest(jackknife);
  comparison.delong = MultiTest(delong);
  return comparison;
}

}  // namespace

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
  for (const TestRuns& test : study.tests) {
    const std::set<std::string> conflicting(test.conflicting.begin(), test.conflicting.end());
    TestReport testReport;
    testReport.test = &test;
    std::vector<Presentations> presentations;
    for (const Run& run : test.runs) {
      presentations.push_back(PresentationsOf(run, conflicting));
      testReport.raters.push_back(FiguresOf(run, test, options, presentations.back()));
    }
    report.tests.push_back(std::move(testReport));
    shown.push_back(std::move(presentations));
  }
  // The figures point at each other; they are placed once the vectors no longer move.
  for (size_t i = 0; i < report.tests.size(); ++i) {
    AcrossRaters(report.tests[i], shown[i], options);
  }
  report.comparison = CompareTests(report.tests, shown);
  SortProblems(problems);
  report.problems = std::move(problems);
  return report;
}

}  // namespace talvex::analysis
