#include "form2.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "app_test_support.h"
#include "picture_area.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/pack/stamp.h"

namespace talvex::app {
namespace {

struct Form2Fixture : ::testing::Test {
  test::RecordingSystem system;
  std::shared_ptr<int> loads = std::make_shared<int>(0);

  std::unique_ptr<TForm2> MakeForm(bool failingLoader = false) {
    return std::make_unique<TForm2>(system,
                                    std::make_unique<test::GeneratedLoader>(loads, failingLoader));
  }
  static QLabel* Label(TForm2& form, const char* name) {
    auto* label = form.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label;
  }
  static TPictureArea* Picture(TForm2& form) {
    return form.findChild<TPictureArea*>(QStringLiteral("Image1"));
  }
};

// Places, sizes, texts and fonts from the layout table are checked in form_layout_test.cpp.
TEST_F(Form2Fixture, CreatedHidden) {
  auto form = MakeForm();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(Form2Fixture, TextsAndTheirForms) {
  auto form = MakeForm();
  EXPECT_EQ(Label(*form, "Label6")->text(), "Talvex");
  EXPECT_EQ(Label(*form, "Label6")->font().pointSize(), 20);
  EXPECT_EQ(Label(*form, "Label7")->text(), "version 2010");
  EXPECT_EQ(Label(*form, "Label17")->text(), "software created by");
  EXPECT_EQ(Label(*form, "Label15")->text(), "with special thanks to");
  // Five authors joined by a comma and a space.
  EXPECT_EQ(Label(*form, "Label11")->text().split(", ").size(), 5);
  EXPECT_TRUE(Label(*form, "Label16")->text().startsWith("webserver implemented by "));
  EXPECT_TRUE(Label(*form, "Label3")->text().startsWith("and the patients of the "));
  EXPECT_TRUE(Label(*form, "Label3")->text().endsWith(" clinic"));
  EXPECT_TRUE(Label(*form, "Label4")->text().startsWith("at the "));
  EXPECT_TRUE(Label(*form, "Label4")->text().endsWith("."));
  // The seven acknowledged persons, top to bottom.
  const char* persons[] = {"Label14", "Label10", "Label2", "Label1", "Label9", "Label8", "Label5"};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(Label(*form, persons[i])->text(),
              QString::fromStdString(experiment::BuiltStudySettings().thanked[i]));
  }
}

TEST_F(Form2Fixture, LinksLookLikeLinksAndHideTheirAddresses) {
  auto form = MakeForm();
  for (const char* name : {"Label12", "Label13"}) {
    QLabel* link = Label(*form, name);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255)) << name;
    EXPECT_TRUE(link->font().underline()) << name;
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor) << name;
  }
  EXPECT_FALSE(Label(*form, "Label11")->font().underline());
  EXPECT_EQ(Picture(*form)->cursor().shape(), Qt::ArrowCursor);
  // No address is ever on screen, not even as a tooltip.
  for (QWidget* widget : form->findChildren<QWidget*>()) {
    EXPECT_TRUE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_FALSE(label->text().contains("://")) << label->objectName().toStdString();
    }
  }
}

TEST_F(Form2Fixture, EachLinkOpensItsOwnAddress) {
  auto form = MakeForm();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTest::mouseClick(Label(*form, "Label13"), Qt::LeftButton);
  QTest::mouseClick(Label(*form, "Label12"), Qt::LeftButton);
  QTest::mouseClick(Picture(*form), Qt::LeftButton);
  // Other texts do nothing.
  QTest::mouseClick(Label(*form, "Label11"), Qt::LeftButton);
  QTest::mouseClick(Label(*form, "Label6"), Qt::LeftButton);
  EXPECT_EQ(system.opened,
            (std::vector<std::string>{experiment::BuiltStudySettings().institution2Page,
                                      experiment::BuiltStudySettings().institution1Page,
                                      experiment::BuiltStudySettings().videoPage}));
}

TEST_F(Form2Fixture, TwoWindowsAreIndependentAndEachLoadsItsPicture) {
  auto first = MakeForm();
  auto second = MakeForm();
  EXPECT_EQ(*loads, 2);
  EXPECT_TRUE(Picture(*first)->HasPicture());
  EXPECT_TRUE(Picture(*second)->HasPicture());
  first.reset();
  EXPECT_TRUE(Picture(*second)->HasPicture());
  EXPECT_FALSE(Picture(*second)->Prepared().isNull());
}

TEST_F(Form2Fixture, ShowsTheSettingsStampedIntoTheProgram) {
  const std::vector<uint8_t> stamped = pack::WriteResourceImage({pack::StudySettingsResource(
      "instructions_page = https://s.example/i\nvideo_page = https://s.example/video\n"
      "institution1 = Eye Group, Uni, Land\ninstitution1_page = https://s.example/one\n"
      "institution2 = Optics, Uni, Land\ninstitution2_page = https://s.example/two\n"
      "authors = A. Ärztin; B. Two\nwebserver_name = W. Web\nwebserver_town = Ort\n"
      "thanks = T1; T2; T3; T4; T5; T6; T7\nclinic = Glaucoma\nhospital = Eye Hospital\n")});
  const experiment::StudySettings study = experiment::ReadStudySettings(
      imagestore::ImageSource::InMemory({stamped.data(), stamped.size()}));
  TForm2 form(system, std::make_unique<test::GeneratedLoader>(loads), nullptr, study);
  EXPECT_EQ(Label(form, "Label11")->text(), QString::fromUtf8("A. Ärztin, B. Two"));
  EXPECT_EQ(Label(form, "Label16")->text(), "webserver implemented by W. Web, Ort");
  EXPECT_EQ(Label(form, "Label12")->text(), "Eye Group, Uni, Land");
  EXPECT_EQ(Label(form, "Label13")->text(), "Optics, Uni, Land");
  EXPECT_EQ(Label(form, "Label14")->text(), "T1");
  EXPECT_EQ(Label(form, "Label5")->text(), "T7");
  EXPECT_EQ(Label(form, "Label3")->text(), "and the patients of the Glaucoma clinic");
  EXPECT_EQ(Label(form, "Label4")->text(), "at the Eye Hospital.");
  // Each label as wide as its own text.
  EXPECT_GT(Label(form, "Label12")->width(), Label(form, "Label14")->width());
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::mouseClick(Label(form, "Label13"), Qt::LeftButton);
  QTest::mouseClick(Picture(form), Qt::LeftButton);
  EXPECT_EQ(system.opened,
            (std::vector<std::string>{"https://s.example/two", "https://s.example/video"}));
}

TEST_F(Form2Fixture, FailedPictureIsReportedAndTheWindowComesWithoutIt) {
  test::ModalCloser closer;
  auto form = MakeForm(true);
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].text, "Resource RESOURCES_TALVEX2_BMP not found.");
  EXPECT_EQ(closer.seen[0].icon, QMessageBox::Critical);
  EXPECT_FALSE(Picture(*form)->HasPicture());
  EXPECT_EQ(Label(*form, "Label6")->text(), "Talvex");
}

TEST_F(Form2Fixture, EscapeDoesNotCloseTheWindow) {
  auto form = MakeForm();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTest::keyClick(form.get(), Qt::Key_Escape);
  EXPECT_TRUE(form->isVisible());
  form->close();
  EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace talvex::app
