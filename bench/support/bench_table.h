#pragma once
// Rows of the results table. Every benchmark program writes its figures as tab-separated
// rows (section, figure, median, p99, max, target, verdict); bench/run-bench.sh gathers them
// into one table.

#include <string>
#include <vector>

#include "bench_stats.h"

namespace talvex::bench {

struct Row {
  std::string section;
  std::string figure;
  std::string median;
  std::string p99;
  std::string max;
  std::string target = "-";
  std::string verdict = "-";
};

// A number with the given decimals and an optional unit: Number(1.234, 2, "ms") is "1.23 ms".
std::string Number(double value, int decimals, const std::string& unit = "");

// "met" or "MISSED".
std::string Verdict(bool met);

// A row of the median, p99 and maximum of a series in milliseconds.
Row MillisecondsRow(const std::string& section, const std::string& figure, const Summary& ms);

// Collects rows and appends them to a file (or writes them to standard output when the path
// is empty) in the table's tab-separated form.
class RowSink {
 public:
  explicit RowSink(std::string path) : path_(std::move(path)) {}
  void Add(Row row) { rows_.push_back(std::move(row)); }
  // Returns false when the file cannot be written.
  bool Write() const;

 private:
  std::string path_;
  std::vector<Row> rows_;
};

}  // namespace talvex::bench
