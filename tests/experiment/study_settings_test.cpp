// The study's settings: the settings file as a study team writes it, and the settings a
// program reads from what is stamped into it.

#include "talvex/experiment/study_settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "talvex/experiment/window_layout.h"
#include "talvex/pack/resource_image_writer.h"
#include "talvex/pack/stamp.h"

namespace talvex::experiment {
namespace {

// A complete settings text; the lines of each case are added to it or replace its own.
const std::string kComplete =
    "instructions_page = https://study.example/instructions\n"
    "video_page = https://study.example/video\n"
    "institution1 = Research Group, University, Country\n"
    "institution1_page = https://group.example\n"
    "institution2 = Department, University, Country\n"
    "institution2_page = http://department.example/a#b\n"
    "authors = A. B. One;C. Two ; D. Three;E. F. Four;G. Five\n"
    "webserver_name = H. Six\n"
    "webserver_town = Town\n"
    "thanks = P. One; P. Two; P. Three; P. Four; P. Five; P. Six; P. Seven\n"
    "clinic = Glaucoma\n"
    "hospital = City Hospital\n";

std::string Without(const std::string& key) {
  std::string text = kComplete;
  const size_t at = text.find(key + " = ");
  return text.erase(at, text.find('\n', at) + 1 - at);
}

std::string ErrorOf(const std::string& text) {
  try {
    ParseStudySettings(text, "s.txt");
  } catch (const EStudySettingsError& e) {
    return e.what();
  }
  return "no error";
}

TEST(StudySettings, CompleteFileGivesEveryTextAndLine) {
  StudySettings defaults = BuiltStudySettings();
  defaults.resume = {false, 99};
  const StudySettings s = ParseStudySettings(kComplete, "s.txt", defaults);
  EXPECT_EQ(s.instructionsPage, "https://study.example/instructions");
  EXPECT_EQ(s.institution2Page, "http://department.example/a#b");  // "#" inside a value stays
  EXPECT_EQ(s.AuthorLine(), "A. B. One, C. Two, D. Three, E. F. Four, G. Five");
  EXPECT_EQ(s.WebServerLine(), "webserver implemented by H. Six, Town");
  EXPECT_EQ(s.thanked[6], "P. Seven");
  EXPECT_EQ(s.ClinicLine(), "and the patients of the Glaucoma clinic");
  EXPECT_EQ(s.HospitalLine(), "at the City Hospital.");
  // The optional keys keep the program's own values when left out...
  EXPECT_FALSE(s.resume.enabled);
  EXPECT_EQ(s.resume.maxAgeHours, 99);
  // ...and take the file's when given; a byte order mark, CR LF, notes, blank lines, spaces
  // and tabs around keys and values are all as Notepad may save them.
  std::string windows =
      "\xEF\xBB\xBF# notes\r\n\r\n\t resume\t=  Yes \r\nresume_max_age_hours = 48\r\n";
  for (char c : kComplete) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const StudySettings w = ParseStudySettings(windows, "s.txt", defaults);
  EXPECT_TRUE(w.resume.enabled);
  EXPECT_EQ(w.resume.maxAgeHours, 48);
  EXPECT_EQ(w.hospital, "City Hospital");
}

#ifdef TALVEX_SETTINGS_TEMPLATE
TEST(StudySettings, ShippedTemplateIsAValidFileWithEveryKey) {
  std::ifstream in(TALVEX_SETTINGS_TEMPLATE, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty());
  StudySettings defaults = BuiltStudySettings();
  defaults.resume = {false, 99};
  const StudySettings s = ParseStudySettings(text, "template", defaults);
  EXPECT_TRUE(s.resume.enabled);
  EXPECT_EQ(s.resume.maxAgeHours, 24);
  EXPECT_EQ(s.authors.size(), 5u);
}
#endif

TEST(StudySettings, FaultsAreNamedWithTheirLine) {
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {kComplete + "colour = blue\n",
       "s.txt:13: unknown key \"colour\" (the template lists every key)"},
      {kComplete + "# note\nclinic = Eye\n",
       "s.txt:14: \"clinic\" is given again (first on line 11)"},
      {kComplete + "just text\n", "s.txt:13: not a line of the form key = value"},
      {kComplete + "resume =\n", "s.txt:13: \"resume\" has no value"},
      {kComplete + "resume = maybe\n", "s.txt:13: \"resume\" must be yes or no"},
      {kComplete + "resume_max_age_hours = 8761\n",
       "s.txt:13: \"resume_max_age_hours\" must be a whole number of hours from 1 to 8760"},
      {kComplete + "resume_max_age_hours = 0\n",
       "s.txt:13: \"resume_max_age_hours\" must be a whole number of hours from 1 to 8760"},
      {"video_page = www.example.org\n" + Without("video_page"),
       "s.txt:1: \"video_page\" must be a web address beginning with http:// or https://"},
      {"video_page = https://a b\n" + Without("video_page"),
       "s.txt:1: \"video_page\" must be a web address beginning with http:// or https://"},
      {"thanks = A; B; C; D; E; F\n" + Without("thanks"),
       "s.txt:1: \"thanks\" names 6 persons; the About window lists exactly seven"},
      {"authors = A;;B\n" + Without("authors"),
       "s.txt:1: \"authors\" has an empty name between its \";\""},
      {"clinic = \xE9il\n" + Without("clinic"), "s.txt:1: not UTF-8 text; save the file as UTF-8"},
      {"clinic = a\x01z\n" + Without("clinic"), "s.txt:1: \"clinic\" holds a control character"},
      {Without("hospital"),
       "s.txt: no line \"hospital = ...\"; every key of the template but resume and "
       "resume_max_age_hours is required"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
  EXPECT_EQ(ErrorOf("clinic = Auge \xC3\xA4\n" + Without("clinic")), "no error");
}

TEST(StudySettings, ProgramReadsStampedSettingsElseItsOwn) {
  const std::string stamped = kComplete + "resume = no\n";
  const std::vector<uint8_t> withSettings =
      pack::WriteResourceImage({pack::StudySettingsResource(stamped)});
  const StudySettings read = ReadStudySettings(
      imagestore::ImageSource::InMemory({withSettings.data(), withSettings.size()}));
  EXPECT_EQ(read.institution1, "Research Group, University, Country");
  EXPECT_FALSE(read.resume.enabled);
  EXPECT_EQ(read.resume.maxAgeHours, BuiltStudySettings().resume.maxAgeHours);

  // Without stamped settings, or without a program file to read, the built ones.
  const std::vector<uint8_t> without = pack::WriteResourceImage({pack::Resource{
      pack::ResourceId::Named(u"BINARY"), pack::ResourceId::Named(u"X"), 0x409, {1, 2, 3}}});
  EXPECT_EQ(ReadStudySettings(imagestore::ImageSource::InMemory({without.data(), without.size()}))
                .videoPage,
            BuiltStudySettings().videoPage);
  EXPECT_EQ(ReadStudySettings(imagestore::ImageSource::ProgramFile("/nonexistent")).clinic,
            BuiltStudySettings().clinic);

  // Settings that do not parse stop the program with the reason.
  const std::vector<uint8_t> bad =
      pack::WriteResourceImage({pack::StudySettingsResource("clinic = Eye\n")});
  try {
    ReadStudySettings(imagestore::ImageSource::InMemory({bad.data(), bad.size()}));
    ADD_FAILURE() << "no error";
  } catch (const EStudySettingsError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("the study settings stamped into the program: ", 0), 0u)
        << e.what();
  }
}

TEST(AboutLayout, StudysTextsAndAddressesGoToTheirControls) {
  const StudySettings s = ParseStudySettings(kComplete, "s.txt");
  const TAboutLayout about(s);
  const WindowLayout& layout = about.Layout();
  EXPECT_STREQ(layout.Control("Label11").text, "A. B. One, C. Two, D. Three, E. F. Four, G. Five");
  EXPECT_STREQ(layout.Control("Label12").text, "Research Group, University, Country");
  EXPECT_STREQ(layout.Control("Label12").address, "https://group.example");
  EXPECT_STREQ(layout.Control("Label13").address, "http://department.example/a#b");
  EXPECT_STREQ(layout.Control("Label14").text, "P. One");  // the first of seven, top to bottom
  EXPECT_STREQ(layout.Control("Label5").text, "P. Seven");
  EXPECT_STREQ(layout.Control("Label4").text, "at the City Hospital.");
  EXPECT_STREQ(layout.Control("Label6").text, "Talvex");
  // Every control of the designed table, in its order, each in its designed place.
  ASSERT_EQ(layout.controlCount, Form2Layout().controlCount);
  for (size_t i = 0; i < layout.controlCount; ++i) {
    EXPECT_STREQ(layout.controls[i].name, Form2Layout().controls[i].name);
    EXPECT_EQ(layout.controls[i].top, Form2Layout().controls[i].top);
  }
}

}  // namespace
}  // namespace talvex::experiment
