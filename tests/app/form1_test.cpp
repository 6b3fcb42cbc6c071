#include "form1.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

#include "app_test_support.h"
#include "picture_area.h"
#include "talvex/exception.h"

namespace talvex::app {
namespace {

using experiment::RemovableControl;
using experiment::TextControl;

// A main window over recording events and a recording system.
struct Form1Fixture : ::testing::Test, test::MainWindowDoubles {
  TForm1 form{system, Loaders(), Events()};

  template <class T = QWidget>
  T* Control(const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  QRadioButton* Rating(int n) {
    return Control<QRadioButton>(("RadioButton" + std::to_string(n)).c_str());
  }
  void ShowAndWait() {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }
};

QString AccessibleName(QObject* object) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
  return face != nullptr ? face->text(QAccessible::Name) : QString();
}

TEST_F(Form1Fixture, WelcomeTextFitsTheBoxWithoutScrolling) {
  const std::string welcome =
      "Thank you for downloading Talvex. Before beginning the experiment, please review the "
      "instructions on the website. When you are ready, enter your ID into the box at the bottom "
      "left of this window, and hit the start button.";
  form.SetText(TextControl::Memo1, welcome);
  ShowAndWait();
  auto* memo = Control<QPlainTextEdit>("Memo1");
  EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0);
  EXPECT_GE(memo->font().pointSize(), 9);
  EXPECT_EQ(form.GetText(TextControl::Memo1), welcome);
}

// The texts, places and fonts from the layout table are checked in form_layout_test.cpp.
TEST_F(Form1Fixture, InitialContentAsDesigned) {
  for (int n = 1; n <= 5; ++n) EXPECT_FALSE(Rating(n)->isChecked());
  auto* bar = Control<QProgressBar>("ProgressBar1");
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_EQ(bar->value(), 100);
  auto* memo = Control<QPlainTextEdit>("Memo1");
  EXPECT_EQ(memo->toPlainText(), "Memo1");
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_FALSE(memo->isReadOnly());
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_FALSE(Control<TPictureArea>("Image1")->HasPicture());
  // The timer as designed: enabled with 1000 ms, woken by a precise timer.
  auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(form.Timer1().Interval(), 1000u);
  EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
}

TEST_F(Form1Fixture, MenuHelpWithInstructionsAndAboutWithoutMnemonics) {
  const QList<QAction*> menus = form.menuBar()->actions();
  ASSERT_EQ(menus.size(), 1);
  EXPECT_EQ(menus[0]->text(), "Help");
  QMenu* help = menus[0]->menu();
  ASSERT_NE(help, nullptr);
  const QList<QAction*> items = help->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->text(), "Instructions");
  EXPECT_EQ(items[1]->text(), "About");
  for (QAction* item : items) {
    EXPECT_TRUE(item->shortcut().isEmpty());
    EXPECT_TRUE(item->isEnabled());
  }
}

TEST_F(Form1Fixture, AccessibleNameFollowsACaptionSetLater) {
  form.SetText(TextControl::Button2, "Start");
  EXPECT_EQ(AccessibleName(Control("Button2")), "Start");
}

TEST_F(Form1Fixture, RatingButtonsAreOneExclusiveSetInFrontOfTheFrame) {
  QWidget* client = form.centralWidget();
  auto* frame = Control<QGroupBox>("RadioGroup1");
  ShowAndWait();
  for (int n = 1; n <= 5; ++n) {
    EXPECT_EQ(Rating(n)->parentWidget(), client);
    const QPoint centre = Rating(n)->geometry().center();
    EXPECT_TRUE(frame->geometry().contains(centre));
    EXPECT_EQ(client->childAt(centre), Rating(n));
  }
  QTest::mouseClick(Rating(3), Qt::LeftButton);
  QTest::mouseClick(Rating(1), Qt::LeftButton);
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(form.IsRatingChecked(n), n == 1) << n;
}

TEST_F(Form1Fixture, Memo1LiesInFrontOfThePicture) {
  QWidget* client = form.centralWidget();
  ShowAndWait();
  const QPoint overlap = Control("Memo1")->geometry().center();
  ASSERT_TRUE(Control("Image1")->geometry().contains(overlap));
  QWidget* memo = Control("Memo1");
  QWidget* front = client->childAt(overlap);
  EXPECT_TRUE(front == memo || memo->isAncestorOf(front));
  form.RemoveControl(RemovableControl::Memo1);
  QWidget* under = client->childAt(overlap);
  ASSERT_NE(under, nullptr);
  EXPECT_EQ(under->objectName(), "Image1");
}

