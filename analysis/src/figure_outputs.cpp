// The fitted curves, the high-specificity region, the hard cases, the paired comparison and the
// plan of the main study, as terminal text, page sections and CSV files.

#include <algorithm>

#include "talvex/analysis/outputs.h"
#include "talvex/analysis/plots.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

constexpr size_t kHardestListed = 10;  // cases of each class on the page
constexpr size_t kHardestPrinted = 5;  // on the terminal

struct ColumnLayout {
  const char* title;
  size_t width;
  bool left;
};

std::string Row(const std::vector<ColumnLayout>& columns, const std::vector<std::string>& cells) {
  std::string line;
  for (size_t k = 0; k < columns.size(); ++k) {
    if (k > 0) line += ' ';
    line += Column(k < cells.size() ? cells[k] : "", columns[k].width, columns[k].left);
  }
  line.erase(line.find_last_not_of(' ') + 1);
  return line + "\n";
}

std::string Titles(const std::vector<ColumnLayout>& columns) {
  std::vector<std::string> titles;
  for (const ColumnLayout& column : columns) titles.push_back(column.title);
  return Row(columns, titles);
}

std::string Range(const std::optional<double>& lower, const std::optional<double>& upper,
                  int decimals, const char* separator = "-") {
  return lower && upper ? Fixed(*lower, decimals) + separator + Fixed(*upper, decimals) : "-";
}

std::string Label(const RaterFigures& rater) {
  return DisplayText(rater.run->label) + (rater.run->complete ? "" : "*");
}

constexpr const char* kFlatResamples =
    "every bootstrap resample gives the same figure: no interval, there is no variation";

std::string SpecificityRange(const OperatingSettings& s) {
  return Fixed(s.specificityFrom, 2) + " to " + Fixed(s.specificityTo, 2);
}

// The hardest cases of a class as "name k/J" items.
std::string HardestText(const TestFigures& figures, bool positive, size_t count) {
  std::vector<CaseDifficulty> rows;
  for (const CaseRowDifficulty& row : figures.cases) rows.push_back(row.difficulty);
  std::string out;
  for (const CaseDifficulty& row : HardestCases(rows, positive, count)) {
    out += (out.empty() ? "" : ", ") + DisplayText(figures.cases[row.index].name) + " " +
           std::to_string(row.misread) + "/" + std::to_string(row.raters);
  }
  return out.empty() ? "none misread" : out;
}

std::string PlanCell(const StudyPlan& plan, const std::optional<double>& value) {
  if (!value) return "-";
  return plan.power ? Fixed(*value, 2) : Fixed(*value, 3);
}

std::string CasesFor(const std::optional<int>& cases) {
  return cases ? std::to_string(*cases) : ">" + std::to_string(kMaxPlannedCases);
}

std::string BasisText(const StudyPlan& plan) {
  std::string out;
  for (const auto& [name, value] : plan.basis)
    out += (out.empty() ? "" : ", ") + name + " " + value;
  return out;
}

std::string PlanText(const StudyPlan& plan, const std::string& title) {
  std::string out = "\n" + WrappedLines(title, "");
  if (!plan.message.empty()) return out + WrappedLines(plan.message, "  ");
  std::vector<ColumnLayout> columns{{"Readers", 7, true}};
  columns.insert(columns.end(), plan.cases.size(), {"", 5, false});
  if (plan.power) {
    columns.push_back({"80%", 6, false});
    columns.push_back({"90%", 6, false});
  }
  std::vector<std::string> header{"Readers"};
  for (const int cases : plan.cases) header.push_back(std::to_string(cases));
  if (plan.power) {
    header.push_back("80%");
    header.push_back("90%");
  }
  out += Row(columns, header);
  for (size_t r = 0; r < plan.readers.size(); ++r) {
    std::vector<std::string> cells{std::to_string(plan.readers[r])};
    for (const auto& value : plan.table[r]) cells.push_back(PlanCell(plan, value));
    if (plan.power) {
      cells.push_back(CasesFor(plan.casesFor80[r]));
      cells.push_back(CasesFor(plan.casesFor90[r]));
    }
    out += Row(columns, cells);
  }
  out += WrappedLines((plan.power ? std::string("Columns: cases (ratio of positive to negative as "
                                                "in the pilot); 80%, 90%: fewest cases for that "
                                                "power. ")
                                  : std::string("Columns: cases (ratio of positive to negative as "
                                                "in the pilot). ")) +
                          "The plan rests on the pilot's " + BasisText(plan) + ".",
                      "  ");
  return out;
}

