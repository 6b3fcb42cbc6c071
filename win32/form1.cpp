#include "form1.h"

#include <commctrl.h>
#include <dwmapi.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "form2.h"
#include "message_boxes.h"
#include "talvex/experiment/text_fitting.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/platform/wide_text.h"
#include "talvex/platform/windows_system.h"

namespace talvex::win32 {

using experiment::RemovableControl;
using experiment::TextControl;
using platform::Widen;

namespace {

constexpr const wchar_t* kClassName = L"TalvexForm1";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// Controls get IDs from here on, clear of the IDs the dialog manager sends (IDOK, IDCANCEL).
constexpr int kFirstControlId = 100;

HICON ProgramIcon() {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource),
                                       IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

}  // namespace

TForm1::TForm1(System& system, experiment::LoaderFactory makeLoader,
               const experiment::EventsFactory& makeEvents, experiment::StudySettings study)
    : system_(system), makeLoader_(std::move(makeLoader)), study_(std::move(study)) {
  const experiment::WindowLayout& layout = experiment::Form1Layout();
  windowFont_ = MakeFont(layout.font);
  if (!windowFont_) ThrowWindowFailure("window font");
  scale_ = DesignScale(windowFont_.Get());

  HMENU menu = BuildMenu();  // owned by the window once it is made
  const Place outer =
      OuterPlace(layout.left, layout.top, experiment::Scaled(layout.clientWidth, scale_),
                 experiment::Scaled(layout.clientHeight, scale_), kStyle, true);
  // The window keeps its controls in the tab order the table gives.
  Create(kClassName, ProgramIcon(), WS_EX_CONTROLPARENT, kStyle, Widen(layout.caption), outer,
         nullptr, menu);
  controls_ =
      std::make_unique<TControlSet>(Handle(), layout, windowFont_.Get(), scale_, kFirstControlId);

  image1_ = &controls_->Get<TPictureArea>("Image1");
  label1_ = &controls_->Get<TLabel>("Label1");
  for (size_t i = 0; i < ratings_.size(); ++i) {
    ratings_[i] = &controls_->Get<TButton>("RadioButton" + std::to_string(i + 1));
  }
  button2_ = &controls_->Get<TButton>("Button2");
  edit1_ = &controls_->Get<TEditField>("Edit1");
  progressBar1_ = &controls_->Get("ProgressBar1");
  memo1_ = &controls_->Get("Memo1");
  focus_ = edit1_->Handle();
  ConnectEvents();
  SetBoxOwner(Handle());
  platform::SetShellOwnerWindow(Handle());

  // The designed timer is enabled with 1000 ms; the creation event stops it before any event
  // is delivered.
  wake_ = std::make_unique<TWakeTimer>(Handle(), kTimer1WakeMessage);
  timer1_.SetInterval(1000);

  events_ = makeEvents(*this);
}

TForm1::~TForm1() {
  SetBoxOwner(nullptr);
  platform::SetShellOwnerWindow(nullptr);
  // The wake timer's thread ends before the window it posts to.
  wake_.reset();
}

HMENU TForm1::BuildMenu() {
  const experiment::MenuLayout& menu = *experiment::Form1Layout().menu;
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  if (bar == nullptr || popup == nullptr) ThrowWindowFailure("menu");
  for (size_t i = 0; i < menu.itemCount; ++i) {
    const std::string name = menu.items[i].name;
    const WORD id = name == "About1" ? kAbout1Id : kAbout2Id;
    AppendMenuW(popup, MF_STRING, id, Widen(menu.items[i].caption).c_str());
  }
  // The bar owns the popup, and the window the bar.
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), Widen(menu.caption).c_str());
  return bar;
}

void TForm1::ConnectEvents() {
  button2_->onClick = [this] { Forward([this] { events_->Button2Click(); }); };
  edit1_->onClick = [this] { Forward([this] { events_->Edit1Click(); }); };
  for (size_t i = 0; i < ratings_.size(); ++i) {
    const int rating = static_cast<int>(i) + 1;
    ratings_[i]->onClick = [this, rating] { RatingClicked(rating); };
  }
}

template <class Handler>
void TForm1::Forward(Handler&& handler) {
  if (events_ == nullptr) return;
  Guarded(std::forward<Handler>(handler));
}

