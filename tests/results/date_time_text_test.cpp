#include "talvex/results/date_time_text.h"

#include <gtest/gtest.h>

#include "fake_system.h"

namespace talvex::results {
namespace {

using testing::At;
using testing::DayFirstLocale;
using testing::MonthFirstLocale;

TEST(DateText, ShortDatePatterns) {
  const LocalTime day = At(2026, 12, 7, 14, 5, 9);
  LocaleValues locale = DayFirstLocale();
  EXPECT_EQ(DateText(day, locale), "07/12/2026");
  EXPECT_EQ(DateText(day, MonthFirstLocale()), "12/7/2026");
  locale.dateSeparator = ".";
  EXPECT_EQ(DateText(day, locale), "07.12.2026");
  locale.shortDatePattern = "yy/M/d";
  locale.dateSeparator = "-";
  EXPECT_EQ(DateText(At(2005, 3, 4, 0, 0, 0), locale), "05-3-4");
  locale.shortDatePattern = "";  // no pattern from the locale
  EXPECT_EQ(DateText(day, locale), "12-7-26");
}

TEST(DateText, QuotedLiteralsAndNames) {
  const LocalTime day = At(2026, 12, 7, 14, 5, 9);
  LocaleValues locale;
  locale.shortDatePattern = "yyyy/MM'\xE6\x9C\x88'dd'\xE6\x97\xA5'";
  locale.dateSeparator = "\xE5\xB9\xB4";
  EXPECT_EQ(DateText(day, locale),
            "2026\xE5\xB9\xB4"
            "12\xE6\x9C\x88"
            "07\xE6\x97\xA5");
  locale.shortDatePattern = "dddd, MMMM d, yyyy 'day''s' ddd MMM";
  EXPECT_EQ(DateText(day, locale), "Monday, December 7, 2026 day's Mon Dec");
}

TEST(TimeText, ClockForms) {
  LocaleValues locale = DayFirstLocale();
  EXPECT_EQ(TimeText(At(2026, 12, 7, 14, 5, 31), locale), "14:05:31");
  EXPECT_EQ(TimeText(At(2026, 12, 7, 8, 5, 9), locale), "08:05:09");
  locale.hourLeadingZero = false;
  EXPECT_EQ(TimeText(At(2026, 12, 7, 8, 5, 9), locale), "8:05:09");

  locale = MonthFirstLocale();
  EXPECT_EQ(TimeText(At(2026, 12, 7, 20, 27, 13), locale), "8:27:13 PM");
  EXPECT_EQ(TimeText(At(2026, 12, 7, 0, 0, 5), locale), "12:00:05 AM");
  EXPECT_EQ(TimeText(At(2026, 12, 7, 12, 30, 0), locale), "12:30:00 PM");
  locale.designatorBeforeTime = true;
  locale.hourLeadingZero = true;
  EXPECT_EQ(TimeText(At(2026, 12, 7, 9, 1, 2), locale), "AM 09:01:02");
  locale.amDesignator = "";
  EXPECT_EQ(TimeText(At(2026, 12, 7, 9, 1, 2), locale), "09:01:02");
}

}  // namespace
}  // namespace talvex::results
