#include "talvex/analysis/outputs.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>

#include "results_text.h"
#include "talvex/analysis/plots.h"
#include "talvex/analysis/svg_writer.h"
#include "talvex/analysis/text_format.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/results/sealing.h"

namespace talvex::analysis {
namespace {

using testing::ResultsText;
using testing::StudyRun;
using testing::WholeRun;

std::string Sealed(std::string text) {
  imagestore::StreamCipher(imagestore::DeriveKey(results::kResultsPassPhrase))
      .Apply(reinterpret_cast<uint8_t*>(text.data()), text.size());
  return text;
}

// Everything that is written for a set of inputs, in one text.
struct Written {
  std::string terminal;
  std::string problems;
  std::vector<OutputFile> files;
};

Written WriteAll(std::vector<InputFile> inputs, const Options& options = {}) {
  std::vector<Problem> problems;
  const Study study = AssembleStudy(std::move(inputs), options.includeIncomplete, problems);
  const Report report = Analyse(study, options, std::move(problems));
  return {TerminalReport(report), ProblemLines(report), ReportFiles(report)};
}

const std::string* FileNamed(const Written& written, const std::string& name) {
  for (const OutputFile& file : written.files) {
    if (file.name == name) return &file.content;
  }
  return nullptr;
}

// A study of four raters, one of them also sealed, one incomplete, one with a bad row, and a
// long rater ID with a comma and a byte that is not UTF-8.
std::vector<InputFile> StudyInputs() {
  std::string bad = StudyRun("dora", 3);
  bad.replace(bad.rfind("\tneg\t") + 1, 3, "bad");
  std::string incomplete = StudyRun("ed", 4);
  incomplete.erase(incomplete.rfind("ed\t"));
  return {{"all", "runs/anna.xls", StudyRun("anna", 0)},
          {"all", "runs/anna.enc", Sealed(StudyRun("anna", 0))},
          {"all", "runs/ben.xls", StudyRun("ben", 1)},
          {"all", "runs/long.xls", StudyRun("Carla, reader with a very long name \xe9", 2)},
          {"all", "runs/dora.xls", bad},
          {"all", "runs/ed.xls", incomplete}};
}

TEST(Outputs, TheSameInputsInAnyOrderGiveTheSameBytes) {
  std::vector<InputFile> inputs = StudyInputs();
  const Written first = WriteAll(inputs);
  std::sort(inputs.begin(), inputs.end(),
            [](const InputFile& a, const InputFile& b) { return a.path > b.path; });
  for (int turn = 0; turn < 4; ++turn) {
    std::rotate(inputs.begin(), inputs.begin() + 1, inputs.end());
    const Written again = WriteAll(inputs);
    EXPECT_EQ(again.terminal, first.terminal);
    EXPECT_EQ(again.problems, first.problems);
    ASSERT_EQ(again.files.size(), first.files.size());
    for (size_t k = 0; k < first.files.size(); ++k) {
      EXPECT_EQ(again.files[k].content, first.files[k].content) << first.files[k].name;
    }
  }
}

TEST(Outputs, TerminalTableFitsAndNothingPrintsNaN) {
  std::vector<InputFile> inputs = StudyInputs();
  // A rater who saw negative cases only, and one who rated everything the same.
  inputs.push_back(
      {"all", "only-neg.xls", WholeRun("only negatives", 0, 3, [](int k, bool) { return 1 + k; })});
  inputs.push_back({"all", "same.xls", WholeRun("same", 3, 3, [](int, bool) { return 3; })});
  // A parameter line of one long word, in a test of a long name.
  inputs.push_back({std::string(120, 't'), "long.xls",
                    WholeRun(
                        "x", 2, 2, [](int k, bool) { return 1 + k; }, std::string(150, 'p'))});
  const Written written = WriteAll(inputs);
  size_t lines = 0;
  for (size_t start = 0; start < written.terminal.size();) {
    const size_t end = written.terminal.find('\n', start);
    const std::string line = written.terminal.substr(start, end - start);
    EXPECT_LE(DisplayWidth(line), kTerminalWidth) << line;
    start = end + 1;
    ++lines;
  }
  EXPECT_GT(lines, 10u);
  const std::regex nan("\\bnan\\b", std::regex::icase);
  EXPECT_FALSE(std::regex_search(written.terminal, nan));
  for (const OutputFile& file : written.files) {
    EXPECT_FALSE(std::regex_search(file.content, nan)) << file.name;
  }
  EXPECT_NE(written.terminal.find("only negatives*: saw negative cases only: no ROC area, "
                                  "sensitivity or cut-point"),
            std::string::npos)
      << written.terminal;
  EXPECT_NE(written.terminal.find("Carla, reader ~"), std::string::npos);
  const std::string& raters = *FileNamed(written, "raters.csv");
  EXPECT_NE(raters.find(",only negatives,"), std::string::npos);
  EXPECT_NE(raters.find("\"Carla, reader with a very long name \xc3\xa9\""), std::string::npos)
      << "quoted, and the Windows-1252 byte read as e acute";
}

TEST(Outputs, TerminalReportOfAStudy) {
  const Written written = WriteAll(StudyInputs());
  const std::string& text = written.terminal;
  EXPECT_EQ(text.rfind("talvex-report: 6 files read, 5 runs in 1 test, ", 0), 0u) << text;
  EXPECT_NE(text.find("Test all: 5 runs, 16 cases (6 positive, 10 negative)"), std::string::npos);
  EXPECT_NE(text.find("ed*"), std::string::npos);
  EXPECT_NE(text.find("Across 3 raters on 16 cases (6 positive, 10 negative):"), std::string::npos)
      << text;
  EXPECT_NE(text.find("(jackknife covariances)"), std::string::npos);
  EXPECT_LT(text.find("(jackknife covariances)"), text.find("(DeLong covariances)"));
  EXPECT_NE(text.find("Krippendorff's alpha"), std::string::npos);
  EXPECT_NE(written.problems.find("runs/ed.xls: incomplete run: 21 of 22 rows; left out of the "
                                  "across-rater figures"),
            std::string::npos)
      << written.problems;
  EXPECT_NE(written.problems.find("runs/anna.xls: the same run as runs/anna.enc; counted once"),
            std::string::npos);
}

// Counts the elements of an XML text; fails the test when the text is not well-formed.
size_t ParseXml(const std::string& xml, const std::string& what) {
  XML_Parser parser = XML_ParserCreate("UTF-8");
  size_t elements = 0;
  XML_SetUserData(parser, &elements);
  XML_SetStartElementHandler(
      parser, [](void* data, const XML_Char*, const XML_Char**) { ++*static_cast<size_t*>(data); });
  const XML_Status status = XML_Parse(parser, xml.data(), int(xml.size()), 1);
  EXPECT_EQ(status, XML_STATUS_OK) << what << ": " << XML_ErrorString(XML_GetErrorCode(parser))
                                   << " at line " << XML_GetCurrentLineNumber(parser);
  XML_ParserFree(parser);
  return elements;
}

TEST(Outputs, WhyThereAreNoAcrossRaterFigures) {
  const auto rating = [](int k, bool positive) { return positive ? 4 + k % 2 : 1 + k % 3; };
  std::string disjoint = WholeRun("ben", 2, 2, rating);
  for (size_t at; (at = disjoint.find(" (")) != std::string::npos;) disjoint.replace(at, 2, "x(");
  const struct {
    std::vector<InputFile> inputs;
    bool includeIncomplete;
    std::string message;
  } cases[] = {
      {{{"all", "a.xls", WholeRun("anna", 2, 3, rating)}},
       false,
       "Across raters: one rater only: no across-rater figures"},
      {{{"all", "a.xls", WholeRun("anna", 2, 3, rating)},
        {"all", "b.xls", WholeRun("ben", 2, 3, rating, "1000 1 0 0")}},
       false,
       "Across raters: one rater only: no across-rater figures"},  // ben's run is incomplete
      // Each run lacks the other's cases, so both are incomplete: taken in on request.
      {{{"all", "a.xls", WholeRun("anna", 2, 2, rating)}, {"all", "b.xls", disjoint}},
       true,
       "the raters saw different cases: per-rater figures only"},
      {{{"all", "a.xls", WholeRun("anna", 1, 3, rating)},
        {"all", "b.xls", WholeRun("ben", 1, 3, rating)}},
       false,
       "the cases every rater saw include only one positive case: no mean ROC area"},
      // Taken in on request, a run that stopped before any positive case: once "the raters
      // saw different cases: per-rater figures only", followed by agreement figures.
      {{{"all", "a.xls", WholeRun("anna", 2, 3, rating)},
        {"all", "b.xls", ResultsText("ben", {{"c (0).ccc", 1}, {"c (1).ccc", 2}})}},
       true,
       "the cases every rater saw include no positive case: no mean ROC area"},
  };
  for (const auto& [inputs, includeIncomplete, message] : cases) {
    Options options;
    options.includeIncomplete = includeIncomplete;
    const Written written = WriteAll(inputs, options);
    EXPECT_NE(written.terminal.find(message), std::string::npos) << written.terminal;
    EXPECT_EQ(written.terminal.find("Mean ROC area"), std::string::npos);
    if (message.find("different cases") == std::string::npos) {
      EXPECT_EQ(written.terminal.find("per-rater figures only"), std::string::npos);
    }
  }
}

TEST(Outputs, EveryDashCarriesItsReason) {
  const auto flat = [](int, bool) { return 3; };
  const auto sharp = [](int, bool positive) { return positive ? 5 : 1; };
  // rep rates both showings of its two repeated cases 1.
  const std::string rep = ResultsText("rep",
                                      {{"g (0).ccc", 4},
                                       {"g (1).ccc", 5},
                                       {"g (2).ccc", 5},
                                       {"c (0).ccc", 1},
                                       {"c (1).ccc", 1},
                                       {"c (2).ccc", 2},
                                       {"c (0).ccc", 1},
                                       {"c (1).ccc", 1}},
                                      "1000 0 0.7 0");
  const Written written = WriteAll({{"all", "f.xls", WholeRun("flat", 3, 3, flat)},
                                    {"all", "s.xls", WholeRun("sharp", 3, 3, sharp)},
                                    {"all", "r.xls", rep}});
  for (const char* reason :
       {"flat: every case rated alike: the area does not vary, so it has no standard error or "
        "interval",
        "flat: no cut-point does better than chance (Youden index 0 or less at every cut): no "
        "best cut",
        "flat: no case shown twice: no test-retest figures",
        "sharp: the ratings separate the classes completely: the area does not vary",
        "rep: every repeated case rated 1 both times: kappa is 0 / 0, undefined"}) {
    EXPECT_NE(written.terminal.find(reason), std::string::npos) << reason << "\n"
                                                                << written.terminal;
    EXPECT_NE(FileNamed(written, "raters.csv")
                  ->find(std::string(reason).substr(std::string(reason).find(": ") + 2)),
              std::string::npos)
        << reason;
  }
  // Once "0.500-0.500" and "SE 0.000, 95% interval 0.500 to 0.500": exact-looking points.
  EXPECT_EQ(written.terminal.find("0.500-0.500"), std::string::npos);
  EXPECT_EQ(written.terminal.find("1.000-1.000"), std::string::npos);
  EXPECT_EQ(FileNamed(written, "report.html")->find("0.500 to 0.500"), std::string::npos);
  EXPECT_NE(written.terminal.find("every bootstrap resample gives the same figure"),
            std::string::npos);

  // Raters who all separate the classes: no interval of the mean and no "df inf"; raters who
  // all rate 3: no agreement figure, with the reason.
  const Written apart = WriteAll(
      {{"all", "a.xls", WholeRun("a", 3, 3, sharp)}, {"all", "b.xls", WholeRun("b", 3, 3, sharp)}});
  EXPECT_NE(apart.terminal.find(kNoSpread), std::string::npos) << apart.terminal;
  EXPECT_EQ(apart.terminal.find("SE 0.0000"), std::string::npos);
  EXPECT_EQ(apart.terminal.find("df inf"), std::string::npos);
  const Written tied = WriteAll(
      {{"all", "a.xls", WholeRun("a", 3, 3, flat)}, {"all", "b.xls", WholeRun("b", 3, 3, flat)}});
  EXPECT_NE(tied.terminal.find("alpha - ordinal, - interval; ICC(2,1) -;"), std::string::npos)
      << tied.terminal;
  EXPECT_NE(tied.terminal.find("every rating of the common cases is 3: no agreement figure"),
            std::string::npos);
}

TEST(Outputs, OneRaterWithTwoRunsCountsOnceAcrossRaters) {
  const Written written = WriteAll({{"all", "k1.xls", StudyRun("k", 0)},
                                    {"all", "k2.xls", StudyRun("k", 1)},
                                    {"all", "m.xls", StudyRun("m", 2)}});
  EXPECT_NE(written.terminal.find("Across 2 raters on 16 cases"), std::string::npos)
      << written.terminal;
  EXPECT_NE(written.terminal.find("k: 2 runs; k #1, the first complete one, is used in the "
                                  "across-rater figures"),
            std::string::npos);
  EXPECT_NE(FileNamed(written, "study.imrmc")->find("NR: 2\n"), std::string::npos);
}

TEST(Outputs, LateCountsEveryTrial) {
  // Exposure 1000 ms: c (0) is late at its first showing and at its repeat.
  const std::string run = ResultsText("anna",
                                      {{"g (0).ccc", 4, 500},
                                       {"g (1).ccc", 5, 600},
                                       {"c (0).ccc", 1, 1500},
                                       {"c (1).ccc", 2, 700},
                                       {"c (0).ccc", 1, 2000}},
                                      "1000 0 0.5 0");
  const Written written = WriteAll({{"all", "a.xls", run}});
  const std::string& raters = *FileNamed(written, "raters.csv");
  const std::string header = raters.substr(0, raters.find('\n'));
  const size_t column =
      size_t(std::count(header.begin(), header.begin() + long(header.find("after_exposure")), ','));
  std::string row = raters.substr(header.size() + 1);
  for (size_t k = 0; k < column; ++k) row.erase(0, row.find(',') + 1);
  EXPECT_EQ(row.substr(0, row.find(',')), "2");
}

TEST(Outputs, CsvCellsAreTextOrFullNumbers) {
  const std::string id = "=HYPERLINK(\"http://x\")";
  const Written written = WriteAll({{"all", "a.xls", StudyRun(id, 0)},
                                    {"all", "b.xls", StudyRun("@b", 1)},
                                    {"all", "c.xls", StudyRun("-1", 2)}});
  const std::string& raters = *FileNamed(written, "raters.csv");
  EXPECT_NE(raters.find("\nall,\"'=HYPERLINK(\"\"http://x\"\")\","), std::string::npos) << raters;
  EXPECT_NE(raters.find("\nall,'@b,'@b,"), std::string::npos);
  EXPECT_NE(raters.find("\nall,-1,-1,"), std::string::npos) << "a number stays a number";
  // Ten significant digits: a mean rating of 2/3 and the covariances in full.
  const std::string& agreement = *FileNamed(written, "agreement.csv");
  const std::regex cov2("all,Cov2,jackknife,(-?[0-9.e-]+),");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(agreement, match, cov2)) << agreement;
  const std::string digits =
      std::regex_replace(match[1].str(), std::regex("^-?0\\.0*|\\.|e.*"), "");
  EXPECT_GE(digits.size(), 9u) << match[1];
}

TEST(Outputs, PlotsAndTablesAReaderCanTrust) {
  std::vector<InputFile> inputs;
  for (int r = 0; r < 3; ++r) {
    const std::string name = "r" + std::to_string(r);
    inputs.push_back({"A", "a/" + name + ".xls", StudyRun(name, r)});
    inputs.push_back({"B", "b/" + name + ".xls", StudyRun(name, r + 1)});
  }
  // Only in test B, a rater whose ID sorts first and who answered before the positive images
  // appeared.
  std::string early = StudyRun("a0", 3);
  for (size_t at = early.find("\tpos\t"); at != std::string::npos;
       at = early.find("\tpos\t", at + 1)) {
    const size_t lineEnd = early.find("\r\n", at);
    const size_t tab = early.rfind('\t', lineEnd);
    early.replace(tab + 1, lineEnd - tab - 1, "-2500");
  }
  inputs.push_back({"B", "b/a0.xls", early});
  std::string incomplete = StudyRun("r9", 4);
  inputs.push_back({"B", "b/r9.xls", incomplete.erase(incomplete.rfind("r9\t"))});
  const Written written = WriteAll(inputs);
  const std::string& html = *FileNamed(written, "report.html");
  // The colour of r1's legend line in each ROC plot: the same in both tests.
  const std::regex legend("stroke=\"(#[0-9a-f]+)\" stroke-width=\"2\"/>\n<text [^>]*>r1</text>");
  std::vector<std::string> colours;
  for (size_t at = html.find("<title>ROC curves"); at != std::string::npos;
       at = html.find("<title>ROC curves", at + 1)) {
    const std::string roc = html.substr(at, html.find("</svg>", at) - at);
    std::smatch match;
    if (std::regex_search(roc, match, legend)) colours.push_back(match[1]);
  }
  ASSERT_EQ(colours.size(), 2u);
  EXPECT_EQ(colours[0], colours[1]);
  EXPECT_NE(html.find(">r9 *</text>"), std::string::npos) << "incomplete runs marked";
  EXPECT_NE(html.find("<figcaption>Test B: empirical ROC"), std::string::npos);
  EXPECT_NE(html.find("<td class=\"l\">Mean ROC area of A, jackknife</td>"), std::string::npos);
  EXPECT_NE(written.terminal.find("Mean area of B: "), std::string::npos) << written.terminal;
  EXPECT_NE(html.find("<td class=\"l\">incomplete run: "), std::string::npos)
      << "problem texts left-aligned";
  // The latency axis covers the negative latency: nothing drawn left of the plot area, where
  // the rater names are.
  const size_t latency = html.find("<title>Latencies by class, test B");
  const std::string plot = html.substr(latency, html.find("</svg>", latency) - latency);
  const std::regex left("<(?:rect x|line x1)=\"(-?[0-9.]+)\"");
  size_t shapes = 0;
  for (std::sregex_iterator it(plot.begin(), plot.end(), left), end; it != end; ++it, ++shapes) {
    EXPECT_GE(std::stod((*it)[1]), 170.0) << (*it)[0];
  }
  EXPECT_GT(shapes, 20u);
  EXPECT_NE(plot.find(">-3000</text>"), std::string::npos) << plot.substr(0, 2000);
}

TEST(Outputs, EverySvgAndThePageParseAsXml) {
  std::vector<InputFile> inputs = StudyInputs();
  inputs.push_back(
      {"all", "x.xls", WholeRun("<&\"'>\x01", 2, 2, [](int k, bool) { return 5 - k; })});
  // Two runs of an ID that is not UTF-8: the note on which run is used is text of the page too.
  inputs.push_back({"all", "y1.xls", StudyRun("d\xe9", 1)});
  inputs.push_back({"all", "y2.xls", StudyRun("d\xe9", 2)});
  const Written written = WriteAll(inputs);
  const std::string& html = *FileNamed(written, "report.html");
  EXPECT_GT(ParseXml(html, "report.html"), 100u);
  size_t svgs = 0;
  for (size_t start = html.find("<svg"); start != std::string::npos;
       start = html.find("<svg", start + 1)) {
    const size_t end = html.find("</svg>", start);
    ASSERT_NE(end, std::string::npos);
    const size_t elements =
        ParseXml(html.substr(start, end + 6 - start), "svg " + std::to_string(svgs));
    EXPECT_GT(elements, 10u);
    ++svgs;
  }
  EXPECT_EQ(svgs, 5u);  // ROC, areas, latency; fitted curves, cases
  EXPECT_NE(html.find("&lt;&amp;&quot;&#39;&gt;?"), std::string::npos);
}

TEST(Outputs, SvgWriterText) {
  SvgWriter svg(100, 50.5, "A & B");
  svg.Line({0, 0.126}, {10, -0.001}, "#000", 1.0, true);
  svg.Text({5, 6}, "x<y", Anchor::kMiddle, 11, true);
  EXPECT_EQ(svg.Finish(),
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"50.5\" "
            "viewBox=\"0 0 100 50.5\" role=\"img\" font-family=\"sans-serif\"><title>A &amp; "
            "B</title>\n"
            "<line x1=\"0\" y1=\"0.13\" x2=\"10\" y2=\"0\" stroke=\"#000\" stroke-width=\"1\" "
            "stroke-dasharray=\"4 3\"/>\n"
            "<text x=\"5\" y=\"6\" font-size=\"11\" text-anchor=\"middle\" "
            "font-weight=\"bold\">x&lt;y</text>\n</svg>\n");
}

TEST(Outputs, ImrmcFileOfASmallStudy) {
  // Two readers of two positive and two negative cases; anna saw c (0) twice, the repeat is
  // left out.
  const std::string anna = ResultsText(
      "anna",
      {{"g (0).ccc", 5}, {"c (0).ccc", 1}, {"g (1).ccc", 4}, {"c (1).ccc", 2}, {"c (0).ccc", 3}},
      "1000 0 0.5 1");
  const std::string ben = ResultsText(
      "ben",
      {{"c (1).ccc", 1}, {"g (1).ccc", 3}, {"c (0).ccc", 2}, {"g (0).ccc", 4}, {"c (1).ccc", 4}},
      "1000 0 0.5 1");
  const Written written = WriteAll({{"all", "a.xls", anna}, {"all", "b.xls", ben}});
  EXPECT_EQ(*FileNamed(written, "study.imrmc"),
            "NR: 2\nN0: 2\nN1: 2\nNM: 1\nBEGIN DATA:\n"
            "-1,1,0,0\n-1,2,0,0\n-1,3,0,1\n-1,4,0,1\n"
            "1,3,1,5\n1,1,1,1\n1,4,1,4\n1,2,1,2\n"
            "2,2,1,1\n2,4,1,3\n2,1,1,2\n2,3,1,4\n");
  EXPECT_EQ(*FileNamed(written, "imrmc-ids.csv"),
            "kind,id,name\nreader,1,anna\nreader,2,ben\ncase,1,c (0).ccc\ncase,2,c (1).ccc\n"
            "case,3,g (0).ccc\ncase,4,g (1).ccc\nmodality,1,all\n");
  const std::string& ratings = *FileNamed(written, "ratings.csv");
  EXPECT_EQ(ratings.substr(0, ratings.find('\n', ratings.find('\n') + 1) + 1),
            "reader,test,case,truth,presentation,rating,latency\n"
            "anna,all,g (0).ccc,pos,1,5,1500\n");
  EXPECT_NE(ratings.find("anna,all,c (0).ccc,neg,2,3,1500\n"), std::string::npos);
}

TEST(Outputs, TwoTestsAreCompared) {
  std::vector<InputFile> inputs;
  for (int r = 0; r < 4; ++r) {
    const std::string name = "r" + std::to_string(r);
    inputs.push_back({"A", "a/" + name + ".xls", StudyRun(name, r)});
    inputs.push_back({"B", "b/" + name + ".xls", StudyRun(name, r + 1)});
  }
  const Written written = WriteAll(inputs);
  EXPECT_NE(written.terminal.find("Tests A and B, read by 4 raters on 16 cases:"),
            std::string::npos)
      << written.terminal;
  EXPECT_NE(written.terminal.find("A - B: "), std::string::npos);
  const std::string& agreement = *FileNamed(written, "agreement.csv");
  EXPECT_NE(agreement.find("A | B,F test of equal mean areas,jackknife,"), std::string::npos)
      << agreement;
  EXPECT_NE(agreement.find("A - B,difference of mean ROC areas,DeLong,"), std::string::npos);
  EXPECT_NE(FileNamed(written, "study.imrmc")->find("NR: 4\nN0: 10\nN1: 6\nNM: 2\n"),
            std::string::npos);
}

TEST(Outputs, NumberTexts) {
  EXPECT_EQ(Fixed(-0.0001, 3), "0.000");
  EXPECT_EQ(Fixed(-0.0006, 3), "-0.001");
  EXPECT_EQ(Fixed(std::nan(""), 2), "-");
  EXPECT_EQ(Fixed(std::optional<double>(), 2), "-");
  EXPECT_EQ(SvgNumber(12.5), "12.5");
  EXPECT_EQ(SvgNumber(-0.001), "0");
  EXPECT_EQ(CsvField("a,\"b\""), "\"a,\"\"b\"\"\"");
  EXPECT_EQ(DisplayText("caf\xc3\xa9"), "caf\xc3\xa9");
  EXPECT_EQ(DisplayText("caf\xe9\x80\t"), "caf\xc3\xa9\xe2\x82\xac?");
  EXPECT_EQ(DisplayText("\xef\xbf\xbe"), "?");
  EXPECT_EQ(Column("abcdef", 4, true), "abc~");
  EXPECT_EQ(Column("\xc3\xa9", 3, false), "  \xc3\xa9");
}

}  // namespace
}  // namespace talvex::analysis