// BN_CLICKED of a rating button, by mouse or keyboard, after the button has changed its state.
// It comes while the button handles the release or the key itself, so the handler's own time
// stands in for the input's (the messages' own times count in system ticks of about 16 ms).
void TForm1::RatingClicked(int rating) {
  if (!ratingClicks_.Clicked(rating, IsRatingChecked(rating))) return;
  Forward([this, rating] { events_->OnRadioButtonClick(rating, std::nullopt); });
}

void TForm1::FormCreate() {
  Forward([this] { events_->FormCreate(); });
}

bool TForm1::SetUpComplete() const {
  return events_ != nullptr && events_->SetUpComplete();
}

void TForm1::ShowFirst(int showCommand) {
  ShowWindow(Handle(), showCommand);
  UpdateWindow(Handle());
}

void TForm1::About1Click() {
  Guarded([this] { system_.OpenWebAddress(study_.instructionsPage); });
}

void TForm1::About2Click() {
  Guarded([this] {
    // A new window each time; its creation loads its picture anew.
    TForm2 about(system_, makeLoader_(), Handle(), study_);
    about.ShowModal();
  });
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (lParam == 0 && HIWORD(wParam) == 0) {  // a menu command
        if (LOWORD(wParam) == kAbout1Id) About1Click();
        if (LOWORD(wParam) == kAbout2Id) About2Click();
        return 0;
      }
      break;
    case kTimer1WakeMessage:
      if (wake_ != nullptr && wake_->IsCurrent(wParam)) Guarded([this] { timer1_.Wake(); });
      return 0;
    case WM_ACTIVATE:
      // The focus goes back to the control that had it, the ID field at first.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focused = GetFocus();
        if (focused != nullptr && IsChild(Handle(), focused)) focus_ = focused;
      } else if (focus_ != nullptr && IsWindow(focus_)) {
        FocusOrNext(focus_);
      } else {
        SetFocus(Handle());
      }
      return 0;
    case WM_DESTROY:
      // Closed by the rater: the event loop stops; nothing is sealed.
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

void TForm1::SetPicture(const imagestore::TJPEGImage& picture) {
  image1_->SetPicture(picture);
}

void TForm1::SetPreparedPicture(const imagestore::TJPEGImage& picture,
                                const experiment::IPreparedPixels& prepared) {
  image1_->SetPicture(picture, &prepared);
}

std::shared_ptr<const experiment::IPicturePreparer> TForm1::PicturePreparer() const {
  return image1_->Preparer();
}

// The area paints when its picture is set; what GDI still holds in its batch is handed on, and
// where the desktop is composed, the composer's next frame is waited for.
void TForm1::WaitUntilDisplayed() {
  GdiFlush();
  BOOL composed = FALSE;
  if (SUCCEEDED(DwmIsCompositionEnabled(&composed)) && composed) DwmFlush();
}

TControl& TForm1::Removable(RemovableControl control) const {
  return control == RemovableControl::Memo1 ? *memo1_ : static_cast<TControl&>(*edit1_);
}

std::string TForm1::GetText(TextControl control) const {
  switch (control) {
    case TextControl::Button2:
      return button2_->Text();
    case TextControl::Label1:
      return label1_->Text();
    case TextControl::Edit1:
      return edit1_->Text();  // "" once removed
    case TextControl::Memo1:
      return memo1_->Text();
  }
  return {};
}

void TForm1::SetText(TextControl control, const std::string& text) {
  switch (control) {
    case TextControl::Button2:
      button2_->SetText(text);
      break;
    case TextControl::Label1:
      label1_->SetLabelText(text);
      break;
    case TextControl::Edit1:
      edit1_->SetText(text);  // nothing once removed
      break;
    case TextControl::Memo1:
      if (memo1_->Exists()) {
        memo1_->SetText(text);
        FitMemoFont();
      }
      break;
  }
}

// The welcome text fills its box in the designed font, or the largest size at which the whole
// text fits, since the box has no scroll bars.
void TForm1::FitMemoFont() {
  RECT box{};
  SendMessageW(memo1_->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&box));
  const std::wstring text = memo1_->WideText();
  const int points = experiment::FittingPointSize(
      experiment::kMemoFont.points, experiment::Form1Layout().font.points, [&](int size) {
        const UniqueFont trial = MakeFont(experiment::kMemoFont, false, size);
        const WindowDc screen;
        const SelectedObject selected(screen.Get(), trial.Get());
        RECT needed{0, 0, box.right - box.left, 0};
        DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &needed,
                  DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        return needed.bottom <= box.bottom - box.top;
      });
  UniqueFont font = MakeFont(experiment::kMemoFont, false, points);
  memo1_->SetFont(font.Get());
  memoFont_ = std::move(font);  // the font it had before is no longer in use
}

