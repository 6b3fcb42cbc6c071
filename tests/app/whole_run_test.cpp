// Whole runs of the main window with the real experiment controller, the embedded sample
// image set and the real clocks, driven by simulated clicks and typing.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app_test_support.h"
#include "form1.h"
#include "talvex/embedded_images.h"
#include "talvex/folder_system.h"
#include "talvex/platform/posix_system.h"

namespace talvex::app {
namespace {

namespace fs = std::filesystem;

using RunSystem = testing::FolderSystem;

// Loaders over the image set linked into the test program.
const LoaderFactory kEmbedded =
    ResourceManagerFactory(EmbeddedImageSource(), imagestore::PixelFormat::Bits24);

struct WholeRun : ::testing::Test {
  fs::path folder;

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "talvex-run-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    fs::create_directories(folder / "tmp");
    fs::create_directories(folder / "Desktop");
  }
  void TearDown() override { fs::remove_all(folder); }

  std::vector<fs::path> FilesIn(const fs::path& where, const std::string& extension) const {
    std::vector<fs::path> files;
    if (!fs::exists(where)) return files;
    for (const auto& entry : fs::directory_iterator(where)) {
      if (entry.path().extension() == extension) files.push_back(entry.path());
    }
    return files;
  }
};

template <class T = QWidget>
T* Control(TForm1& form, const QString& name) {
  T* control = form.findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name.toStdString();
  return control;
}

size_t LineCount(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(WholeRun, DefaultSetOfOneHundredTwentySixTrialsByClicks) {
  RunSystem system(folder, {"50", "0.1", "0.3", "0"});
  TForm1 form(system, kEmbedded, ControllerEvents(system, kEmbedded));
  form.FormCreate();
  ASSERT_TRUE(form.SetUpComplete());
  auto* button = Control<QPushButton>(form, "Button2");
  auto* progressText = Control<QLabel>(form, "Label1");
  auto* bar = Control<QProgressBar>(form, "ProgressBar1");
  EXPECT_EQ(button->text(), "Start");
  EXPECT_EQ(progressText->text(), "0/126");
  EXPECT_EQ(bar->value(), 0);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  test::ModalCloser closer;

  auto* edit = Control<QLineEdit>(form, "Edit1");
  QTest::mouseClick(edit, Qt::LeftButton);
  EXPECT_EQ(edit->text(), "");
  QTest::keyClicks(edit, "m2B33");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(progressText->text(), "1/126");
  EXPECT_EQ(bar->value(), 1);
  EXPECT_FALSE(form.HasControl(experiment::RemovableControl::Edit1));
  EXPECT_FALSE(form.HasControl(experiment::RemovableControl::Memo1));

  // The first exposure ends by the timer: the picture is blanked and Next offered.
  ASSERT_TRUE(QTest::qWaitFor([&] { return button->isEnabled(); }, 3000));
  EXPECT_EQ(button->text(), "Next");
  // Next without a rating only asks for one.
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].text, "Please enter your rating!");
  EXPECT_EQ(progressText->text(), "1/126");

  for (int trial = 1; trial <= 126; ++trial) {
    auto* rating = Control<QRadioButton>(form, QStringLiteral("RadioButton%1").arg(trial % 5 + 1));
    QTest::mouseClick(rating, Qt::LeftButton);
    ASSERT_TRUE(button->isEnabled()) << trial;
    QTest::mouseClick(button, Qt::LeftButton);
    if (trial < 126) {
      ASSERT_EQ(progressText->text(), QStringLiteral("%1/126").arg(trial + 1));
    }
  }
  EXPECT_EQ(progressText->text(), "126/126");
  EXPECT_EQ(bar->value(), 100);
  EXPECT_TRUE(form.EndRequested());
  EXPECT_EQ(closer.seen.size(), 1u);

  const auto results = FilesIn(folder / "results", ".xls");
  const auto sealed = FilesIn(folder / "results", ".enc");
  ASSERT_EQ(results.size(), 1u);
  ASSERT_EQ(sealed.size(), 1u);
  EXPECT_EQ(results[0].filename().string().rfind("m2B33 ", 0), 0u);
  EXPECT_EQ(LineCount(results[0]), 128u);  // parameter line, header, 126 rows
  EXPECT_EQ(fs::file_size(sealed[0]), fs::file_size(results[0]));
  EXPECT_TRUE(fs::is_empty(folder / "Desktop"));
  EXPECT_TRUE(FilesIn(folder / "results", ".run").empty());  // removed once sealed
}

