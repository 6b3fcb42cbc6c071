#include "talvex/platform/posix_locale.h"

#include <gtest/gtest.h>

namespace talvex::platform {
namespace {

LanginfoTexts Texts(const std::string& date, const std::string& time,
                    const std::string& ampm = "%I:%M:%S %p", const std::string& am = "AM",
                    const std::string& pm = "PM", const std::string& radix = ".") {
  return LanginfoTexts{date, time, ampm, am, pm, radix};
}

TEST(LocaleTranslation, TheCLocale) {
  const LocaleValues values = TranslateLocale(Texts("%m/%d/%y", "%H:%M:%S"));
  EXPECT_EQ(values.shortDatePattern, "MM/dd/yy");
  EXPECT_EQ(values.dateSeparator, "/");
  EXPECT_EQ(values.timeSeparator, ":");
  EXPECT_TRUE(values.twentyFourHour);
  EXPECT_TRUE(values.hourLeadingZero);
  EXPECT_EQ(values.amDesignator, "AM");
  EXPECT_EQ(values.decimalSeparator, '.');
}

TEST(LocaleTranslation, DateSeparatorBecomesTheSlash) {
  const LocaleValues values = TranslateLocale(Texts("%d.%m.%Y", "%T", "", "", "", ","));
  EXPECT_EQ(values.shortDatePattern, "dd/MM/yyyy");
  EXPECT_EQ(values.dateSeparator, ".");
  EXPECT_TRUE(values.twentyFourHour);
  EXPECT_EQ(values.decimalSeparator, ',');
  EXPECT_EQ(TranslateLocale(Texts("%F", "%T")).shortDatePattern, "yyyy/MM/dd");
  EXPECT_EQ(TranslateLocale(Texts("%F", "%T")).dateSeparator, "-");
}

TEST(LocaleTranslation, UnpaddedFieldsLoseTheirLeadingZero) {
  EXPECT_EQ(TranslateLocale(Texts("%e/%-m/%Y", "%T")).shortDatePattern, "d/M/yyyy");
  const LocaleValues twelve = TranslateLocale(Texts("%D", "%l:%M:%S %p"));
  EXPECT_EQ(twelve.shortDatePattern, "MM/dd/yy");
  EXPECT_FALSE(twelve.twentyFourHour);
  EXPECT_FALSE(twelve.hourLeadingZero);
  const LocaleValues twentyFour = TranslateLocale(Texts("%D", "%-H.%M.%S"));
  EXPECT_TRUE(twentyFour.twentyFourHour);
  EXPECT_FALSE(twentyFour.hourLeadingZero);
  EXPECT_EQ(twentyFour.timeSeparator, ".");
}

TEST(LocaleTranslation, TwelveHourClockFromTheAmPmFormat) {
  const LocaleValues values = TranslateLocale(Texts("%m/%d/%Y", "%r", "%I:%M:%S %p"));
  EXPECT_FALSE(values.twentyFourHour);
  EXPECT_TRUE(values.hourLeadingZero);
  EXPECT_FALSE(values.designatorBeforeTime);
  const LocaleValues before = TranslateLocale(Texts("%Y/%m/%d", "%p %I:%M:%S"));
  EXPECT_TRUE(before.designatorBeforeTime);
}

TEST(LocaleTranslation, OtherLiteralsAreQuoted) {
  const LocaleValues values =
      TranslateLocale(Texts("%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "%T"));
  EXPECT_EQ(values.dateSeparator, "\xE5\xB9\xB4");
  EXPECT_EQ(values.shortDatePattern, "yyyy/MM'\xE6\x9C\x88'dd'\xE6\x97\xA5'");
  EXPECT_EQ(TranslateLocale(Texts("%d/%m/%Y's", "%T")).shortDatePattern, "dd/MM/yyyy'''s'");
}

TEST(LocaleTranslation, DegenerateFormatsKeepDefaults) {
  const LocaleValues values = TranslateLocale(Texts("", "", "", "", "", "\xD9\xAB"));
  EXPECT_EQ(values.dateSeparator, "/");
  EXPECT_TRUE(values.twentyFourHour);
  EXPECT_EQ(values.timeSeparator, ":");
  EXPECT_EQ(values.decimalSeparator, '.');  // a multi-byte separator has no one-byte form
}

TEST(LocaleTranslation, InstalledCLocales) {
  for (const char* name : {"C", "C.UTF-8"}) {
    LanginfoTexts texts;
    if (!NamedLanginfo(name, texts)) continue;
    const LocaleValues values = TranslateLocale(texts);
    EXPECT_EQ(values.shortDatePattern, "MM/dd/yy") << name;
    EXPECT_TRUE(values.twentyFourHour) << name;
    EXPECT_TRUE(values.hourLeadingZero) << name;
    EXPECT_EQ(values.decimalSeparator, '.') << name;
  }
  LanginfoTexts unused;
  EXPECT_FALSE(NamedLanginfo("xx_NOWHERE.UTF-8", unused));
}

}  // namespace
}  // namespace talvex::platform