std::string CsvRow(const std::vector<std::string>& fields) {
  return CsvLine(std::vector<std::string_view>(fields.begin(), fields.end()));
}

std::string Number(double value) {
  return CsvNumber(value);
}
std::string Number(const std::optional<double>& value) {
  return value ? CsvNumber(*value) : "";
}

std::string HtmlInterval(const BootstrapFigure& figure, int decimals) {
  if (figure.flat) return Fixed(figure.estimate, decimals) + " (no variation: no interval)";
  return Fixed(figure.estimate, decimals) +
         (figure.lower ? " (" + Range(figure.lower, figure.upper, decimals, " to ") + ")" : "");
}

std::string PlanHtml(const StudyPlan& plan, const std::string& title) {
  std::string out = "<h3>" + XmlEscaped(title) + "</h3>\n";
  if (!plan.message.empty()) return out + "<p>" + XmlEscaped(plan.message) + "</p>\n";
  std::vector<std::string> header{"Readers \\ cases"};
  for (const int cases : plan.cases) header.push_back(std::to_string(cases));
  if (plan.power) {
    header.push_back("Fewest cases, 80%");
    header.push_back("Fewest cases, 90%");
  }
  std::vector<std::vector<std::string>> rows;
  for (size_t r = 0; r < plan.readers.size(); ++r) {
    std::vector<std::string> cells{std::to_string(plan.readers[r])};
    for (const auto& value : plan.table[r]) cells.push_back(PlanCell(plan, value));
    if (plan.power) {
      cells.push_back(CasesFor(plan.casesFor80[r]));
      cells.push_back(CasesFor(plan.casesFor90[r]));
    }
    rows.push_back(cells);
  }
  std::vector<std::vector<std::string>> basis;
  for (const auto& [name, value] : plan.basis) basis.push_back({name, value});
  return out + HtmlTable(header, rows, "") +
         "<p class=\"note\">Hillis, Obuchowski and Berbaum (2011): the pilot's Obuchowski-Rockette "
         "variance components, case-dependent ones scaled by pilot cases / planned cases, with "
         "Hillis's degrees of freedom. The plan rests on these pilot figures:</p>\n" +
         HtmlTable({"Pilot figure", "Value"}, basis, "ll");
}

}  // namespace

