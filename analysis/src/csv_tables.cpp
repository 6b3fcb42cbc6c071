#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "talvex/analysis/outputs.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

std::string Line(std::initializer_list<std::string_view> fields) {
  return CsvLine(std::vector<std::string_view>(fields));
}

std::string Number(const std::optional<double>& value) {
  return value ? CsvNumber(*value) : "";
}
std::string Truth(bool positive) {
  return positive ? "pos" : "neg";
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string out;
  for (size_t k = 0; k < parts.size(); ++k) out += (k == 0 ? "" : separator) + parts[k];
  return out;
}

const char* const kLatencyGroups[] = {"all",      "positive", "negative", "rating 1", "rating 2",
                                      "rating 3", "rating 4", "rating 5", "right",    "wrong"};

std::vector<const std::optional<Spread>*> LatencyGroups(const LatencyFigures& latency) {
  std::vector<const std::optional<Spread>*> groups{&latency.all, &latency.positives,
                                                   &latency.negatives};
  for (const auto& spread : latency.byRating) groups.push_back(&spread);
  groups.push_back(&latency.right);
  groups.push_back(&latency.wrong);
  return groups;
}

void AddInterval(std::string& out, const std::string& test, const std::string& measure,
                 const char* method, const TInterval& interval) {
  out += Line({test, measure, method, Number(interval.estimate), Number(interval.standardError),
               interval.degreesOfFreedom ? Number(*interval.degreesOfFreedom) : "inf", "",
               Number(interval.lower), Number(interval.upper), ""});
}

void AddValue(std::string& out, const std::string& test, const std::string& measure,
              const char* method, const std::optional<double>& value) {
  out += Line({test, measure, method, Number(value), "", "", "", "", "", ""});
}

}  // namespace

std::string RatersCsv(const Report& report) {
  std::string out =
      "test,rater,rater_id,file,copies,sealed,complete,across_raters,rows,expected_rows,cases,"
      "positives,negatives,area,area_se,area_lower,area_upper,best_cut,repeats,exact_agreement,"
      "within_one,kappa,kappa_se,kappa_linear,kappa_linear_se,kappa_quadratic,"
      "kappa_quadratic_se,latency_median,latency_lower_quartile,latency_upper_quartile,"
      "after_exposure,parameters,note\n";
  for (const TestReport& test : report.tests) {
    for (const RaterFigures& rater : test.raters) {
      const Run& run = *rater.run;
      const Retest& retest = rater.retest;
      const auto kappa = [](const std::optional<Kappa>& k) {
        return std::pair{k ? Number(k->kappa) : "", k ? Number(k->standardError) : ""};
      };
      const auto [unweighted, unweightedSe] = kappa(retest.unweighted);
      const auto [linear, linearSe] = kappa(retest.linear);
      const auto [quadratic, quadraticSe] = kappa(retest.quadratic);
      const std::optional<Spread>& latency = rater.latency.all;
      // No interval for an area that does not vary; the note says why.
      const bool spread = rater.roc && rater.roc->variance && *rater.roc->variance > 0.0;
      std::string note = rater.message;
      for (const std::string& reason : rater.reasons) note += (note.empty() ? "" : "; ") + reason;
      out += Line(
          {test.test->name,
           run.label,
           run.file.raterId,
           run.path,
           Joined(run.copies, "; "),
           run.sealKey ? results::SealKeyName(*run.sealKey) : "",
           run.complete ? "yes" : "no",
           run.acrossRaters ? "yes" : "no",
           std::to_string(run.file.trials.size()),
           run.expectedRows ? std::to_string(*run.expectedRows) : "",
           std::to_string(rater.cases),
           std::to_string(rater.positives),
           std::to_string(rater.negatives),
           rater.roc ? Number(rater.roc->area) : "",
           spread ? Number(rater.roc->standardError) : "",
           spread ? Number(rater.roc->lower) : "",
           spread ? Number(rater.roc->upper) : "",
           rater.youdenThreshold ? std::to_string(*rater.youdenThreshold) : "",
           std::to_string(retest.repeated),
           retest.repeated > 0 ? Number(static_cast<double>(retest.exact) / retest.repeated) : "",
           retest.repeated > 0 ? Number(static_cast<double>(retest.withinOne) / retest.repeated)
                               : "",
           unweighted,
           unweightedSe,
           linear,
           linearSe,
           quadratic,
           quadraticSe,
           latency ? Number(latency->median) : "",
           latency ? Number(latency->lowerQuartile) : "",
           latency ? Number(latency->upperQuartile) : "",
           rater.latency.afterExposure ? std::to_string(*rater.latency.afterExposure) : "",
           run.file.parameterLine,
           note});
    }
  }
  return out;
}

