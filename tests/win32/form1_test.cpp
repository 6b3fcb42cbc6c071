#include "form1.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "form2.h"
#include "talvex/exception.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/pack/stamp.h"
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
  uint32_t designedTimerInterval = 0;

  void SetUp() override {
    // The designed timer is stopped as the creation event stops it, so that no test meets its
    // events on a slow machine unless it starts the timer itself.
    designedTimerInterval = form.Timer1().Interval();
    form.SetTimerInterval(0);
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
  // Boxes appear in the centre of the screen's work area, not over the window that owns them.
  static void ExpectCentredOnTheScreen(const RECT& box) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((box.left + box.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((box.top + box.bottom) / 2, (work.top + work.bottom) / 2, 1);
  }
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
  EXPECT_EQ(designedTimerInterval, 1000u);
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
  form.RemoveControl(RemovableControl::Memo1);
  EXPECT_EQ(form.GetText(TextControl::Memo1), "");
}

// A keyboard-only rater is never left with the focus on a control that takes no keys: the
// focus of a control that is disabled or removed goes to the next one of the tab order that
// can take it, and with no rating checked the first rating is the set's tab stop again.
TEST_F(Form1Fixture, FocusOfADisabledOrRemovedControlGoesOnToTheNextThatCanTakeIt) {
  SetFocus(Handle("Edit1"));
  form.RemoveControl(RemovableControl::Edit1);
  EXPECT_EQ(GetFocus(), Rating(1).Handle());
  SetFocus(Handle("Button2"));
  form.SetButtonEnabled(false);
  EXPECT_EQ(GetFocus(), Handle("Memo1"));
  form.SetButtonEnabled(true);
  form.RemoveControl(RemovableControl::Memo1);
  SetFocus(Handle("Button2"));
  form.SetButtonEnabled(false);  // as Start and Next are pressed
  EXPECT_EQ(GetFocus(), Rating(1).Handle());

  form.SetButtonEnabled(true);
  Click(Rating(3).Handle());
  for (int n = 1; n <= 5; ++n) form.UncheckRating(n);
  EXPECT_EQ(GetNextDlgTabItem(form.Handle(), Handle("Button2"), TRUE), Rating(1).Handle());
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
  for (const test::SeenModal& box : watcher.seen) ExpectCentredOnTheScreen(box.place);
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
    ExpectCentredOnTheScreen(watcher.seen[0].place);
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
  for (const char* name : {"Label12", "Label13", "Label6"}) {  // Label6 is no link
    MouseClick(about.Controls().Get(name).Handle());
  }
  EXPECT_EQ(system.opened,
            (std::vector<std::string>{experiment::BuiltStudySettings().institution1Page,
                                      experiment::BuiltStudySettings().institution2Page}));
}

// The program ends while the About window is open (a quit posted inside its modal loop): the
// loop ends, the main window takes input again and the loop outside still sees the quit.
TEST_F(Form1Fixture, AboutWindowPassesAQuitOnToTheLoopOutside) {
  test::ModalWatcher watcher;
  watcher.onModal = [](HWND) { PostQuitMessage(7); };
  form.About2Click();
  ASSERT_EQ(watcher.seen.size(), 1u);
  EXPECT_TRUE(IsWindowEnabled(form.Handle()));
  MSG quit{};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
}

// The rightmost column that drawing the text in the font leaves ink in, plus one (0: none).
int InkWidth(HFONT font, const std::wstring& text, int height) {
  const int width = 2048;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const MemoryDc dc;
  const SelectedObject selectedBitmap(dc.Get(), bitmap.Get());
  const SelectedObject selectedFont(dc.Get(), font);
  RECT all{0, 0, width, height};
  FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc.Get(), RGB(0, 0, 0));
  SetBkMode(dc.Get(), TRANSPARENT);
  // As a one-line label draws it.
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &all,
            DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int x = width - 1; x >= 0; --x) {
    for (int y = 0; y < height; ++y) {
      if ((pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF) return x + 1;
    }
  }
  return 0;
}

// Every label of both windows holds the ink of its text as drawn in its own font: a glyph that
// reaches past its advance (the tail of a "y", the arm of an "r") is not cut off.
TEST_F(Form1Fixture, EveryLabelHoldsItsTextAsDrawnInItsOwnFont) {
  TForm2 about(system, std::make_unique<test::GeneratedLoader>(), form.Handle());
  for (const TControlSet* set : {&form.Controls(), &about.Controls()}) {
    for (TControl* control : set->Stacking()) {
      if (dynamic_cast<TLabel*>(control) == nullptr) continue;
      RECT client{};
      GetClientRect(control->Handle(), &client);
      EXPECT_LE(InkWidth(control->Font(), control->WideText(), client.bottom), client.right)
          << control->Text();
    }
  }
}

TEST_F(Form1Fixture, AboutWindowShowsTheSettingsStampedIntoTheProgram) {
  const std::vector<uint8_t> stamped = pack::WriteResourceImage({pack::StudySettingsResource(
      "instructions_page = https://s.example/i\nvideo_page = https://s.example/video\n"
      "institution1 = Eye Group, Uni, Land\ninstitution1_page = https://s.example/one\n"
      "institution2 = Optics, Uni, Land\ninstitution2_page = https://s.example/two\n"
      "authors = A. \xC3\x84rztin; B. Two\nwebserver_name = W. Web\nwebserver_town = Ort\n"
      "thanks = T1; T2; T3; T4; T5; T6; T7\nclinic = Glaucoma\nhospital = Eye Hospital\n")});
  const experiment::StudySettings study = experiment::ReadStudySettings(
      imagestore::ImageSource::InMemory({stamped.data(), stamped.size()}));
  TForm2 about(system, std::make_unique<test::GeneratedLoader>(), form.Handle(), study);
  EXPECT_EQ(about.Controls().Get("Label11").Text(), "A. \xC3\x84rztin, B. Two");
  EXPECT_EQ(about.Controls().Get("Label12").Text(), "Eye Group, Uni, Land");
  EXPECT_EQ(about.Controls().Get("Label14").Text(), "T1");
  EXPECT_EQ(about.Controls().Get("Label5").Text(), "T7");
  EXPECT_EQ(about.Controls().Get("Label4").Text(), "at the Eye Hospital.");
  MouseClick(about.Controls().Get("Label13").Handle());
  MouseClick(about.Controls().Get("Image1").Handle());
  EXPECT_EQ(system.opened,
            (std::vector<std::string>{"https://s.example/two", "https://s.example/video"}));
}

}  // namespace
}  // namespace talvex::win32
