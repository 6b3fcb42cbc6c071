#include "form1.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "form2.h"
#include "talvex/exception.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/platform/wide_text.h"
#include "win32_test_support.h"

namespace talvex::win32 {
namespace {

using experiment::RemovableControl;
using experiment::TextControl;
using platform::Narrow;

// A main window over recording events and a recording system, shown.
struct Form1Fixture : ::testing::Test, test::MainWindowDoubles {
  TForm1 form{system, Loaders(), Events()};

  void SetUp() override {
    form.ShowFirst(SW_SHOWNORMAL);
    test::Pump(50);
  }
  TControl& Control(const char* name) { return form.Controls().Get(name); }
  HWND Handle(const char* name) { return Control(name).Handle(); }
  TButton& Rating(int n) { return form.Controls().Get<TButton>("RadioButton" + std::to_string(n)); }
  // A click as the button control itself takes it: pressed and released over it.
  static void Click(HWND control) { SendMessageW(control, BM_CLICK, 0, 0); }
  POINT Centre(const char* name) {
    const Place place = Control(name).Bounds();
    return {place.left + place.width / 2, place.top + place.height / 2};
  }
  // The control in front at a point of the client area.
  HWND FrontAt(POINT at) { return ChildWindowFromPointEx(form.Handle(), at, CWP_SKIPINVISIBLE); }
};

TEST_F(Form1Fixture, WindowAsDesigned) {
  const experiment::WindowLayout& layout = experiment::Form1Layout();
  wchar_t caption[64] = {};
  GetWindowTextW(form.Handle(), caption, 64);
  EXPECT_EQ(Narrow(caption), layout.caption);
  RECT client{};
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, experiment::Scaled(layout.clientWidth, form.Scale()));
  EXPECT_EQ(client.bottom, experiment::Scaled(layout.clientHeight, form.Scale()));
  RECT outer{};
  GetWindowRect(form.Handle(), &outer);
  EXPECT_EQ(outer.left, layout.left);
  EXPECT_EQ(outer.top, layout.top);
  // The designed content of the controls.
  for (int n = 1; n <= 5; ++n) EXPECT_FALSE(form.IsRatingChecked(n)) << n;
  EXPECT_EQ(SendMessageW(Handle("ProgressBar1"), PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageW(Handle("ProgressBar1"), PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageW(Handle("ProgressBar1"), PBM_GETPOS, 0, 0), 100);
  // Every control shows the text the table gives it.
  for (const experiment::ControlLayout& control : layout) {
    EXPECT_EQ(Control(control.name).Text(), control.text) << control.name;
  }
  EXPECT_FALSE(form.Controls().Get<TPictureArea>("Image1").HasPicture());
  // The designed timer: enabled with 1000 ms.
  EXPECT_EQ(form.Timer1().Interval(), 1000u);
}

TEST_F(Form1Fixture, MenuHelpWithInstructionsAndAboutWithoutMnemonicsOrShortcuts) {
  HMENU bar = GetMenu(form.Handle());
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  wchar_t text[32] = {};
  GetMenuStringW(bar, 0, text, 32, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Help");
  HMENU help = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(help), 2);
  const wchar_t* const expected[] = {L"Instructions", L"About"};
  for (int i = 0; i < 2; ++i) {
    GetMenuStringW(help, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, expected[i]);  // no "&", no tab with a shortcut
    EXPECT_EQ(GetMenuState(help, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED),
              0u);
  }
}

// The rating buttons are the window's own children, in front of the frame; Memo1 lies in front
// of the picture until it is removed.
TEST_F(Form1Fixture, ControlsInFrontWhereTheyAreDesignedToOverlap) {
  const Place frame = Control("RadioGroup1").Bounds();
  for (int n = 1; n <= 5; ++n) {
    EXPECT_EQ(GetParent(Rating(n).Handle()), form.Handle());
    const Place button = Rating(n).Bounds();
    EXPECT_GE(button.left, frame.left);
    EXPECT_LE(button.left + button.width, frame.left + frame.width);
    EXPECT_EQ(FrontAt(Centre(("RadioButton" + std::to_string(n)).c_str())), Rating(n).Handle())
        << n;
  }
  const POINT overlap = Centre("Memo1");
  EXPECT_EQ(FrontAt(overlap), Handle("Memo1"));
  form.RemoveControl(RemovableControl::Memo1);
  EXPECT_EQ(FrontAt(overlap), Handle("Image1"));
}

// A mouse click inside a control, as the system delivers it: pressed, then released.
void MouseClick(HWND control) {
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST_F(Form1Fixture, RatingButtonsAreOneExclusiveSetAndForwardEachChoice) {
  Click(Rating(2).Handle());
  Click(Rating(4).Handle());
  test::Pump(20);
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(form.IsRatingChecked(n), n == 4) << n;
  EXPECT_EQ(calls, (std::vector<std::string>{"Rating2", "Rating4"}));
  // Unchecking raises no click; the next choice of the same button is forwarded again.
  form.UncheckRating(4);
  EXPECT_FALSE(form.IsRatingChecked(4));
  Click(Rating(4).Handle());
  test::Pump(20);
  EXPECT_EQ(calls, (std::vector<std::string>{"Rating2", "Rating4", "Rating4"}));
  // Ratings outside 1 to 5 are none of the buttons.
  EXPECT_FALSE(form.IsRatingChecked(0));
  EXPECT_FALSE(form.IsRatingChecked(6));
  form.UncheckRating(6);
}

TEST_F(Form1Fixture, ButtonAndIdFieldForwardTheirClicks) {
  Click(Handle("Button2"));
  MouseClick(Handle("Edit1"));
  // Pressed over the field but released elsewhere is no click.
  SendMessageW(Handle("Edit1"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(Handle("Edit1"), WM_LBUTTONUP, 0, MAKELPARAM(-50, -50));
  test::Pump(20);
  EXPECT_EQ(calls, (std::vector<std::string>{"Button2Click", "Edit1Click"}));
  form.SetButtonEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Handle("Button2")));
  form.SetButtonEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(Handle("Button2")));
}

TEST_F(Form1Fixture, TextsOfControlsAndOfRemovedControls) {
  form.SetText(TextControl::Label1, "17/100");
  form.SetText(TextControl::Button2, "Next");
  form.SetText(TextControl::Edit1, "m2B33");
  form.SetText(TextControl::Memo1, "Thank you.");
  EXPECT_EQ(form.GetText(TextControl::Label1), "17/100");
  EXPECT_EQ(form.GetText(TextControl::Button2), "Next");
  EXPECT_EQ(form.GetText(TextControl::Edit1), "m2B33");
  EXPECT_EQ(form.GetText(TextControl::Memo1), "Thank you.");
  // Text beyond ASCII goes through as UTF-8.
  form.SetText(TextControl::Edit1, "J\xC3\xBCrgen");
  EXPECT_EQ(form.GetText(TextControl::Edit1), "J\xC3\xBCrgen");

  SetFocus(Handle("Edit1"));
  form.RemoveControl(RemovableControl::Edit1);
  form.RemoveControl(RemovableControl::Edit1);  // a second removal does nothing
  EXPECT_FALSE(form.HasControl(RemovableControl::Edit1));
  EXPECT_TRUE(form.HasControl(RemovableControl::Memo1));
  EXPECT_EQ(form.GetText(TextControl::Edit1), "");
  form.SetText(TextControl::Edit1, "late");
  EXPECT_EQ(form.GetText(TextControl::Edit1), "");
  // The focus went on to another control of the window.
  EXPECT_TRUE(IsChild(form.Handle(), GetFocus()) || GetFocus() == form.Handle());
  form.RemoveControl(RemovableControl::Memo1);
  EXPECT_EQ(form.GetText(TextControl::Memo1), "");
}

TEST_F(Form1Fixture, ProgressKeptWithinItsRange) {
  const struct {
    int set;
    LRESULT shown;
  } cases[] = {{0, 0}, {37, 37}, {100, 100}, {-5, 0}, {250, 100}};
  for (const auto& c : cases) {
    form.SetProgress(c.set);
    EXPECT_EQ(SendMessageW(Handle("ProgressBar1"), PBM_GETPOS, 0, 0), c.shown) << c.set;
  }
}

TEST_F(Form1Fixture, MessageAndErrorBoxes) {
  form.SetTimerInterval(0);  // its events would fail as well
  test::ModalWatcher watcher;
  form.ShowMessage("Enter your ID, please!");
  events->failWith = "Resource RESOURCES_BLANK_BMP not found";
  // The button's notification, as the window receives it.
  SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Handle("Button2")), BN_CLICKED),
               reinterpret_cast<LPARAM>(Handle("Button2")));
  test::Pump(20);
  ASSERT_EQ(watcher.seen.size(), 2u);
  EXPECT_EQ(watcher.seen[0].title, "Talvex");
  EXPECT_EQ(watcher.seen[0].text, "Enter your ID, please!");
  EXPECT_FALSE(watcher.seen[0].icon);
  EXPECT_EQ(watcher.seen[0].buttons, std::vector<std::string>{"OK"});
  // A failure that escapes a handler: the error box, with its full stop, and the window lives on.
  EXPECT_EQ(watcher.seen[1].title, "Talvex");
  EXPECT_EQ(watcher.seen[1].text, "Resource RESOURCES_BLANK_BMP not found.");
  EXPECT_TRUE(watcher.seen[1].icon);
  EXPECT_EQ(watcher.seen[1].buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST_F(Form1Fixture, QuestionIsYesOnlyWhenAnsweredYes) {
  const struct {
    UINT message;
    WPARAM wParam;
    bool yes;
  } answers[] = {{WM_COMMAND, IDYES, true}, {WM_COMMAND, IDNO, false}, {WM_CLOSE, 0, false}};
  for (const auto& answer : answers) {
    test::ModalWatcher watcher;
    watcher.onModal = [&answer](HWND box) { SendMessageW(box, answer.message, answer.wParam, 0); };
    EXPECT_EQ(form.AskYesNo("Continue the unfinished run?"), answer.yes) << answer.message;
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].title, "Talvex");
  }
}