std::string CutPointsCsv(const Report& report) {
  std::string out =
      "test,rater,threshold,true_positives,positives,sensitivity,sensitivity_lower,"
      "sensitivity_upper,true_negatives,negatives,specificity,specificity_lower,"
      "specificity_upper,youden,best\n";
  for (const TestReport& test : report.tests) {
    for (const RaterFigures& rater : test.raters) {
      for (const CutPoint& point : rater.cutPoints) {
        const auto& sensitivity = point.sensitivity;
        const auto& specificity = point.specificity;
        const auto count = [](const std::optional<Proportion>& p, bool total) {
          return p ? std::to_string(total ? p->total : p->count) : "0";
        };
        out +=
            Line({test.test->name, rater.run->label, std::to_string(point.threshold),
                  count(sensitivity, false), count(sensitivity, true),
                  sensitivity ? Number(sensitivity->value) : "",
                  sensitivity ? Number(sensitivity->lower) : "",
                  sensitivity ? Number(sensitivity->upper) : "", count(specificity, false),
                  count(specificity, true), specificity ? Number(specificity->value) : "",
                  specificity ? Number(specificity->lower) : "",
                  specificity ? Number(specificity->upper) : "",
                  sensitivity && specificity ? Number(sensitivity->value + specificity->value - 1.0)
                                             : "",
                  rater.youdenThreshold && *rater.youdenThreshold == point.threshold ? "yes" : ""});
      }
    }
  }
  return out;
}

std::string CasesCsv(const Report& report) {
  std::string out = "test,case,truth,raters,mean_rating,share_rated_positive\n";
  for (const TestReport& test : report.tests) {
    for (const CaseRow& row : test.cases) {
      out += Line({test.test->name, row.name, Truth(row.positive), std::to_string(row.raters),
                   Number(row.meanRating), Number(row.calledPositive)});
    }
  }
  return out;
}

std::string AgreementCsv(const Report& report) {
  std::string out = "test,measure,covariance,estimate,standard_error,df,df2,lower,upper,p\n";
  for (const TestReport& test : report.tests) {
    const AcrossFigures& across = test.across;
    const std::string& name = test.test->name;
    for (const auto& [result, method] :
         {std::pair{&across.jackknife, "jackknife"}, std::pair{&across.delong, "DeLong"}}) {
      if (!*result) continue;
      AddInterval(out, name, "mean ROC area", method, (*result)->meanArea);
      AddValue(out, name, "MS(R)", method, (*result)->meanSquareRaters);
      AddValue(out, name, "Cov2", method, (*result)->meanCovariance);
    }
    if (across.raters.size() >= 2) {
      AddValue(out, name, "Krippendorff alpha, ordinal", "", across.alphaOrdinal);
      AddValue(out, name, "Krippendorff alpha, interval", "", across.alphaInterval);
      AddValue(out, name, "ICC(2,1)", "", across.icc);
      if (across.fleiss) {
        AddValue(out, name, "Fleiss kappa", "", across.fleiss->kappa);
        AddValue(out, name, "Fleiss P-bar", "", across.fleiss->meanAgreement);
        AddValue(out, name, "Fleiss P-bar e", "", across.fleiss->chanceAgreement);
      } else {
        AddValue(out, name, "Fleiss kappa", "", std::nullopt);
      }
    }
  }
  if (report.comparison) {
    const Comparison& comparison = *report.comparison;
    const std::string tests = Joined(comparison.tests, " | ");
    for (const auto& [result, method] :
         {std::pair{&comparison.jackknife, "jackknife"}, std::pair{&comparison.delong, "DeLong"}}) {
      if (!*result) continue;
      const MultiTestResult& test = **result;
      out +=
          Line({tests, "F test of equal mean areas", method, Number(test.f), "",
                Number(test.numeratorDf), test.denominatorDf ? Number(*test.denominatorDf) : "inf",
                "", "", Number(test.p)});
      for (size_t i = 0; i < test.singleTests.size(); ++i) {
        AddInterval(out, comparison.tests[i], "mean ROC area in the comparison", method,
                    test.singleTests[i].meanArea);
      }
      AddValue(out, tests, "MS(T)", method, test.meanSquareTests);
      AddValue(out, tests, "MS(T x R)", method, test.meanSquareTestByRater);
      AddValue(out, tests, "Cov1", method, test.covariance1);
      AddValue(out, tests, "Cov2", method, test.covariance2);
      AddValue(out, tests, "Cov3", method, test.covariance3);
      for (const Difference& difference : test.differences) {
        AddInterval(
            out, comparison.tests[difference.first] + " - " + comparison.tests[difference.second],
            "difference of mean ROC areas", method, difference.difference);
      }
    }
  }
  return out;
}

std::string LatencyCsv(const Report& report) {
  std::string out = "test,rater,group,count,median,lower_quartile,upper_quartile,minimum,maximum\n";
  for (const TestReport& test : report.tests) {
    for (const RaterFigures& rater : test.raters) {
      const auto groups = LatencyGroups(rater.latency);
      for (size_t k = 0; k < groups.size(); ++k) {
        const std::optional<Spread>& spread = *groups[k];
        if (!spread) continue;
        out += Line({test.test->name, rater.run->label, kLatencyGroups[k],
                     std::to_string(spread->count), Number(spread->median),
                     Number(spread->lowerQuartile), Number(spread->upperQuartile),
                     Number(spread->minimum), Number(spread->maximum)});
      }
    }
  }
  return out;
}

