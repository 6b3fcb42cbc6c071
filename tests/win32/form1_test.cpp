#include "form1.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>

#include "form2.h"
#include "talvex/exception.h"
#include "talvex/experiment/window_layout.h"
#include "win32_test_support.h"

namespace talvex::win32 {
namespace {

using experiment::RemovableControl;
using experiment::TextControl;

// A main window over recording events and a recording system, shown.
struct Form1Fixture : ::testing::Test {
  test::RecordingSystem system;
  std::vector<std::string> calls;
  test::RecordingEvents* events = nullptr;
  std::shared_ptr<int> loads = std::make_shared<int>(0);
  TForm1 form{system, [this] { return std::make_unique<test::GeneratedLoader>(loads); },
              test::RecordingEventsFactory(calls, &events)};

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
  EXPECT_STREQ(caption, L"Talvex 2010");
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
  EXPECT_EQ(form.GetText(TextControl::Memo1), "Memo1");
  EXPECT_EQ(form.GetText(TextControl::Edit1), "Enter your ID here.");
  EXPECT_EQ(form.GetText(TextControl::Button2), "Button2");
  EXPECT_EQ(Control("Label2").Text(), "eg. m2B33");
  EXPECT_EQ(Control("RadioGroup1").Text(), "Rating");
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

}  // namespace
}  // namespace talvex::win32
