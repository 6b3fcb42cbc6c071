#pragma once
// What talvex-report writes: the terminal table, the problem lines, and the files of --out
// (the HTML page, the CSV tables, the iMRMC input file). Every text is a function of the
// report alone, so the same inputs in any order give the same bytes.

#include <string>
#include <string_view>
#include <vector>

#include "talvex/analysis/report.h"

namespace talvex::analysis {

inline constexpr size_t kTerminalWidth = 100;

// The raters and the across-rater figures, no line wider than kTerminalWidth characters.
std::string TerminalReport(const Report& report);

// One line per problem: "FILE: line N: message" ("FILE: message" for a whole file).
std::string ProblemLines(const Report& report);

struct OutputFile {
  std::string name;
  std::string content;
};

// report.html, raters.csv, cutpoints.csv, cases.csv, agreement.csv, latency.csv,
// problems.csv, ratings.csv, study.imrmc and imrmc-ids.csv.
std::vector<OutputFile> ReportFiles(const Report& report);

// The pieces, for the tests.
std::string HtmlReport(const Report& report);
std::string RatersCsv(const Report& report);
std::string CutPointsCsv(const Report& report);
std::string CasesCsv(const Report& report);
std::string AgreementCsv(const Report& report);
std::string LatencyCsv(const Report& report);
std::string ProblemsCsv(const Report& report);
std::string RatingsCsv(const Report& report);
std::string ImrmcFile(const Report& report);
std::string ImrmcIdsCsv(const Report& report);

// The terminal's word wrap, and the page's table and figure, for the sections below.
std::string WrappedLines(const std::string& text, const std::string& indent);
// align: one letter per column, 'l' for a left-aligned text column; numbers align right.
std::string HtmlTable(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows, std::string_view align);
std::string HtmlFigure(const std::string& svg, const std::string& caption);

// The fitted curves, the high-specificity region, the hard cases and the plan of the main
// study: terminal sections, page sections and their CSV files (fits.csv, operating.csv,
// difficulty.csv, plan.csv, paired.csv).
std::string TestFiguresText(const TestReport& test, const Report& report);
std::string StudyFiguresText(const Report& report);
std::string TestFiguresHtml(const TestReport& test, const Report& report);
std::string StudyFiguresHtml(const Report& report);
std::vector<OutputFile> FigureFiles(const Report& report);

}  // namespace talvex::analysis