void TForm1::SetButtonEnabled(bool enabled) {
  // A disabled control keeps the focus it has, and then no key reaches the window.
  const bool hadFocus = GetFocus() == button2_->Handle();
  EnableWindow(button2_->Handle(), enabled ? TRUE : FALSE);
  if (hadFocus) FocusOrNext(button2_->Handle());
}

bool TForm1::CanTakeFocus(HWND control) {
  return control != nullptr && IsWindowEnabled(control) && IsWindowVisible(control);
}

void TForm1::FocusOrNext(HWND control) {
  if (CanTakeFocus(control)) {
    SetFocus(control);
    return;
  }
  const experiment::ControlLayout* next =
      experiment::NextFocus(experiment::Form1Layout(), controls_->NameOf(control),
                            [this](const experiment::ControlLayout& candidate) {
                              const TControl* made = controls_->Find(candidate.name);
                              return made != nullptr && CanTakeFocus(made->Handle());
                            });
  SetFocus(next != nullptr ? controls_->Find(next->name)->Handle() : Handle());
}

bool TForm1::IsRatingChecked(int rating) const {
  if (rating < 1 || static_cast<size_t>(rating) > ratings_.size()) return false;
  return ratings_[static_cast<size_t>(rating - 1)]->Checked();
}

void TForm1::UncheckRating(int rating) {
  if (rating < 1 || static_cast<size_t>(rating) > ratings_.size()) return;
  ratings_[static_cast<size_t>(rating - 1)]->SetChecked(false);
  ratingClicks_.Unchecked(rating);
  // An unchecked rating button loses its tab stop; with none checked the first one is the
  // set's stop again, so that Tab and Shift+Tab still reach the ratings.
  if (std::none_of(ratings_.begin(), ratings_.end(), [](TButton* r) { return r->Checked(); })) {
    const HWND first = ratings_[0]->Handle();
    SetWindowLongPtrW(first, GWL_STYLE, GetWindowLongPtrW(first, GWL_STYLE) | WS_TABSTOP);
  }
}

void TForm1::SetProgress(int position) {
  SendMessageW(progressBar1_->Handle(), PBM_SETPOS,
               static_cast<WPARAM>(std::clamp(position, 0, 100)), 0);
}

void TForm1::SetTimerInterval(uint32_t milliseconds) {
  timer1_.SetInterval(milliseconds);
}

bool TForm1::WakeAfter(int milliseconds) {
  return wake_->Arm(milliseconds);
}

void TForm1::CancelWake() {
  wake_->Cancel();
}

void TForm1::RehearsePaint() {
  image1_->Repaint();
}

void TForm1::TouchNextPicture() {
  image1_->TouchPreviousPicture();
}

void TForm1::IntervalElapsed() {
  Forward([this] { events_->Timer1Timer(); });
}

void TForm1::RemoveControl(RemovableControl control) {
  TControl& removed = Removable(control);
  if (!removed.Exists()) return;
  // A control that goes while it has the focus hands it on to the next one.
  const bool hadFocus = GetFocus() == removed.Handle();
  ShowWindow(removed.Handle(), SW_HIDE);
  if (hadFocus) FocusOrNext(removed.Handle());
  if (focus_ == removed.Handle()) focus_ = nullptr;
  removed.Destroy();
}

bool TForm1::HasControl(RemovableControl control) const {
  return Removable(control).Exists();
}

void TForm1::SetNormalState() {
  // A hidden window made by the program is in its normal state already.
  if (IsWindowVisible(Handle()) && (IsIconic(Handle()) || IsZoomed(Handle()))) {
    ShowWindow(Handle(), SW_RESTORE);
  }
}

void TForm1::ShowMessage(const std::string& text) {
  ShowMessageBox(text);
}

void TForm1::EndProgram() {
  endRequested_ = true;
  // The loop ends once the current handler has returned.
  PostQuitMessage(0);
}

void TForm1::OpenWebAddress(const std::string& address) {
  system_.OpenWebAddress(address);
}

bool TForm1::AskYesNo(const std::string& text) {
  return AskYesNoBox(text);
}

}  // namespace talvex::win32