TEST_F(Form1Fixture, PictureAreaKeepsWhatItShowedWhenAPictureCannotBeDecoded) {
  auto& area = form.Controls().Get<TPictureArea>("Image1");
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(600, 450));
  form.SetPicture(picture);
  ASSERT_TRUE(area.HasPicture());
  const Place place = area.Bounds();
  EXPECT_EQ(area.Prepared().width, place.width);
  EXPECT_EQ(area.Prepared().height, place.height);
  // Red on the left, blue on the right (0x00RRGGBB).
  const uint32_t left = area.Prepared().bits[place.width / 4];
  const uint32_t right = area.Prepared().bits[place.width * 3 / 4];
  EXPECT_GT(left >> 16 & 0xFF, 200u);
  EXPECT_GT(right & 0xFF, 200u);
  imagestore::TJPEGImage cmyk;
  cmyk.LoadFromBytes(test::CmykJpeg());
  EXPECT_THROW(form.SetPicture(cmyk), imagestore::EJPEG);
  EXPECT_EQ(area.Prepared().bits[place.width / 4], left);
}

TEST_F(Form1Fixture, PicturePreparedOnAWorkerThreadIsShownWithoutBeingMadeAgain) {
  auto& area = form.Controls().Get<TPictureArea>("Image1");
  const Place place = area.Bounds();
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(600, 450));
  const auto preparer = form.PicturePreparer();
  ASSERT_NE(preparer, nullptr);
  std::shared_ptr<const experiment::IPreparedPixels> prepared;
  std::thread([&] { prepared = preparer->Prepare(picture); }).join();
  const TDibPixels& pixels = dynamic_cast<const TPreparedPixels&>(*prepared).pixels;
  form.SetPreparedPicture(picture, *prepared);
  EXPECT_EQ(area.Prepared().bits, pixels.bits);  // the worker's section, not a new one
  EXPECT_GT(area.Prepared().bits[place.width / 4] >> 16 & 0xFF, 200u);

  // Pixels made for another size are made again at the area's.
  imagestore::TJPEGImage another;
  another.LoadFromBytes(test::TwoColourJpeg(600, 450));
  const auto small = TPicturePreparer(10, 10).Prepare(another);
  form.SetPreparedPicture(another, *small);
  EXPECT_EQ(area.Prepared().width, place.width);
  EXPECT_NE(area.Prepared().bits, dynamic_cast<const TPreparedPixels&>(*small).pixels.bits);

  imagestore::TJPEGImage cmyk;
  cmyk.LoadFromBytes(test::CmykJpeg());
  EXPECT_THROW(preparer->Prepare(cmyk), imagestore::EJPEG);
}