std::string TestFiguresText(const TestReport& test, const Report& report) {
  const TestFigures& figures = test.figures;
  if (figures.raters.empty()) return "";
  const OperatingSettings& s = report.options.operating;
  const std::vector<ColumnLayout> columns{
      {"Rater", 15, true},  {"Az", 5, false},    {"95% CI", 11, false}, {"Fit p", 5, false},
      {"pArea", 5, false},  {"McCl.", 5, false}, {"95% CI", 11, false}, {"Se", 4, false},
      {"95% CI", 9, false}, {"Sp", 4, false},    {"95% CI", 9, false}};
  std::string out = "\nFitted curves and the high-specificity region:\n" + Titles(columns);
  std::string notes;
  for (size_t k = 0; k < test.raters.size() && k < figures.raters.size(); ++k) {
    const RaterCurve& curve = figures.raters[k];
    std::vector<std::string> cells{Label(test.raters[k])};
    if (const auto& fit = curve.binormal.fit) {
      cells.push_back(Fixed(fit->area, 3));
      cells.push_back(Fixed(fit->lower, 3) + "-" + Fixed(fit->upper, 3));
      cells.push_back(Fixed(fit->p, 2));
    } else {
      cells.insert(cells.end(), {"-", "-", "-"});
      if (test.raters[k].roc) {
        notes += WrappedLines(Label(test.raters[k]) + ": " + curve.binormal.reason, "  ");
      }
    }
    if (const auto& op = curve.operating) {
      if (op->standardisedPartialArea.flat || op->sensitivity.flat || op->specificity.flat) {
        notes += WrappedLines(Label(test.raters[k]) + ": " + kFlatResamples, "  ");
      }
      cells.push_back(Fixed(op->partialArea.estimate, 3));
      cells.push_back(Fixed(op->standardisedPartialArea.estimate, 3));
      cells.push_back(
          Range(op->standardisedPartialArea.lower, op->standardisedPartialArea.upper, 3));
      cells.push_back(Fixed(op->sensitivity.estimate, 2));
      cells.push_back(Range(op->sensitivity.lower, op->sensitivity.upper, 2));
      cells.push_back(Fixed(op->specificity.estimate, 2));
      cells.push_back(Range(op->specificity.lower, op->specificity.upper, 2));
    }
    out += Row(columns, cells);
  }
  out += notes;
  if (figures.acrossRaters >= 2) {
    out +=
        WrappedLines("Mean fitted area (Az) " + Fixed(figures.meanFittedArea, 3) + " over " +
                         std::to_string(figures.fittedRaters) + " of " +
                         std::to_string(figures.acrossRaters) + " raters" +
                         (figures.fittedRaters < figures.acrossRaters
                              ? " (" + std::to_string(figures.acrossRaters - figures.fittedRaters) +
                                    " without a fitted curve)."
                              : "."),
                     "  ");
  }
  out += WrappedLines(
      "Az: area under the fitted binormal curve with its 95% CI; Fit p: chi-square test of the "
      "fit (- where there is none, see fits.csv). pArea: partial area over specificity " +
          SpecificityRange(s) +
          "; McCl.: McClish's standardised partial area (0.5 chance, 1 "
          "perfect). Se: sensitivity at specificity " +
          Fixed(s.atSpecificity, 2) + "; Sp: specificity at sensitivity " +
          Fixed(s.atSensitivity, 2) + ". CIs: " + report.figures.bootstrapNote + ".",
      "");
  if (!figures.cases.empty()) {
    const std::string cut = std::to_string(report.options.positiveFrom);
    out += WrappedLines("Most misread cases at the cut \"rating >= " + cut +
                            "\" (raters misreading): positive " +
                            HardestText(figures, true, kHardestPrinted) + "; negative " +
                            HardestText(figures, false, kHardestPrinted) + ".",
                        "");
  }
  if (test.across.raters.size() >= 2) {
    out += PlanText(figures.precision, "Planning a main study of test " +
                                           DisplayText(test.test->name) +
                                           ": half-width of the 95% interval of the mean ROC area");
  }
  return out;
}

std::string StudyFiguresText(const Report& report) {
  const StudyFigures& study = report.figures;
  std::string out;
  if (!study.paired.empty()) {
    const std::vector<ColumnLayout> columns{
        {"Rater", 15, true}, {"Tests", 15, true},   {"Area 1", 6, false}, {"Area 2", 6, false},
        {"Diff.", 6, false}, {"95% CI", 16, false}, {"z", 6, false},      {"p", 6, false}};
    out +=
        "\nEach rater's two tests compared on the same cases (DeLong's test):\n" + Titles(columns);
    std::string notes;
    for (const PairedRater& paired : study.paired) {
      const std::vector<std::string>& tests = report.comparison->tests;
      const std::string names =
          DisplayText(tests[paired.first]) + " - " + DisplayText(tests[paired.second]);
      if (const auto& f = paired.result.figures) {
        out +=
            Row(columns, {DisplayText(paired.rater), names, Fixed(f->first, 3), Fixed(f->second, 3),
                          Fixed(f->difference, 3), Fixed(f->lower, 3) + " to " + Fixed(f->upper, 3),
                          Fixed(f->z, 2), Fixed(f->p, 4)});
      } else {
        out += Row(columns, {DisplayText(paired.rater), names, "-", "-", "-", "-", "-", "-"});
        notes += WrappedLines(DisplayText(paired.rater) + ": " + paired.result.reason, "  ");
      }
    }
    out += notes;
  }
  if (study.power) {
    out += PlanText(*study.power,
                    "Planning the main study of two tests: power to find a "
                    "difference of " +
                        Fixed(study.power->effect, 3) + " in mean ROC area");
  }
  return out;
}