TEST_F(Form1Fixture, ControlsKeepTheirPlacesWhenTheWindowIsResized) {
  const QRect button = Control("Button2")->geometry();
  ShowAndWait();
  form.resize(form.width() + 300, form.height() + 200);
  QApplication::processEvents();
  EXPECT_EQ(Control("Button2")->geometry(), button);
}

TEST_F(Form1Fixture, TextsOfTheFourControls) {
  form.SetText(TextControl::Button2, "Next");
  form.SetText(TextControl::Label1, "126/126");
  form.SetText(TextControl::Edit1, "m2B33");
  form.SetText(TextControl::Memo1, "Welcome");
  EXPECT_EQ(form.GetText(TextControl::Button2), "Next");
  EXPECT_EQ(form.GetText(TextControl::Label1), "126/126");
  EXPECT_EQ(form.GetText(TextControl::Edit1), "m2B33");
  EXPECT_EQ(form.GetText(TextControl::Memo1), "Welcome");
  // The progress text grows with its text and is never clipped.
  auto* label = Control<QLabel>("Label1");
  EXPECT_EQ(label->size(), label->sizeHint());
  // Non-ASCII text goes through unchanged.
  form.SetText(TextControl::Edit1, "J\xC3\xBCrgen");
  EXPECT_EQ(form.GetText(TextControl::Edit1), "J\xC3\xBCrgen");
}

TEST_F(Form1Fixture, PictureThatCannotBeDecodedRaisesAndTheAreaKeepsItsPicture) {
  imagestore::TJPEGImage shown;
  shown.LoadFromBytes(test::TwoColourJpeg(64, 32));
  form.SetPicture(shown);
  auto* area = Control<TPictureArea>("Image1");
  const QImage before = area->Prepared();
  ASSERT_FALSE(before.isNull());
  imagestore::TJPEGImage cmyk;
  cmyk.LoadFromBytes(test::CmykJpeg());
  EXPECT_THROW(form.SetPicture(cmyk), imagestore::EJPEG);
  EXPECT_EQ(area->Prepared(), before);
}

// Window operation 6 reaches the exposure timer, whose wake-ups the Qt timer Timer1 carries.
TEST_F(Form1Fixture, TimerSetRule) {
  auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
  form.SetTimerInterval(0);
  EXPECT_FALSE(timer->isActive());
  form.SetTimerInterval(0);
  EXPECT_FALSE(timer->isActive());

  form.SetTimerInterval(5000);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(form.Timer1().Interval(), 5000u);
  const int64_t due = form.Timer1().DueNanoseconds();
  QTest::qWait(300);
  // The value it already has: the running countdown goes on.
  form.SetTimerInterval(5000);
  EXPECT_EQ(form.Timer1().DueNanoseconds(), due);
  EXPECT_LE(timer->remainingTime(), 4800);
  // A different value starts afresh.
  form.SetTimerInterval(6000);
  EXPECT_GE(form.Timer1().DueNanoseconds(), due + 1'300'000'000);
  form.SetTimerInterval(0);
  EXPECT_FALSE(timer->isActive());
  EXPECT_TRUE(calls.empty());
}

TEST_F(Form1Fixture, TimerRaisesItsEventEveryIntervalUntilStopped) {
  form.SetTimerInterval(0);
  form.SetTimerInterval(5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() >= 2; }));
  EXPECT_EQ(calls[0], "Timer1Timer");
  EXPECT_EQ(calls[1], "Timer1Timer");
  form.SetTimerInterval(0);
  calls.clear();
  QTest::qWait(30);
  EXPECT_TRUE(calls.empty());
}

TEST_F(Form1Fixture, IntervalBeyondWhatATimerTakesNeverElapses) {
  auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
  form.SetTimerInterval(0xFFFFEC78u);  // an exposure of -5000 ms seen unsigned
  EXPECT_TRUE(timer->isActive());
  EXPECT_GT(timer->remainingTime(), 24 * 24 * 3600 * 1000);
}

TEST_F(Form1Fixture, RemovedControlIsGoneForGood) {
  QPointer<QWidget> memo = Control("Memo1");
  QPointer<QWidget> edit = Control("Edit1");
  form.RemoveControl(RemovableControl::Memo1);
  EXPECT_FALSE(form.HasControl(RemovableControl::Memo1));
  EXPECT_TRUE(form.HasControl(RemovableControl::Edit1));
  EXPECT_TRUE(memo->isHidden());
  form.SetText(TextControl::Memo1, "ignored");
  EXPECT_EQ(form.GetText(TextControl::Memo1), "");
  form.RemoveControl(RemovableControl::Memo1);  // a later removal does nothing

  form.RemoveControl(RemovableControl::Edit1);
  EXPECT_FALSE(form.HasControl(RemovableControl::Edit1));
  EXPECT_EQ(form.GetText(TextControl::Edit1), "");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(memo.isNull());
  EXPECT_TRUE(edit.isNull());
  // The example beside the ID field stays.
  EXPECT_TRUE(Control("Label2")->isVisibleTo(&form));
}

