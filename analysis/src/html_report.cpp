#include "talvex/analysis/outputs.h"
#include "talvex/analysis/plots.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:24px;color:#222;max-width:1240px}"
    "h1{font-size:22px}h2{font-size:18px;margin-top:32px;border-bottom:1px solid #ccc}"
    "h3{font-size:15px;margin-top:22px}"
    "table{border-collapse:collapse;font-size:13px;margin:8px 0}"
    "th,td{border:1px solid #ccc;padding:3px 6px;text-align:right}td{white-space:nowrap}"
    "th{background:#f2f2f2}td.l,th.l{text-align:left}"
    "p.note{font-size:13px;color:#555}.figures{display:flex;flex-wrap:wrap;gap:16px}"
    "figure{margin:8px 0}figcaption{font-size:13px;color:#555}";

std::string Escaped(const std::string& bytes) {
  return XmlEscaped(DisplayText(bytes));
}

// A table from a header row and rows; align says each column's alignment, "l" for a column of
// text (left) and "r" for one of numbers (right, also for columns past its end).
std::string Table(const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows, std::string_view align) {
  const auto open = [&](const char* tag, size_t k) {
    return k < align.size() && align[k] == 'l' ? std::string("<") + tag + " class=\"l\">"
                                               : std::string("<") + tag + ">";
  };
  std::string out = "<table><thead><tr>";
  for (size_t k = 0; k < header.size(); ++k) {
    out += open("th", k);
    out += XmlEscaped(header[k]);
    out += "</th>";
  }
  out += "</tr></thead><tbody>\n";
  for (const auto& row : rows) {
    out += "<tr>";
    for (size_t k = 0; k < row.size(); ++k) {
      out += open("td", k);
      out += Escaped(row[k]);
      out += "</td>";
    }
    out += "</tr>\n";
  }
  out += "</tbody></table>\n";
  return out;
}

// The note paragraphs of a list of reasons, each after a label.
std::string Notes(const std::string& label, const std::vector<std::string>& reasons) {
  std::string out;
  for (const std::string& reason : reasons) {
    out += "<p class=\"note\">" + (label.empty() ? "" : Escaped(label) + ": ") + Escaped(reason) +
           "</p>\n";
  }
  return out;
}

std::string Share(int count, int total) {
  return total > 0 ? Fixed(static_cast<double>(count) / total, 3) : "-";
}

std::string Interval(double lower, double upper) {
  return Fixed(lower, 3) + " to " + Fixed(upper, 3);
}

std::string KappaText(const std::optional<Kappa>& kappa) {
  return kappa ? Fixed(kappa->kappa, 3) + " (" + Fixed(kappa->standardError, 3) + ")" : "-";
}

std::string SpreadText(const std::optional<Spread>& spread) {
  if (!spread) return "-";
  return Fixed(spread->median, 0) + " (" + Fixed(spread->lowerQuartile, 0) + "-" +
         Fixed(spread->upperQuartile, 0) + ")";
}

std::string DfText(const std::optional<double>& df) {
  return df ? Fixed(*df, 1) : "inf";
}

std::string Figure(const std::string& svg, const std::string& caption) {
  return "<figure>" + svg + "<figcaption>" + XmlEscaped(DisplayText(caption)) +
         "</figcaption></figure>\n";
}