std::string TestFiguresHtml(const TestReport& test, const Report& report) {
  const TestFigures& figures = test.figures;
  if (figures.raters.empty()) return "";
  const OperatingSettings& s = report.options.operating;
  std::vector<std::vector<std::string>> fits;
  std::vector<std::vector<std::string>> operating;
  for (size_t k = 0; k < test.raters.size() && k < figures.raters.size(); ++k) {
    const RaterCurve& curve = figures.raters[k];
    const std::string label =
        test.raters[k].run->label + (test.raters[k].run->complete ? "" : " *");
    if (const auto& fit = curve.binormal.fit) {
      std::string thresholds;
      for (size_t t = 0; t < fit->thresholds.size(); ++t) {
        thresholds += (t == 0 ? "" : ", ") + Fixed(fit->thresholds[t], 3);
      }
      fits.push_back(
          {label, Fixed(fit->a, 3), Fixed(fit->b, 3), thresholds, Fixed(fit->area, 3),
           Fixed(fit->areaStandardError, 3), Fixed(fit->lower, 3) + " to " + Fixed(fit->upper, 3),
           fit->chiSquare
               ? Fixed(*fit->chiSquare, 2) + " (" + std::to_string(fit->degreesOfFreedom) + ")"
               : "-",
           Fixed(fit->p, 3), fit->fitNote});
    } else {
      fits.push_back({label, "-", "-", "-", "-", "-", "-", "-", "-", curve.binormal.reason});
    }
    if (const auto& op = curve.operating) {
      operating.push_back({label, HtmlInterval(op->partialArea, 3),
                           HtmlInterval(op->standardisedPartialArea, 3),
                           HtmlInterval(op->sensitivity, 3), HtmlInterval(op->specificity, 3)});
    }
  }
  std::string out =
      "<h3>Fitted ROC curves</h3>\n" + HtmlTable({"Rater", "a", "b", "Thresholds", "Az", "SE",
                                                  "95% interval", "Chi-square (df)", "p", "Note"},
                                                 fits, "l--l-----l");
  if (figures.acrossRaters >= 2) {
    out += "<p>Mean fitted area (Az) over the raters: " + Fixed(figures.meanFittedArea, 3) +
           ", from " + std::to_string(figures.fittedRaters) + " of " +
           std::to_string(figures.acrossRaters) + " raters with a fitted curve.</p>\n";
  }
  out +=
      "<p class=\"note\">Binormal curves fitted by maximum likelihood to each rater's counts "
      "at each rating (Dorfman and Alf 1969): TPF = &#934;(a + b &#934;<sup>-1</sup>(FPF)), "
      "Az = &#934;(a / &#8730;(1 + b&#178;)) with its standard error from the observed "
      "information; thresholds on the negative cases' scale; chi-square: Pearson's test of the "
      "counts against the fitted ones (df = ratings used - 3).</p>\n";
  out += "<div class=\"figures\">\n" +
         HtmlFigure(FittedRocPlot(test, RaterColours(report)), "Test " + test.test->name +
                                             ": fitted binormal curves (lines) and each rater's "
                                             "operating points (dots).") +
         "</div>\n";
  out += "<h3>The high-specificity region</h3>\n" +
         HtmlTable({"Rater", "Partial area, specificity " + SpecificityRange(s),
                    "McClish's standardised partial area",
                    "Sensitivity at specificity " + Fixed(s.atSpecificity, 2),
                    "Specificity at sensitivity " + Fixed(s.atSensitivity, 2)},
                   operating, "l") +
         "<p class=\"note\">Empirical curve, straight between the operating points. McClish "
         "(1989): 0.5 is chance, 1 a perfect rater. Intervals: " +
         XmlEscaped(report.figures.bootstrapNote) + ".</p>\n";

  if (!figures.cases.empty()) {
    std::vector<CaseDifficulty> rows;
    for (const CaseRowDifficulty& row : figures.cases) rows.push_back(row.difficulty);
    const auto listed = [&](bool positive) {
      std::vector<std::vector<std::string>> table;
      for (const CaseDifficulty& row : HardestCases(rows, positive, kHardestListed)) {
        table.push_back({figures.cases[row.index].name,
                         std::to_string(row.misread) + " of " + std::to_string(row.raters),
                         Fixed(row.meanRating, 2), Fixed(row.leaveOutChange, 4),
                         Fixed(row.pseudovalue, 3)});
      }
      return table;
    };
    const std::vector<std::string> header{"Case", "Raters misreading", "Mean rating",
                                          "Mean area without it - with it", "Pseudovalue"};
    const std::string cut = std::to_string(report.options.positiveFrom);
    out +=
        "<h3>Which cases are hard</h3>\n<p>The ten most misread cases of each class at the "
        "cut \"rating &gt;= " +
        cut + "\", over the " + std::to_string(test.across.raters.size()) +
        " raters of the across-rater figures.</p>\n<h4>Positive cases</h4>\n" +
        HtmlTable(header, listed(true), "l") + "<h4>Negative cases</h4>\n" +
        HtmlTable(header, listed(false), "l");
    std::vector<std::vector<std::string>> all;
    for (const CaseRowDifficulty& row : figures.cases) {
      const CaseDifficulty& d = row.difficulty;
      all.push_back({row.name, d.positive ? "positive" : "negative", std::to_string(d.misread),
                     Fixed(d.meanRating, 2), Fixed(d.leaveOutChange, 4), Fixed(d.pseudovalue, 3)});
    }
    out += "<div class=\"figures\">\n" +
           HtmlFigure(CaseDifficultyPlot(test, report.options.positiveFrom),
                      "Test " + test.test->name +
                          ": each case's mean rating and the change in the raters' mean ROC area "
                          "when it is left out (above 0: the case pulls the mean area down). "
                          "Dashed: the positive cut.") +
           "</div>\n<details><summary>Every case read by every rater</summary>\n" +
           HtmlTable({"Case", "Truth", "Raters misreading", "Mean rating",
                      "Mean area without it - with it", "Pseudovalue"},
                     all, "ll") +
           "</details>\n<p class=\"note\">Pseudovalue: K A - (K - 1) A(-k), the case's share of "
           "the mean area A over K cases by the jackknife.</p>\n";
  }
  if (test.across.raters.size() >= 2) {
    out += PlanHtml(figures.precision, "Planning a main study of test " + test.test->name +
                                           ": half-width of the 95% interval of the mean ROC "
                                           "area");
  }
  return out;
}

