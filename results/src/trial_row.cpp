#include "talvex/results/trial_row.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "talvex/exception.h"
#include "talvex/results/date_time_text.h"
#include "talvex/results/io_errors.h"
#include "talvex/results/rater_id.h"
#include "talvex/results/results_format.h"

namespace talvex::results {
namespace {

// The locale's texts that the results file's character set holds; any other is replaced by
// the default locale's, so that the row still says when it was written.
LocaleValues WritableLocale(System& system) {
  LocaleValues locale = system.Locale();
  const LocaleValues defaults;
  const std::pair<std::string*, const std::string*> texts[] = {
      {&locale.shortDatePattern, &defaults.shortDatePattern},
      {&locale.dateSeparator, &defaults.dateSeparator},
      {&locale.timeSeparator, &defaults.timeSeparator},
      {&locale.amDesignator, &defaults.amDesignator},
      {&locale.pmDesignator, &defaults.pmDesignator}};
  for (const auto& [text, fallback] : texts) {
    if (!system.FileText(*text)) *text = *fallback;
  }
  return locale;
}

}  // namespace

void AppendTrialRow(System& system, const ResultsFile& results, const TrialRow& row) {
  const LocalTime now = system.LocalNow();
  const LocaleValues locale = WritableLocale(system);
  const std::string date = DateText(now, locale);
  const std::string time = TimeText(now, locale);
  const std::string_view image(row.imageName);
  const size_t tab = image.find(kColumnSeparator);
  ResultsRow values;
  values.name = row.raterId;
  values.date = date;
  values.time = time;
  values.trial = row.trialCount;
  values.status = image.substr(0, tab);
  values.image = tab == std::string_view::npos ? std::string_view() : image.substr(tab + 1);
  values.response = row.response;
  values.latency = row.latency;
  // GetName refused an ID the file cannot hold; a '?' must never stand in for a character.
  const std::optional<std::string> text = system.FileText(FormatRow(values));
  if (!text) throw Exception(kUnwritableIdMessage);

  platform::File file;
  platform::FileStatus status = file.OpenSameFileForAppend(results.path, results.identity);
  uint64_t sizeBefore = 0;
  if (status.Ok()) status = file.Size(sizeBefore);
  if (!status.Ok()) RaiseIoError(status, results.path);
  status = file.WriteAll(text->data(), text->size());
  if (status.Ok()) status = file.Sync();
  if (!status.Ok()) {
    // The file keeps whole lines only: a part row would run into the next one.
    file.Truncate(sizeBefore);
    RaiseIoError(status, results.path);
  }
  status = file.Close();
  if (!status.Ok()) RaiseIoError(status, results.path);
}

}  // namespace talvex::results
