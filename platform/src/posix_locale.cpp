#include "talvex/platform/posix_locale.h"

#include <langinfo.h>
#include <locale.h>

#include <vector>

namespace talvex::platform {
namespace {

// One piece of a strftime format: a conversion (with its padding flag) or literal text.
struct FormatPiece {
  bool isConversion = false;
  char conversion = 0;
  char flag = 0;  // '-', '_', '0' or 0
  std::string literal;
};

std::string ExpandComposites(const std::string& format, const std::string& ampmFormat) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      out += format[i];
      continue;
    }
    const char next = format[i + 1];
    if (next == 'D') {
      out += "%m/%d/%y";
    } else if (next == 'F') {
      out += "%Y-%m-%d";
    } else if (next == 'T') {
      out += "%H:%M:%S";
    } else if (next == 'R') {
      out += "%H:%M";
    } else if (next == 'r') {
      // T_FMT_AMPM may itself be written with composites, but never with "%r".
      out += ExpandComposites(ampmFormat.empty() ? "%I:%M:%S %p" : ampmFormat, "");
    } else {
      out += format.substr(i, 2);
    }
    ++i;
  }
  return out;
}

std::vector<FormatPiece> SplitFormat(const std::string& format) {
  std::vector<FormatPiece> pieces;
  auto addLiteral = [&pieces](char c) {
    if (pieces.empty() || pieces.back().isConversion) pieces.emplace_back();
    pieces.back().literal += c;
  };
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      addLiteral(format[i]);
      continue;
    }
    size_t j = i + 1;
    char flag = 0;
    while (j < format.size() && (format[j] == '-' || format[j] == '_' || format[j] == '0' ||
                                 format[j] == '^' || format[j] == '#')) {
      if (format[j] != '^' && format[j] != '#') flag = format[j];
      ++j;
    }
    while (j < format.size() && format[j] >= '1' && format[j] <= '9') ++j;  // field width
    if (j < format.size() && (format[j] == 'E' || format[j] == 'O')) ++j;   // alternative forms
    if (j >= format.size()) break;
    if (format[j] == '%') {
      addLiteral('%');
    } else {
      FormatPiece piece;
      piece.isConversion = true;
      piece.conversion = format[j];
      piece.flag = flag;
      pieces.push_back(piece);
    }
    i = j;
  }
  return pieces;
}

// The date-pattern token of a strftime conversion; "" for one the pattern cannot express.
std::string DateToken(const FormatPiece& piece) {
  const bool unpadded = piece.flag == '-' || piece.flag == '_';
  switch (piece.conversion) {
    case 'd':
      return unpadded ? "d" : "dd";
    case 'e':
      return piece.flag == '0' ? "dd" : "d";
    case 'm':
      return unpadded ? "M" : "MM";
    case 'y':
      return "yy";
    case 'Y':
    case 'G':
      return "yyyy";
    case 'b':
    case 'h':
      return "MMM";
    case 'B':
      return "MMMM";
    case 'a':
      return "ddd";
    case 'A':
      return "dddd";
    default:
      return "";
  }
}

std::string Quoted(const std::string& literal) {
  std::string out = "'";
  for (const char c : literal) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

void TranslateDate(const std::string& dateFormat, LocaleValues& values) {
  const std::vector<FormatPiece> pieces = SplitFormat(ExpandComposites(dateFormat, ""));
  // The date separator is the text between the first two fields.
  std::string separator;
  for (size_t i = 1; i + 1 < pieces.size(); ++i) {
    if (!pieces[i].isConversion && pieces[i - 1].isConversion && pieces[i + 1].isConversion) {
      separator = pieces[i].literal;
      break;
    }
  }
  std::string pattern;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const FormatPiece& piece = pieces[i];
    if (piece.isConversion) {
      pattern += DateToken(piece);
    } else if (!separator.empty() && piece.literal == separator && i > 0 && i + 1 < pieces.size()) {
      pattern += '/';
    } else {
      pattern += Quoted(piece.literal);
    }
  }
  values.shortDatePattern = pattern;
  values.dateSeparator = separator.empty() ? "/" : separator;
}

void TranslateTime(const std::string& timeFormat, const std::string& ampmFormat,
                   LocaleValues& values) {
  const std::vector<FormatPiece> pieces =
      SplitFormat(ExpandComposites(timeFormat.empty() ? "%H:%M:%S" : timeFormat, ampmFormat));
  size_t hourIndex = pieces.size();
  for (size_t i = 0; i < pieces.size(); ++i) {
    const char c = pieces[i].conversion;
    if (pieces[i].isConversion && (c == 'H' || c == 'k' || c == 'I' || c == 'l')) {
      hourIndex = i;
      break;
    }
  }
  if (hourIndex == pieces.size()) {
    values.twentyFourHour = true;
    values.hourLeadingZero = true;
    values.timeSeparator = ":";
    return;
  }
  const FormatPiece& hour = pieces[hourIndex];
  values.twentyFourHour = hour.conversion == 'H' || hour.conversion == 'k';
  const bool naturallyPadded = hour.conversion == 'H' || hour.conversion == 'I';
  values.hourLeadingZero =
      hour.flag == '0' || (naturallyPadded && hour.flag != '-' && hour.flag != '_');
  values.timeSeparator = ":";
  if (hourIndex + 2 < pieces.size() && !pieces[hourIndex + 1].isConversion &&
      pieces[hourIndex + 2].isConversion) {
    values.timeSeparator = pieces[hourIndex + 1].literal;
  }
  values.designatorBeforeTime = false;
  for (size_t i = 0; i < hourIndex; ++i) {
    if (pieces[i].isConversion && (pieces[i].conversion == 'p' || pieces[i].conversion == 'P')) {
      values.designatorBeforeTime = true;
    }
  }
}

LanginfoTexts ReadTexts(locale_t locale) {
  auto text = [locale](nl_item item) {
    const char* value =
        locale != static_cast<locale_t>(nullptr) ? nl_langinfo_l(item, locale) : nl_langinfo(item);
    return std::string(value != nullptr ? value : "");
  };
  LanginfoTexts texts;
  texts.dateFormat = text(D_FMT);
  texts.timeFormat = text(T_FMT);
  texts.timeFormatAmPm = text(T_FMT_AMPM);
  texts.amText = text(AM_STR);
  texts.pmText = text(PM_STR);
  texts.radix = text(RADIXCHAR);
  return texts;
}

}  // namespace

LocaleValues TranslateLocale(const LanginfoTexts& texts) {
  LocaleValues values;
  TranslateDate(texts.dateFormat, values);
  TranslateTime(texts.timeFormat, texts.timeFormatAmPm, values);
  values.amDesignator = texts.amText;
  values.pmDesignator = texts.pmText;
  // A separator of more than one byte (a multi-byte character) has no single-character form.
  values.decimalSeparator = texts.radix.size() == 1 ? texts.radix[0] : '.';
  return values;
}

LanginfoTexts CurrentLanginfo() {
  return ReadTexts(static_cast<locale_t>(nullptr));
}

bool NamedLanginfo(const std::string& localeName, LanginfoTexts& texts) {
  const locale_t locale =
      newlocale(LC_ALL_MASK, localeName.c_str(), static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return false;
  texts = ReadTexts(locale);
  freelocale(locale);
  return true;
}

}  // namespace talvex::platform