std::string StudyFiguresHtml(const Report& report) {
  const StudyFigures& study = report.figures;
  std::string out;
  if (!study.paired.empty()) {
    std::vector<std::vector<std::string>> rows;
    for (const PairedRater& paired : study.paired) {
      const std::vector<std::string>& tests = report.comparison->tests;
      const std::string names = tests[paired.first] + " - " + tests[paired.second];
      if (const auto& f = paired.result.figures) {
        rows.push_back({paired.rater, names, Fixed(f->first, 3), Fixed(f->second, 3),
                        Fixed(f->difference, 3), Fixed(f->standardError, 4),
                        Fixed(f->lower, 3) + " to " + Fixed(f->upper, 3), Fixed(f->z, 2),
                        Fixed(f->p, 4), ""});
      } else {
        rows.push_back(
            {paired.rater, names, "-", "-", "-", "-", "-", "-", "-", paired.result.reason});
      }
    }
    out += "<h2>Each rater's tests compared</h2>\n" +
           HtmlTable({"Rater", "Tests", "Area, first", "Area, second", "Difference", "SE",
                      "95% interval", "z", "p", "Note"},
                     rows, "ll-------l") +
           "<p class=\"note\">DeLong, DeLong and Clarke-Pearson (1988): the difference of one "
           "rater's empirical areas on the cases read in both tests, its standard error from the "
           "structural components.</p>\n";
  }
  if (study.power) {
    out += "<h2>Planning the main study</h2>\n" +
           PlanHtml(*study.power, "Power to find a difference of " + Fixed(study.power->effect, 3) +
                                      " in mean ROC area between two tests");
  }
  return out;
}