TEST_F(Form1Fixture, TimerDeliversItsEventsUntilStopped) {
  form.SetTimerInterval(0);
  form.SetTimerInterval(30);
  EXPECT_TRUE(test::PumpUntil([this] { return calls.size() >= 2; }, 5000));
  for (const std::string& call : calls) EXPECT_EQ(call, "Timer1Timer");
  form.SetTimerInterval(0);
  test::Pump(20);  // a wake-up already posted is stale
  calls.clear();
  test::Pump(200);
  EXPECT_TRUE(calls.empty());
}

TEST_F(Form1Fixture, AboutWindowOpensModallyAndItsLinksOpenTheirAddresses) {
  test::ModalWatcher watcher;
  form.About2Click();
  ASSERT_EQ(watcher.seen.size(), 1u);
  EXPECT_EQ(watcher.seen[0].className, "TalvexForm2");
  EXPECT_EQ(watcher.seen[0].title, "About");
  EXPECT_TRUE(IsWindowEnabled(form.Handle()));  // the owner takes input again once it closed

  TForm2 about(system, std::make_unique<test::GeneratedLoader>(), form.Handle());
  EXPECT_TRUE(about.Controls().Get<TPictureArea>("Image1").HasPicture());
  for (const char* name : {"Label12", "Label13"}) {
    MouseClick(about.Controls().Get(name).Handle());
  }
  MouseClick(about.Controls().Get("Label6").Handle());  // not a link: nothing opens
  ASSERT_EQ(system.opened.size(), 2u);
  EXPECT_EQ(system.opened[0], about.Controls().Get<TLink>("Label12").Address());
  EXPECT_EQ(system.opened[1], about.Controls().Get<TLink>("Label13").Address());
}

}  // namespace
}  // namespace talvex::win32