TEST_F(Form1Fixture, MessageBoxOfTheWindow) {
  test::ModalCloser closer;
  form.ShowMessage("Please enter your rating!");
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].title, "Talvex");
  EXPECT_EQ(closer.seen[0].text, "Please enter your rating!");
  EXPECT_EQ(closer.seen[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(closer.seen[0].buttons, QStringList{"OK"});
}

TEST_F(Form1Fixture, QuestionBoxOfTheWindowAnsweredEachWay) {
  struct Case {
    const char* how;
    std::function<void(QMessageBox&)> answer;
    bool yes;
  };
  const Case cases[] = {
      {"Yes clicked", [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }, true},
      {"Return: the default", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); },
       true},
      {"No clicked", [](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, false},
      {"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, false},
      {"closed", [](QMessageBox& box) { box.close(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    test::SeenModal seen;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      poll.stop();
      seen.title = box->windowTitle();
      seen.text = box->text();
      seen.icon = box->icon();
      for (QAbstractButton* button : box->buttons()) seen.buttons << button->text();
      c.answer(*box);
    });
    poll.start();
    EXPECT_EQ(form.AskYesNo("An unfinished run for <b>k4T19</b> from 07/12/2026 14:05:09 has 40 "
                            "of 126 trials rated. Continue it?"),
              c.yes);
    EXPECT_EQ(seen.title, "Talvex");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, (QStringList{"&Yes", "&No"}));
    EXPECT_EQ(seen.text,
              "An unfinished run for <b>k4T19</b> from 07/12/2026 14:05:09 has 40 of "
              "126 trials rated. Continue it?");  // plain text, never markup
  }
}

TEST_F(Form1Fixture, WebAddressesGoThroughTheSystemsShell) {
  form.OpenWebAddress("https://example.org/a");
  form.About1Click();
  ASSERT_EQ(system.opened.size(), 2u);
  EXPECT_EQ(system.opened[0], "https://example.org/a");
  EXPECT_EQ(system.opened[1].rfind("http", 0), 0u);  // the instructions page
}

TEST_F(Form1Fixture, EventsAreForwarded) {
  form.FormCreate();
  EXPECT_TRUE(form.SetUpComplete());
  ShowAndWait();
  QTest::mouseClick(Control("Button2"), Qt::LeftButton);
  QTest::mouseClick(Control("Edit1"), Qt::LeftButton);
  QTest::keyClicks(Control("Edit1"), "m2B33");  // typing is no click
  EXPECT_EQ(calls, (std::vector<std::string>{"FormCreate", "Button2Click", "Edit1Click"}));
}

TEST_F(Form1Fixture, RatingClickRaisedOnlyWhenTheButtonBecomesChecked) {
  ShowAndWait();
  QTest::mouseClick(Rating(2), Qt::LeftButton);
  QTest::mouseClick(Rating(2), Qt::LeftButton);  // already checked: nothing
  QTest::mouseClick(Rating(4), Qt::LeftButton);
  EXPECT_EQ(calls, (std::vector<std::string>{"Rating2", "Rating4"}));
  EXPECT_FALSE(form.IsRatingChecked(2));
  EXPECT_TRUE(form.IsRatingChecked(4));

  // Unchecking by the program raises nothing and leaves none checked.
  for (int n = 1; n <= 5; ++n) form.UncheckRating(n);
  for (int n = 1; n <= 5; ++n) EXPECT_FALSE(form.IsRatingChecked(n));
  EXPECT_EQ(calls.size(), 2u);
  // The same button checked again afterwards is a new pick.
  QTest::mouseClick(Rating(4), Qt::LeftButton);
  EXPECT_EQ(calls.back(), "Rating4");
  EXPECT_EQ(calls.size(), 3u);
}

TEST_F(Form1Fixture, RatingPickedWithTheKeyboardIsRaisedToo) {
  ShowAndWait();
  QTest::mouseClick(Rating(1), Qt::LeftButton);
  QTest::keyClick(Rating(1), Qt::Key_Down);
  EXPECT_TRUE(form.IsRatingChecked(2));
  EXPECT_EQ(calls, (std::vector<std::string>{"Rating1", "Rating2"}));
}

TEST_F(Form1Fixture, WithoutADisplayServerRatingsComeWithoutAnInputTime) {
  ShowAndWait();
  // The offscreen platform: nothing to wait for, no server time to believe.
  EXPECT_EQ(form.DisplayServer().Check(), TDisplayServer::ClockCheck::NoServer);
  EXPECT_FALSE(form.DisplayServer().InputTime(12345).has_value());
  form.WaitUntilDisplayed();
  QTest::mouseClick(Rating(3), Qt::LeftButton);
  ASSERT_EQ(calls.back(), "Rating3");
  EXPECT_FALSE(events->ratingInputNs.has_value());
}

TEST_F(Form1Fixture, PicturePreparerMakesPixelsOfThePictureAreasSize) {
  ShowAndWait();
  const std::shared_ptr<const experiment::IPicturePreparer> preparer = form.PicturePreparer();
  ASSERT_NE(preparer, nullptr);
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(64, 64));
  const std::shared_ptr<const experiment::IPreparedPixels> prepared = preparer->Prepare(picture);
  form.SetPreparedPicture(picture, *prepared);
  const auto* area = Control<TPictureArea>("Image1");
  const QImage& made = dynamic_cast<const TPreparedPixels&>(*prepared).pixels;
  EXPECT_EQ(made.size(), area->size() * area->devicePixelRatioF());
  EXPECT_EQ(area->Prepared().cacheKey(), made.cacheKey());
}