std::string RatersSection(const TestReport& test, const Options& options) {
  std::vector<std::vector<std::string>> accuracy;
  std::vector<std::vector<std::string>> consistency;
  std::string notes;
  for (const RaterFigures& rater : test.raters) {
    const Run& run = *rater.run;
    const std::string label = run.label + (run.complete ? "" : " *");
    const CutPoint* best = nullptr;
    for (const CutPoint& point : rater.cutPoints) {
      if (rater.youdenThreshold && point.threshold == *rater.youdenThreshold) best = &point;
    }
    const bool spread = rater.roc && rater.roc->variance && *rater.roc->variance > 0.0;
    accuracy.push_back({label, std::to_string(rater.cases), std::to_string(rater.positives),
                        std::to_string(rater.negatives),
                        rater.roc ? Fixed(rater.roc->area, 3) : "-",
                        spread ? Fixed(*rater.roc->standardError, 3) : "-",
                        spread ? Interval(rater.roc->lower, rater.roc->upper) : "-",
                        best ? ">= " + std::to_string(best->threshold) : "-",
                        best ? Fixed(best->sensitivity->value, 3) : "-",
                        best ? Fixed(best->specificity->value, 3) : "-"});
    const Retest& retest = rater.retest;
    consistency.push_back(
        {label, std::to_string(retest.repeated), Share(retest.exact, retest.repeated),
         Share(retest.withinOne, retest.repeated), KappaText(retest.quadratic),
         KappaText(retest.linear), SpreadText(rater.latency.positives),
         SpreadText(rater.latency.negatives),
         rater.latency.afterExposure ? std::to_string(*rater.latency.afterExposure) : "-"});
    if (!rater.message.empty()) notes += Notes(run.label, {rater.message});
    notes += Notes(run.label, rater.reasons);
  }
  notes += Notes("", test.test->notes);
  return "<h3>Raters</h3>\n" +
         Table({"Rater", "Cases", "Positive", "Negative", "ROC area", "SE", "95% interval",
                "Best cut", "Sensitivity", "Specificity"},
               accuracy, "l") +
         notes +
         Table({"Rater", "Repeated cases", "Same rating", "Within one", "Kappa, quadratic (SE)",
                "Kappa, linear (SE)", "Latency ms, positive", "Latency ms, negative",
                "Trials rated after the exposure"},
               consistency, "l") +
         "<p class=\"note\">ROC area: empirical (Mann-Whitney), with DeLong's standard error "
         "and 95% interval. Best cut: the rule \"rating &gt;= t\" with the highest Youden "
         "index. Test-retest figures compare each repeated case's two presentations; trials "
         "rated after the exposure count every showing, repeats included; every other figure "
         "uses first presentations. Latencies: median (interquartile range); right "
         "and wrong latencies below use the positive cut \"rating &gt;= " +
         std::to_string(options.positiveFrom) + "\". * incomplete run.</p>\n";
}

std::string CutPointSection(const TestReport& test) {
  std::vector<std::vector<std::string>> rows;
  for (const RaterFigures& rater : test.raters) {
    for (const CutPoint& point : rater.cutPoints) {
      const auto proportion = [](const std::optional<Proportion>& p) {
        return p ? std::to_string(p->count) + "/" + std::to_string(p->total) + " = " +
                       Fixed(p->value, 3) + " (" + Interval(p->lower, p->upper) + ")"
                 : std::string("-");
      };
      rows.push_back(
          {rater.run->label, ">= " + std::to_string(point.threshold), proportion(point.sensitivity),
           proportion(point.specificity),
           rater.youdenThreshold && *rater.youdenThreshold == point.threshold ? "best" : ""});
    }
  }
  return "<h3>Cut-points</h3>\n<details><summary>Sensitivity and specificity at each cut-point "
         "with exact (Clopper-Pearson) 95% intervals</summary>\n" +
         Table({"Rater", "Cut", "Sensitivity", "Specificity", "Youden"}, rows, "lrrrl") +
         "</details>\n";
}

std::string LatencySection(const TestReport& test, const Options& options) {
  std::vector<std::vector<std::string>> rows;
  for (const RaterFigures& rater : test.raters) {
    std::vector<std::string> row{rater.run->label, SpreadText(rater.latency.all)};
    for (const auto& spread : rater.latency.byRating) row.push_back(SpreadText(spread));
    row.push_back(SpreadText(rater.latency.right));
    row.push_back(SpreadText(rater.latency.wrong));
    rows.push_back(row);
  }
  const std::string cut = std::to_string(options.positiveFrom);
  return "<h3>Latency</h3>\n<details><summary>Median latency in ms (interquartile range) by "
         "rating, and by right or wrong at the cut \"rating &gt;= " +
         cut + "\"</summary>\n" +
         Table({"Rater", "All", "Rating 1", "Rating 2", "Rating 3", "Rating 4", "Rating 5", "Right",
                "Wrong"},
               rows, "l") +
         "</details>\n";
}

