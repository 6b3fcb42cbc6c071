#pragma once
// Texts of numbers and names for every output: the same bytes on every machine, no NaN, no
// negative zero, names from results files made valid UTF-8.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::analysis {

// A number with a fixed count of decimals ("-0.000" is written "0.000"); "-" for a value that
// is not finite (never expected, never "nan").
std::string Fixed(double value, int decimals);
// Fixed, or "-" when there is no value.
std::string Fixed(const std::optional<double>& value, int decimals);

// A text from a results file for display: kept when it is valid UTF-8, else read byte by byte
// as Windows-1252 (the code page of most raters' machines); control characters become "?".
std::string DisplayText(std::string_view bytes);

// The number of characters (code points) of a UTF-8 text.
size_t DisplayWidth(std::string_view utf8);

// A UTF-8 text cut to at most width characters, "~" marking a cut; padded with blanks on the
// right (left-aligned) or the left.
std::string Column(std::string_view utf8, size_t width, bool alignLeft);

// A count with its noun: "1 run", "2 runs".
std::string Counted(size_t count, const char* one, const char* many);

// A number with the given count of significant digits, as printf's %g writes it ("-0" is
// written "0"); "-" for a value that is not finite.
std::string Significant(double value, int digits);

// A CSV field: quoted when it holds a comma, a quote or a line break (quotes doubled).
std::string CsvField(std::string_view text);

// A text cell that a spreadsheet would take for a formula (a first character of =, +, -, @,
// TAB or CR, unless the whole cell is a number) with a ' put before it, so that it shows as
// text; any other text as it is.
std::string SpreadsheetText(std::string_view text);

// One CSV line (LF-ended) from its fields, each made displayable, kept from being read as a
// formula by a spreadsheet, and quoted as needed.
std::string CsvLine(const std::vector<std::string_view>& fields);

// A number for the CSV files: enough significant digits (10) that standard errors and degrees
// of freedom can be recomputed from the tables' mean squares and covariances.
std::string CsvNumber(double value);

// A text for XML content and attribute values: &, <, >, " and ' escaped.
std::string XmlEscaped(std::string_view text);

}  // namespace talvex::analysis