TEST_F(Form1Fixture, ClickOnTheFrameOutsideTheButtonsDoesNothing) {
  ShowAndWait();
  auto* frame = Control<QGroupBox>("RadioGroup1");
  QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(frame->width() - 5, frame->height() - 5));
  EXPECT_TRUE(calls.empty());
  for (int n = 1; n <= 5; ++n) EXPECT_FALSE(form.IsRatingChecked(n));
}

TEST_F(Form1Fixture, FailingHandlerShowsTheErrorBoxAndTheWindowGoesOn) {
  ShowAndWait();
  test::ModalCloser closer;
  events->failWith = "File access denied";
  QTest::mouseClick(Control("Button2"), Qt::LeftButton);
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].text, "File access denied.");
  EXPECT_EQ(closer.seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(closer.seen[0].title, "Talvex");
  events->failWith.clear();
  QTest::mouseClick(Control("Button2"), Qt::LeftButton);
  EXPECT_EQ(calls, (std::vector<std::string>{"Button2Click", "Button2Click"}));
}

TEST_F(Form1Fixture, IdFieldSelectsAllWhenFocusedOtherThanByMouse) {
  ShowAndWait();
  auto* edit = Control<QLineEdit>("Edit1");
  Control("Button2")->setFocus(Qt::OtherFocusReason);
  edit->deselect();
  edit->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(edit->selectedText(), "Enter your ID here.");

  Control("Button2")->setFocus(Qt::OtherFocusReason);
  edit->deselect();
  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(5, edit->height() / 2));
  EXPECT_TRUE(edit->selectedText().isEmpty());
}

TEST_F(Form1Fixture, IdFieldHasTheFocusAtTheFirstDisplay) {
  ShowAndWait();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }));
  EXPECT_EQ(QApplication::focusWidget(), Control("Edit1"));
}

TEST_F(Form1Fixture, AboutShowsANewWindowWithItsPictureEachTime) {
  test::ModalCloser closer;
  std::vector<bool> hadPicture;
  closer.onModal = [&](QWidget* modal) {
    auto* picture = modal->findChild<TPictureArea*>(QStringLiteral("Image1"));
    hadPicture.push_back(picture != nullptr && picture->HasPicture());
  };
  form.About2Click();
  form.About2Click();
  ASSERT_EQ(closer.seen.size(), 2u);
  EXPECT_EQ(closer.seen[0].className, "talvex::app::TForm2");
  EXPECT_EQ(closer.seen[0].title, "About");
  EXPECT_EQ(hadPicture, (std::vector<bool>{true, true}));
  EXPECT_EQ(*loads, 2);  // loaded anew each time
  // Closed windows do not linger.
  EXPECT_EQ(form.findChildren<QDialog*>().size(), 0);
}

TEST_F(Form1Fixture, ExposureEndsOnTimeWhileAboutIsOpen) {
  test::ModalCloser closer;
  closer.onModal = [&](QWidget*) {
    // The closer dismisses the window only after the timer has been delivered inside it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !calls.empty(); }));
  };
  form.SetTimerInterval(0);
  form.SetTimerInterval(20);
  form.About2Click();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "Timer1Timer");
}

}  // namespace
}  // namespace talvex::app