std::string AcrossSection(const TestReport& test) {
  const AcrossFigures& across = test.across;
  std::string out = "<h3>Across raters</h3>\n";
  if (across.raters.size() < 2) return out + "<p>" + XmlEscaped(across.message) + "</p>\n";
  out += "<p>" + std::to_string(across.raters.size()) + " raters on " +
         std::to_string(across.cases) + " cases (" + std::to_string(across.positives) +
         " positive, " + std::to_string(across.negatives) + " negative)" +
         (across.casesLeftOut > 0 ? "; " + std::to_string(across.casesLeftOut) +
                                        " cases not seen by every rater are left out"
                                  : "") +
         ".</p>\n";
  if (!across.message.empty()) out += "<p>" + XmlEscaped(across.message) + ".</p>\n";
  std::vector<std::vector<std::string>> rows;
  bool infinite = false;
  for (const auto& [result, name] :
       {std::pair{&across.jackknife, "jackknife"}, std::pair{&across.delong, "DeLong"}}) {
    if (!*result) continue;
    const TInterval& mean = (*result)->meanArea;
    const bool spread = HasSpread(mean);
    infinite = infinite || (spread && !mean.degreesOfFreedom);
    rows.push_back({std::string("Mean ROC area, ") + name + " covariances", Fixed(mean.estimate, 3),
                    spread ? Fixed(mean.standardError, 4) : "-",
                    spread ? DfText(mean.degreesOfFreedom) : "-",
                    spread ? Interval(mean.lower, mean.upper) : "-",
                    Fixed((*result)->meanSquareRaters, 6), Fixed((*result)->meanCovariance, 6)});
  }
  if (!rows.empty()) {
    out += Table({"Figure", "Estimate", "SE", "df", "95% interval", "MS(R)", "Cov2"}, rows, "l");
    if (infinite) out += Notes("", {kInfiniteDf});
    out +=
        "<p class=\"note\">Obuchowski-Rockette analysis of one test with Hillis's degrees "
        "of freedom; the covariance of two raters' areas from the case jackknife and from "
        "DeLong's components.</p>\n";
  }
  out += Table({"Agreement on first presentations", "Value"},
               {{"Krippendorff's alpha, ordinal", Fixed(across.alphaOrdinal, 3)},
                {"Krippendorff's alpha, interval", Fixed(across.alphaInterval, 3)},
                {"ICC(2,1), two-way random, absolute agreement", Fixed(across.icc, 3)},
                {"Fleiss' kappa", across.fleiss ? Fixed(across.fleiss->kappa, 3) : "-"}},
               "l");
  return out + Notes("", across.reasons);
}

std::string CasesSection(const TestReport& test, const Options& options) {
  std::vector<std::vector<std::string>> rows;
  for (const CaseRow& row : test.cases) {
    rows.push_back({row.name, row.positive ? "positive" : "negative", Fixed(row.meanRating, 2),
                    Fixed(row.calledPositive, 2), std::to_string(row.raters)});
  }
  return "<h3>Cases</h3>\n<details><summary>Each case: truth, mean rating, share rated "
         "&gt;= " +
         std::to_string(options.positiveFrom) + ", number of raters</summary>\n" +
         Table({"Case", "Truth", "Mean rating", "Share positive", "Raters"}, rows, "ll") +
         "</details>\n";
}

std::string ComparisonSection(const Comparison& comparison) {
  std::string out = "<h2>Comparison of the tests</h2>\n";
  if (!comparison.jackknife) return out + "<p>" + XmlEscaped(comparison.message) + ".</p>\n";
  out += "<p>" + std::to_string(comparison.raters.size()) + " raters read every test on " +
         std::to_string(comparison.cases) + " common cases.</p>\n";
  std::vector<std::vector<std::string>> rows;
  bool infinite = false;
  bool flat = false;
  const auto estimate = [&](const std::string& name, const TInterval& interval) {
    const bool spread = HasSpread(interval);
    infinite = infinite || (spread && !interval.degreesOfFreedom);
    flat = flat || !spread;
    rows.push_back({name, Fixed(interval.estimate, 3),
                    spread ? Fixed(interval.standardError, 4) : "-",
                    spread ? DfText(interval.degreesOfFreedom) : "-", "",
                    spread ? Interval(interval.lower, interval.upper) : "-"});
  };
  for (const auto& [result, name] :
       {std::pair{&comparison.jackknife, "jackknife"}, std::pair{&comparison.delong, "DeLong"}}) {
    if (!*result) continue;
    const MultiTestResult& test = **result;
    rows.push_back(
        {std::string("F test, ") + name + " covariances", test.f ? Fixed(*test.f, 3) : "-", "",
         Fixed(test.numeratorDf, 0) + " and " + DfText(test.denominatorDf), Fixed(test.p, 4), ""});
    for (size_t i = 0; i < test.singleTests.size(); ++i) {
      estimate("Mean ROC area of " + comparison.tests[i] + ", " + name,
               test.singleTests[i].meanArea);
    }
    for (const Difference& difference : test.differences) {
      estimate(comparison.tests[difference.first] + " - " + comparison.tests[difference.second] +
                   ", " + name,
               difference.difference);
    }
  }
  std::vector<std::string> notes;
  if (flat) notes.push_back(std::string("-: ") + kNoSpread);
  if (infinite) notes.push_back(kInfiniteDf);
  return out + Table({"Figure", "Estimate or F", "SE", "df", "p", "95% interval"}, rows, "l") +
         Notes("", notes) +
         "<p class=\"note\">Obuchowski-Rockette test of equal mean ROC areas with Hillis's "
         "denominator degrees of freedom; each test's mean area from its own raters' areas and "
         "covariances on the common cases; the SE of a difference is that of the F test's "
         "denominator.</p>\n";
}

}  // namespace