std::string ProblemsCsv(const Report& report) {
  std::string out = "file,line,problem\n";
  for (const Problem& problem : report.problems) {
    out +=
        Line({problem.file, problem.line > 0 ? std::to_string(problem.line) : "", problem.message});
  }
  return out;
}

std::string RatingsCsv(const Report& report) {
  std::string out = "reader,test,case,truth,presentation,rating,latency\n";
  for (const TestReport& test : report.tests) {
    for (const RaterFigures& rater : test.raters) {
      std::unordered_map<std::string_view, int> shown;
      for (const Trial& trial : rater.run->file.trials) {
        out += Line({rater.run->label, test.test->name, trial.caseName, Truth(trial.positive),
                     std::to_string(++shown[trial.caseName]), std::to_string(trial.rating),
                     std::to_string(trial.latency)});
      }
    }
  }
  return out;
}

namespace {

// The numbering of readers, cases and tests in the iMRMC file: readers are the runs taken into
// the across-rater figures (one a rater ID), matched across tests by rater ID; cases are those
// of one class in every test.
struct ImrmcIds {
  std::map<std::string, int> readers;
  std::vector<CaseInfo> cases;
  std::unordered_map<std::string_view, int> caseIds;  // keys view the names in cases
};

ImrmcIds NumberImrmc(const Report& report) {
  ImrmcIds ids;
  std::set<std::string> raters;  // rater IDs
  std::unordered_set<std::string_view> read;  // views of the trials' case names
  std::map<std::string, int> truth;           // 0 neg, 1 pos, -1 conflicting
  for (const TestReport& test : report.tests) {
    for (const RaterFigures& rater : test.raters) {
      if (!rater.run->acrossRaters) continue;
      raters.insert(rater.run->file.raterId);
      for (const Trial& trial : rater.run->file.trials) read.insert(trial.caseName);
    }
    for (const CaseInfo& info : test.test->cases) {
      const auto [it, added] = truth.try_emplace(info.name, info.positive ? 1 : 0);
      if (!added && it->second != (info.positive ? 1 : 0)) it->second = -1;
    }
  }
  int next = 0;
  for (const std::string& id : raters) ids.readers[id] = ++next;
  for (const auto& [name, value] : truth) {
    if (value >= 0 && read.count(name) != 0) ids.cases.push_back({name, value == 1});
  }
  std::sort(ids.cases.begin(), ids.cases.end(),
            [](const CaseInfo& a, const CaseInfo& b) { return CaseNameLess(a.name, b.name); });
  for (size_t k = 0; k < ids.cases.size(); ++k) {
    ids.caseIds[std::string_view(ids.cases[k].name)] = static_cast<int>(k + 1);
  }
  return ids;
}

}  // namespace

std::string ImrmcFile(const Report& report) {
  const ImrmcIds ids = NumberImrmc(report);
  size_t positives = 0;
  for (const CaseInfo& info : ids.cases) positives += info.positive ? 1 : 0;
  std::string out = "NR: " + std::to_string(ids.readers.size()) + "\n" +
                    "N0: " + std::to_string(ids.cases.size() - positives) + "\n" +
                    "N1: " + std::to_string(positives) + "\n" +
                    "NM: " + std::to_string(report.tests.size()) + "\n" + "BEGIN DATA:\n";
  for (size_t k = 0; k < ids.cases.size(); ++k) {
    out += "-1," + std::to_string(k + 1) + ",0," + (ids.cases[k].positive ? "1" : "0") + "\n";
  }
  for (size_t i = 0; i < report.tests.size(); ++i) {
    for (const RaterFigures& rater : report.tests[i].raters) {
      if (!rater.run->acrossRaters) continue;
      const std::string prefix = std::to_string(ids.readers.at(rater.run->file.raterId)) + ",";
      const std::string modality = "," + std::to_string(i + 1) + ",";
      std::unordered_set<std::string_view> shown;
      for (const Trial& trial : rater.run->file.trials) {
        // Repeats are left out: each case's first presentation only.
        if (!shown.insert(trial.caseName).second) continue;
        const auto id = ids.caseIds.find(trial.caseName);
        if (id == ids.caseIds.end()) continue;
        out += prefix;
        out += std::to_string(id->second);
        out += modality;
        out += static_cast<char>('0' + trial.rating);
        out += '\n';
      }
    }
  }
  return out;
}

std::string ImrmcIdsCsv(const Report& report) {
  const ImrmcIds ids = NumberImrmc(report);
  std::string out = "kind,id,name\n";
  for (const auto& [label, id] : ids.readers) out += Line({"reader", std::to_string(id), label});
  for (size_t k = 0; k < ids.cases.size(); ++k) {
    out += Line({"case", std::to_string(k + 1), ids.cases[k].name});
  }
  for (size_t i = 0; i < report.tests.size(); ++i) {
    out += Line({"modality", std::to_string(i + 1), report.tests[i].test->name});
  }
  return out;
}

}  // namespace talvex::analysis
