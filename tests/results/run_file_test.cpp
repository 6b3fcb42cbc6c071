#include "talvex/results/run_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include "file_hazards.h"
#endif
#include "scratch_folder.h"
#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"

namespace talvex::results {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

RunPlan Plan() {
  RunPlan plan;
  plan.raterId = "k4T19";
  plan.paramLine = "10000 0.1 0.3 1 (by default)";
  plan.imageSet = ImageSetFingerprint({"RESOURCES_BLANK_BMP", "RESOURCES_POS_G__0__BMP"});
  plan.started = LocalTime{2026, 12, 7, 14, 5, 9, 512};
  plan.posPool = {"RESOURCES_POS_G__0__BMP", "RESOURCES_POS_G__1__BMP", "RESOURCES_POS_G__0__BMP"};
  plan.negPool = {"RESOURCES_NEG_C__3__BMP"};
  return plan;
}

// The plan read back is the plan written, its start to the second.
void ExpectSamePlan(const RunPlan& read, const RunPlan& b) {
  const RunPlan& a = read;
  LocalTime started = b.started;
  started.millisecond = 0;
  EXPECT_EQ(a.raterId, b.raterId);
  EXPECT_EQ(a.paramLine, b.paramLine);
  EXPECT_EQ(a.imageSet, b.imageSet);
  EXPECT_EQ(ToTimeStamp(a.started), ToTimeStamp(started));
  EXPECT_EQ(a.posPool, b.posPool);
  EXPECT_EQ(a.negPool, b.negPool);
}

// A run file's text up to its check line, with a check line that fits it.
std::string WithCheck(const std::string& body) {
  return body + "check\t" + imagestore::Md5Hex(body) + "\r\n";
}

const std::string kBody =
    "Talvex run 1\r\nrater\tk4T19\r\nparameters\t5000 0 0 0\r\nimage set\tab12\r\n"
    "started\t2026-12-07 14:05:09\r\npositive\t1\r\nRESOURCES_POS_G__0__BMP\r\n"
    "negative\t0\r\n";

TEST(RunFile, NamedAfterItsResultsFile) {
  EXPECT_EQ(MakeRunFilePath("/r/k4T19 07122026 1405 (2).xls"), "/r/k4T19 07122026 1405 (2).run");
  EXPECT_EQ(MakeRunFilePath("/r/a.XLS"), "/r/a.run");
  EXPECT_EQ(MakeRunFilePath("/r/a.xls.b"), "/r/a.xls.b.run");  // never the results file itself
  EXPECT_TRUE(IsRunFileName("k4T19 07122026 1405.run"));
  EXPECT_TRUE(IsRunFileName("a.RUN"));
  EXPECT_FALSE(IsRunFileName(".run"));
  EXPECT_FALSE(IsRunFileName("a.run.xls"));
}

TEST(RunFile, ImageSetFingerprintTellsNamesAndTheirOrderApart) {
  const std::string set = ImageSetFingerprint({"A", "B"});
  EXPECT_EQ(set.size(), 32u);
  EXPECT_EQ(ImageSetFingerprint({"A", "B"}), set);
  EXPECT_NE(ImageSetFingerprint({"B", "A"}), set);
  EXPECT_NE(ImageSetFingerprint({"AB"}), set);
  EXPECT_NE(ImageSetFingerprint({"A", "B", "C"}), set);
}

TEST(RunFile, TextReadsBackAsThePlan) {
  RunPlan blanks = Plan();
  blanks.raterId = " k4 T19 \xC3\xA9";  // blanks and UTF-8 kept
  blanks.paramLine = "5000 0 0 0";
  RunPlan empty = Plan();
  empty.posPool.clear();
  empty.negPool.clear();
  for (const RunPlan& plan : {Plan(), blanks, empty}) {
    const std::string text = FormatRunFile(plan);
    const std::optional<RunPlan> read = ParseRunFile(text);
    ASSERT_TRUE(read.has_value()) << text;
    ExpectSamePlan(*read, plan);
  }
  // The file as a study coordinator opens it.
  const std::string start =
      "Talvex run 1\r\nrater\tk4T19\r\nparameters\t10000 0.1 0.3 1 (by default)\r\n"
      "image set\t" +
      Plan().imageSet +
      "\r\nstarted\t2026-12-07 14:05:09\r\n"
      "positive\t3\r\nRESOURCES_POS_G__0__BMP\r\nRESOURCES_POS_G__1__BMP\r\n"
      "RESOURCES_POS_G__0__BMP\r\nnegative\t1\r\nRESOURCES_NEG_C__3__BMP\r\n";
  EXPECT_EQ(FormatRunFile(Plan()), WithCheck(start));
}

TEST(RunFile, AnyChangedOrMissingByteIsRefused) {
  const std::string text = FormatRunFile(Plan());
  ASSERT_TRUE(ParseRunFile(text).has_value());
  for (size_t i = 0; i < text.size(); ++i) {
    std::string changed = text;
    changed[i] = static_cast<char>(changed[i] ^ 0x04);
    EXPECT_FALSE(ParseRunFile(changed).has_value()) << "byte " << i;
    EXPECT_FALSE(ParseRunFile(text.substr(0, i)).has_value()) << "cut at " << i;
  }
  EXPECT_FALSE(ParseRunFile(text + "\r\n").has_value());
}

TEST(RunFile, ShapeIsCheckedEvenUnderAFittingCheckValue) {
  ASSERT_TRUE(ParseRunFile(WithCheck(kBody)).has_value());
  auto replaced = [](const std::string& from, const std::string& to) {
    std::string body = kBody;
    body.replace(body.find(from), from.size(), to);
    return WithCheck(body);
  };
  const std::string forged[] = {
      replaced("Talvex run 1", "Talvex run 2"),
      replaced("positive\t1", "positive\t2"),   // more names than lines
      replaced("positive\t1", "positive\t+1"),  // counts are plain digits
      replaced("negative\t0", "negative\t"),    // no count
      replaced("positive\t1\r\nRESOURCES_POS_G__0__BMP", "positive\t1\r\n"),  // an empty name
      replaced("2026-12-07", "2026-13-07"),                                   // no such month
      replaced("14:05:09", "24:05:09"),                                       // no such hour
      replaced("rater\t", "rater "),  // key and value apart by TAB only
      replaced("\r\n", "\n"),         // LF alone ends no line
      kBody + "check\t" + imagestore::Md5Hex(kBody) + "\r\nextra\r\n",
      kBody + "check\t" + imagestore::Md5Hex(kBody),  // the last line unended
  };
  for (const std::string& text : forged) {
    EXPECT_FALSE(ParseRunFile(text).has_value()) << text;
  }
}

TEST(RunFile, WrittenWholeUnderItsNameAndNeverOverAnotherFile) {
  ScratchFolder folder;
  const std::string path = folder / "k4T19 07122026 1405.run";
  WriteRunFile(path, Plan());
  EXPECT_EQ(ReadBytes(path), FormatRunFile(Plan()));
  EXPECT_EQ(testing::EntryCount(folder.Path()), 1u);  // no temporary file left

  // A file already there stays; the error names the path; nothing is left behind.
  WriteBytes(folder / "taken.run", "another run's");
  try {
    WriteRunFile(folder / "taken.run", Plan());
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& error) {
    EXPECT_NE(std::string(error.what()).find(folder / "taken.run"), std::string::npos);
  }
  EXPECT_EQ(ReadBytes(folder / "taken.run"), "another run's");
  EXPECT_THROW(WriteRunFile(folder / "missing/a.run", Plan()), EInOutError);
  // A value with a line break, or an empty name, would not read back as written.
  RunPlan id = Plan();
  id.raterId = "a\nb";
  RunPlan name = Plan();
  name.negPool.push_back("RESOURCES_NEG_C__1\r__BMP");
  RunPlan empty = Plan();
  empty.posPool.push_back("");
  for (const RunPlan& plan : {id, name, empty}) {
    EXPECT_EQ(FormatRunFile(plan), "");
    EXPECT_THROW(WriteRunFile(folder / "b.run", plan), EInOutError);
  }
  EXPECT_EQ(testing::EntryCount(folder.Path()), 2u);
}

TEST(RunFile, SmallFilesAreReadWholeAndNothingElse) {
  ScratchFolder folder;
  WriteBytes(folder / "ten", "0123456789");
  EXPECT_EQ(ReadSmallFile(folder / "ten", 10), "0123456789");
  EXPECT_EQ(ReadSmallFile(folder / "ten", 9), std::nullopt);
  EXPECT_EQ(ReadSmallFile(folder / "missing", 10), std::nullopt);
  EXPECT_EQ(ReadSmallFile(folder.Path(), 10), std::nullopt);
#ifndef _WIN32                     // pipes
  testing::Watchdog watchdog(20);  // a pipe must be refused, not waited on
  ASSERT_TRUE(testing::MakePipe(folder / "pipe"));
  EXPECT_EQ(ReadSmallFile(folder / "pipe", 10), std::nullopt);
#endif
}

}  // namespace
}  // namespace talvex::results
