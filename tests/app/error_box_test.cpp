#include "error_box.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app_test_support.h"
#include "talvex/exception.h"

namespace talvex::app {
namespace {

// The full-stop rule itself is tested with the core's ErrorBoxText.
TEST(ErrorBox, TwoLineMessagesShowOneLineBreakEach) {
  EXPECT_EQ(ErrorBoxText("first\r\nsecond"), "first\nsecond.");
}

TEST(ErrorBox, EscapingFailureIsShownAndGoesNoFurther) {
  test::ModalCloser closer;
  bool restRan = false;
  const bool completed = Guarded([&] {
    throw EResNotFound("RESOURCES_BLANK_BMP");
    restRan = true;
  });
  EXPECT_FALSE(completed);
  EXPECT_FALSE(restRan);
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].title, "Talvex");
  EXPECT_EQ(closer.seen[0].text, "Resource RESOURCES_BLANK_BMP not found.");
  EXPECT_EQ(closer.seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(closer.seen[0].buttons, QStringList{"OK"});
}

TEST(ErrorBox, AnyStandardFailureIsCaughtToo) {
  test::ModalCloser closer;
  EXPECT_FALSE(Guarded([] { throw std::out_of_range("vector"); }));
  EXPECT_FALSE(Guarded([] { throw 42; }));
  ASSERT_EQ(closer.seen.size(), 2u);
  EXPECT_EQ(closer.seen[0].text, "vector.");
  EXPECT_EQ(closer.seen[1].text, "Unknown failure.");
}

TEST(ErrorBox, HandlerThatSucceedsShowsNothing) {
  test::ModalCloser closer;
  int runs = 0;
  EXPECT_TRUE(Guarded([&] { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(closer.seen.empty());
}

TEST(MessageBox, PlainBoxWithTitleNoIconAndOk) {
  test::ModalCloser closer;
  ShowMessageBox(
      "A file with extension .enc has been saved to your desktop.\r\n"
      "Please submit this on our website");
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].title, "Talvex");
  EXPECT_EQ(closer.seen[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(closer.seen[0].buttons, QStringList{"OK"});
  // No full stop added to an ordinary message.
  EXPECT_EQ(closer.seen[0].text,
            "A file with extension .enc has been saved to your desktop.\n"
            "Please submit this on our website");
}

TEST(MessageBox, TextIsNeverTakenAsMarkup) {
  test::ModalCloser closer;
  closer.onModal = [](QWidget* modal) {
    EXPECT_EQ(static_cast<QMessageBox*>(modal)->textFormat(), Qt::PlainText);
  };
  ShowErrorBox("Cannot create file \"/r/<b>x</b> 7122026 1405.enc\". Permission denied");
  ASSERT_EQ(closer.seen.size(), 1u);
  EXPECT_EQ(closer.seen[0].text,
            "Cannot create file \"/r/<b>x</b> 7122026 1405.enc\". Permission denied.");
}

}  // namespace
}  // namespace talvex::app
