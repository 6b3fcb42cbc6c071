#pragma once
// Results files for the analysis tests, written by the results format's own row writer.

#include <string>
#include <vector>

#include "talvex/results/results_format.h"

namespace talvex::analysis::testing {

inline const std::string kDefaultParameters = "10000 0.1 0.3 1 (by default)";
inline const std::string kHeader = results::kHeaderLine;

struct Row {
  std::string image;  // "g (3).ccc" (positive) or "c (3).ccc" (negative)
  int rating = 3;
  int latency = 1500;
};

inline bool IsPositiveImage(const std::string& image) {
  return image.rfind("g ", 0) == 0;
}

// One results row of trial n.
inline std::string RowText(const std::string& rater, int n, const Row& row) {
  const std::string time = "14:05:" + std::to_string(10 + n % 50);
  results::ResultsRow values;
  values.name = rater;
  values.date = "07/12/2026";
  values.time = time;
  values.trial = n;
  values.status = IsPositiveImage(row.image) ? results::kPositiveStatus : results::kNegativeStatus;
  values.image = row.image;
  values.response = row.rating;
  values.latency = row.latency;
  return results::FormatRow(values);
}

inline std::string ResultsText(const std::string& rater, const std::vector<Row>& rows,
                               const std::string& parameters = kDefaultParameters) {
  std::string text = parameters + "\r\n" + kHeader + "\r\n";
  for (size_t k = 0; k < rows.size(); ++k) text += RowText(rater, int(k) + 1, rows[k]);
  return text;
}

// A whole run without repeats ("1000 0 0 0") over p positive and n negative images, each image
// rated by rating(image, positive).
template <class Rating>
std::string WholeRun(const std::string& rater, int p, int n, Rating rating,
                     const std::string& parameters = "1000 0 0 0") {
  std::vector<Row> rows;
  for (int k = 0; k < p; ++k) {
    const std::string image = "g (" + std::to_string(k) + ").ccc";
    rows.push_back({image, rating(k, true), 800 + 37 * k});
  }
  for (int k = 0; k < n; ++k) {
    const std::string image = "c (" + std::to_string(k) + ").ccc";
    rows.push_back({image, rating(k, false), 900 + 23 * k});
  }
  return ResultsText(rater, rows, parameters);
}

}  // namespace talvex::analysis::testing

namespace talvex::analysis::testing {

// A complete run of rater number r over 6 positive and 10 negative images with parameters
// "1000 0.5 0.3 1": 3 positive and 3 negative repeats, 22 rows; ratings that vary by rater.
inline std::string StudyRun(const std::string& rater, int r) {
  std::vector<Row> rows;
  const auto rating = [r](int k, bool positive) {
    const int base = positive ? 3 + (k + r) % 3 : 1 + (k * 3 + r) % 3;
    return base + ((k + r) % 4 == 0 ? (positive ? -1 : 1) : 0);
  };
  for (int k = 0; k < 10; ++k) {
    if (k < 6)
      rows.push_back({"g (" + std::to_string(k) + ").ccc", rating(k, true), 700 + 91 * k + 13 * r});
    rows.push_back({"c (" + std::to_string(k) + ").ccc", rating(k, false), 1200 + 53 * k + 7 * r});
  }
  for (int k = 0; k < 3; ++k) {
    rows.push_back(
        {"g (" + std::to_string(2 * k) + ").ccc", rating(2 * k + r, true), 650 + 40 * k});
    rows.push_back({"c (" + std::to_string(3 * k) + ").ccc", rating(3 * k, false), 1100 + 70 * k});
  }
  return ResultsText(rater, rows, "1000 0.5 0.3 1");
}

}  // namespace talvex::analysis::testing