std::vector<OutputFile> FigureFiles(const Report& report) {
  const OperatingSettings& s = report.options.operating;
  std::string fits =
      "test,rater,a,b,threshold_2,threshold_3,threshold_4,threshold_5,az,az_se,az_lower,"
      "az_upper,chi_square,df,p,small_expected,log_likelihood,note\n";
  std::string operating =
      "test,rater,specificity_from,specificity_to,partial_area,partial_area_lower,"
      "partial_area_upper,mcclish,mcclish_lower,mcclish_upper,at_specificity,sensitivity,"
      "sensitivity_lower,sensitivity_upper,at_sensitivity,specificity,specificity_lower,"
      "specificity_upper,resamples,seed\n";
  std::string difficulty =
      "test,case,truth,raters,misread,mean_rating,leave_out_change,pseudovalue\n";
  std::string plan = "plan,test,readers,cases,power,half_width,cases_for_80,cases_for_90\n";
  std::string basis = "plan,test,figure,value\n";
  const auto addPlan = [&](const StudyPlan& p, const std::string& kind, const std::string& test) {
    for (const auto& [name, value] : p.basis) basis += CsvRow({kind, test, name, value});
    if (!p.message.empty()) basis += CsvRow({kind, test, "message", p.message});
    for (size_t r = 0; r < p.table.size(); ++r) {
      for (size_t c = 0; c < p.cases.size(); ++c) {
        const std::string value = Number(p.table[r][c]);
        plan += CsvRow({kind, test, std::to_string(p.readers[r]), std::to_string(p.cases[c]),
                        p.power ? value : "", p.power ? "" : value,
                        p.power && p.casesFor80[r] ? std::to_string(*p.casesFor80[r]) : "",
                        p.power && p.casesFor90[r] ? std::to_string(*p.casesFor90[r]) : ""});
      }
    }
  };
  for (const TestReport& test : report.tests) {
    const std::string& name = test.test->name;
    for (size_t k = 0; k < test.raters.size() && k < test.figures.raters.size(); ++k) {
      const std::string& rater = test.raters[k].run->label;
      const RaterCurve& curve = test.figures.raters[k];
      if (const auto& fit = curve.binormal.fit) {
        std::vector<std::string> thresholds(4);
        for (size_t t = 0; t < fit->thresholds.size(); ++t) {
          thresholds[static_cast<size_t>(fit->thresholdRatings[t] - kLowestRating - 1)] =
              Number(fit->thresholds[t]);
        }
        fits +=
            CsvRow({name, rater, Number(fit->a), Number(fit->b), thresholds[0], thresholds[1],
                    thresholds[2], thresholds[3], Number(fit->area), Number(fit->areaStandardError),
                    Number(fit->lower), Number(fit->upper), Number(fit->chiSquare),
                    std::to_string(fit->degreesOfFreedom), Number(fit->p),
                    std::to_string(fit->smallExpected), Number(fit->logLikelihood), fit->fitNote});
      } else {
        fits += CsvRow({name, rater, "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                        curve.binormal.reason});
      }
      if (const auto& op = curve.operating) {
        const auto triple = [](const BootstrapFigure& f) {
          return std::vector<std::string>{Number(f.estimate), Number(f.lower), Number(f.upper)};
        };
        std::vector<std::string> row{name, rater, Number(s.specificityFrom),
                                     Number(s.specificityTo)};
        for (const auto& part : {triple(op->partialArea), triple(op->standardisedPartialArea)}) {
          row.insert(row.end(), part.begin(), part.end());
        }
        row.push_back(Number(s.atSpecificity));
        const auto se = triple(op->sensitivity);
        row.insert(row.end(), se.begin(), se.end());
        row.push_back(Number(s.atSensitivity));
        const auto sp = triple(op->specificity);
        row.insert(row.end(), sp.begin(), sp.end());
        row.push_back(std::to_string(op->resamples));
        row.push_back(op->resamples > 0 ? std::to_string(s.seed) : "");
        operating += CsvRow(row);
      }
    }
    for (const CaseRowDifficulty& row : test.figures.cases) {
      const CaseDifficulty& d = row.difficulty;
      difficulty += CsvRow({name, row.name, d.positive ? "pos" : "neg", std::to_string(d.raters),
                            std::to_string(d.misread), Number(d.meanRating),
                            Number(d.leaveOutChange), Number(d.pseudovalue)});
    }
    if (test.across.raters.size() >= 2) addPlan(test.figures.precision, "precision", name);
  }
  if (report.figures.power) addPlan(*report.figures.power, "power", "");
  std::string paired =
      "rater,first_test,second_test,cases,area_first,area_second,difference,se,lower,upper,z,p,"
      "note\n";
  for (const PairedRater& p : report.figures.paired) {
    const std::vector<std::string>& tests = report.comparison->tests;
    if (const auto& f = p.result.figures) {
      paired += CsvRow({p.rater, tests[p.first], tests[p.second], std::to_string(p.cases),
                        Number(f->first), Number(f->second), Number(f->difference),
                        Number(f->standardError), Number(f->lower), Number(f->upper), Number(f->z),
                        Number(f->p), ""});
    } else {
      paired += CsvRow({p.rater, tests[p.first], tests[p.second], std::to_string(p.cases), "", "",
                        "", "", "", "", "", "", p.result.reason});
    }
  }
  return {{"fits.csv", fits}, {"operating.csv", operating}, {"difficulty.csv", difficulty},
          {"plan.csv", plan}, {"plan-basis.csv", basis},    {"paired.csv", paired}};
}

}  // namespace talvex::analysis