std::string HtmlTable(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows, std::string_view align) {
  return Table(header, rows, align);
}

std::string HtmlFigure(const std::string& svg, const std::string& caption) {
  return Figure(svg, caption);
}

std::string HtmlReport(const Report& report) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
      "<title>Talvex study report</title><style>" +
      std::string(kStyle) + "</style></head><body>\n<h1>Talvex study report</h1>\n";
  out += "<p>" + Counted(report.filesRead, "file", "files") + " read, " +
         Counted(report.RunCount(), "run", "runs") + " in " +
         Counted(report.tests.size(), "test", "tests") + ", " +
         Counted(report.problems.size(), "problem", "problems") + ".</p>\n";
  const RaterColours colours(report);
  for (const TestReport& test : report.tests) {
    const std::string name = "Test " + test.test->name + ": ";
    out += "<h2>Test " + Escaped(test.test->name) + "</h2>\n<ul>\n";
    for (const ParameterSet& set : test.test->parameterSets) {
      out += "<li>Run parameters " + Escaped(set.parameterLine) + ": " +
             Counted(set.runs.size(), "run", "runs") + "</li>\n";
    }
    out += "</ul>\n";
    if (test.test->parameterSets.size() > 1) {
      out += "<p>The runs differ in their run parameters.</p>\n";
    }
    out += RatersSection(test, report.options);
    out += AcrossSection(test);
    out += "<div class=\"figures\">\n" +
           Figure(RocPlot(test, colours), name +
                                              "empirical ROC points and curves of each rater; "
                                              "black: the vertical average.") +
           Figure(AreaIntervalPlot(test, colours),
                  name +
                      "ROC areas with 95% intervals (DeLong for each rater; "
                      "Obuchowski-Rockette for the mean).") +
           Figure(LatencyBoxPlot(test),
                  name +
                      "latencies of first presentations: box from the lower to the upper "
                      "quartile, line at the median, whiskers to the furthest latency within "
                      "1.5 box lengths.") +
           "</div>\n";
    out += CutPointSection(test);
    out += LatencySection(test, report.options);
    out += CasesSection(test, report.options);
    out += TestFiguresHtml(test, report);
  }
  if (report.comparison) out += ComparisonSection(*report.comparison);
  out += StudyFiguresHtml(report);
  out += "<h2>Problems</h2>\n";
  if (report.problems.empty()) {
    out += "<p>None.</p>\n";
  } else {
    std::vector<std::vector<std::string>> rows;
    for (const Problem& problem : report.problems) {
      rows.push_back(
          {problem.file, problem.line > 0 ? std::to_string(problem.line) : "", problem.message});
    }
    out += Table({"File", "Line", "Problem"}, rows, "lrl");
  }
  return out + "</body></html>\n";
}

namespace {

std::vector<OutputFile> TableFiles(const Report& report) {
  return {{"report.html", HtmlReport(report)},     {"raters.csv", RatersCsv(report)},
          {"cutpoints.csv", CutPointsCsv(report)}, {"cases.csv", CasesCsv(report)},
          {"agreement.csv", AgreementCsv(report)}, {"latency.csv", LatencyCsv(report)},
          {"problems.csv", ProblemsCsv(report)},   {"ratings.csv", RatingsCsv(report)},
          {"study.imrmc", ImrmcFile(report)},      {"imrmc-ids.csv", ImrmcIdsCsv(report)}};
}

}  // namespace

std::vector<OutputFile> ReportFiles(const Report& report) {
  std::vector<OutputFile> files = TableFiles(report);
  for (OutputFile& file : FigureFiles(report)) files.push_back(std::move(file));
  return files;
}

}  // namespace talvex::analysis
