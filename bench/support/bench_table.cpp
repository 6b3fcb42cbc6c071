#include "bench_table.h"

#include <cstdio>
#include <fstream>
#include <iostream>

namespace talvex::bench {

std::string Number(double value, int decimals, const std::string& unit) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return unit.empty() ? std::string(text) : std::string(text) + " " + unit;
}

std::string Verdict(bool met) {
  return met ? "met" : "MISSED";
}

Row MillisecondsRow(const std::string& section, const std::string& figure, const Summary& ms) {
  Row row;
  row.section = section;
  row.figure = figure;
  row.median = Number(ms.median, 2, "ms");
  row.p99 = Number(ms.p99, 2, "ms");
  row.max = Number(ms.max, 2, "ms");
  return row;
}

bool RowSink::Write() const {
  std::ofstream file;
  if (!path_.empty()) {
    file.open(path_, std::ios::app);
    if (!file) return false;
  }
  std::ostream& out = path_.empty() ? std::cout : file;
  for (const Row& row : rows_) {
    out << row.section << '\t' << row.figure << '\t' << row.median << '\t' << row.p99 << '\t'
        << row.max << '\t' << row.target << '\t' << row.verdict << '\n';
  }
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace talvex::bench