TEST_F(WholeRun, ClosingTheWindowMidRunKeepsTheRowsAndSealsNothing) {
  RunSystem system(folder, {"0", "0", "0", "0"});
  TForm1 form(system, kEmbedded, ControllerEvents(system, kEmbedded));
  form.FormCreate();
  ASSERT_TRUE(form.SetUpComplete());
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  auto* button = Control<QPushButton>(form, "Button2");
  form.SetText(experiment::TextControl::Edit1, "rater 7");
  QTest::mouseClick(button, Qt::LeftButton);
  for (int trial = 1; trial <= 3; ++trial) {
    QTest::mouseClick(Control<QRadioButton>(form, "RadioButton3"), Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.EndRequested());
  const auto results = FilesIn(folder / "results", ".xls");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(LineCount(results[0]), 5u);
  EXPECT_TRUE(FilesIn(folder / "results", ".enc").empty());
  // The run can be continued: its run file stays beside the results file.
  const auto runs = FilesIn(folder / "results", ".run");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].stem(), results[0].stem());
}

TEST_F(WholeRun, PictureTheWindowCannotDecodeIsReportedOnceAndLeftOut) {
  RunSystem system(folder, {"100000", "0", "0", "0"});
  const LoaderFactory loaders = [] {
    auto loader = std::make_unique<test::GeneratedLoader>();
    loader->names = {"RESOURCES_BLANK_BMP", "RESOURCES_POS_G__0__BMP", "RESOURCES_NEG_C__0__BMP",
                     "RESOURCES_NEG_C__1__BMP"};
    loader->undecodable = {"RESOURCES_NEG_C__0__BMP"};
    return std::unique_ptr<imagestore::TResourceManager>(std::move(loader));
  };
  TForm1 form(system, loaders, ControllerEvents(system, loaders));
  form.FormCreate();
  ASSERT_TRUE(form.SetUpComplete());
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  test::ModalCloser closer;
  auto* button = Control<QPushButton>(form, "Button2");
  form.SetText(experiment::TextControl::Edit1, "rater 9");
  QTest::mouseClick(button, Qt::LeftButton);
  for (int press = 0; press < 5 && !form.EndRequested(); ++press) {
    QTest::mouseClick(Control<QRadioButton>(form, "RadioButton2"), Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  ASSERT_TRUE(form.EndRequested());
  std::vector<QString> reported;
  for (const test::SeenModal& seen : closer.seen) {
    if (seen.text.startsWith("The picture ")) reported.push_back(seen.text);
  }
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_TRUE(
      reported[0].startsWith("The picture RESOURCES_NEG_C__0__BMP cannot be shown (JPEG "
                             "error #"));
  EXPECT_TRUE(reported[0].endsWith("). It is left out of the run."));
  EXPECT_EQ(Control<QLabel>(form, "Label1")->text(), "2/2");
  const auto results = FilesIn(folder / "results", ".xls");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(LineCount(results[0]), 4u);
  EXPECT_EQ(FilesIn(folder / "results", ".enc").size(), 1u);
}

TEST_F(WholeRun, NoImagesEndsTheProgramBeforeTheWindowIsShown) {
  RunSystem system(folder, {});
  const LoaderFactory noImages = [] {
    return std::unique_ptr<imagestore::TResourceManager>(std::make_unique<test::GeneratedLoader>());
  };
  test::ModalCloser closer;
  TForm1 form(system, noImages, ControllerEvents(system, noImages));
  form.FormCreate();
  EXPECT_FALSE(form.SetUpComplete());
  EXPECT_TRUE(form.EndRequested());
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].text, "No Image Files found! - Exit");
  EXPECT_EQ(closer.seen[0].icon, QMessageBox::NoIcon);
}

TEST_F(WholeRun, SetUpErrorIsShownAndTheProgramDoesNotGoOn) {
  RunSystem system(folder, {"10x", "0.1", "0.3", "1"});
  test::ModalCloser closer;
  TForm1 form(system, kEmbedded, ControllerEvents(system, kEmbedded));
  form.FormCreate();
  EXPECT_FALSE(form.SetUpComplete());
  EXPECT_FALSE(form.EndRequested());
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].text, "'10x' is not a valid integer value.");
  EXPECT_EQ(closer.seen[0].icon, QMessageBox::Critical);
  // The timer was stopped before the failing step: nothing fires behind the error box.
  EXPECT_FALSE(form.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

}  // namespace
}  // namespace talvex::app
