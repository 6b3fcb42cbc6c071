#include "talvex/results/results_format.h"

#include <gtest/gtest.h>

namespace talvex::results {
namespace {

TEST(ResultsFormat, ShapeIsAParameterLineAndTheHeaderEachEndingInCrLf) {
  const std::string header = kHeaderLine;
  EXPECT_TRUE(HasResultsShape(FirstLines("5000 0 0 0") + "k4T19\t..."));
  EXPECT_TRUE(HasResultsShape("\r\n" + header + "\r\n"));
  for (const std::string& text :
       {std::string(), "5000 0 0 0\n" + header + "\r\n", "5000 0 0 0\r\n" + header + "\n",
        "5000 0 0 0\r\n" + header, "5000\n0\r\n" + header + "\r\n",
        std::string("5000 0 0 0\r\nname\tdate\r\n")}) {
    EXPECT_FALSE(HasResultsShape(text)) << text;
  }
}

TEST(ResultsFormat, TextThatIsNotUtf8IsReadAsWindows1252) {
  std::string converted;
  // UTF-8 stays as it is, untouched.
  const std::string utf8 = "J\xC3\xBCrgen\t\xE2\x82\xAC";
  EXPECT_EQ(ResultsTextAsUtf8(utf8, converted).data(), utf8.data());
  // A Windows file: u-umlaut, the euro sign at 0x80, and 0x81, which Windows-1252 leaves
  // unassigned.
  EXPECT_EQ(ResultsTextAsUtf8("J\xFCrgen\t\x80\x81", converted),
            "J\xC3\xBCrgen\t\xE2\x82\xAC\xEF\xBF\xBD");
}

}  // namespace
}  // namespace talvex::results
