#include "form2.h"

#include <utility>

#include "controls.h"
#include "message_boxes.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/platform/wide_text.h"

namespace talvex::win32 {
namespace {

constexpr const wchar_t* kClassName = L"TalvexForm2";
// Resizable with minimise and maximise boxes; no menu and no buttons of its own.
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;

}  // namespace

TForm2::TForm2(System& system, std::unique_ptr<imagestore::TResourceManager> loader, HWND owner,
               const experiment::StudySettings& study)
    : owner_(owner), events_(system, std::move(loader), *this, study) {
  const experiment::WindowLayout& layout = events_.Layout();
  windowFont_ = MakeFont(layout.font);
  if (!windowFont_) ThrowWindowFailure("window font");
  scale_ = DesignScale(windowFont_.Get());
  const Place outer =
      OuterPlace(layout.left, layout.top, experiment::Scaled(layout.clientWidth, scale_),
                 experiment::Scaled(layout.clientHeight, scale_), kStyle, false);
  Create(kClassName, nullptr, 0, kStyle, platform::Widen(layout.caption), outer, owner, nullptr);
  controls_ =
      std::make_unique<TControlSet>(Handle(), layout, windowFont_.Get(), scale_, kFirstControlId);
  controls_->Get<TPictureArea>("Image1").onClick = [this] { Image1Click(); };
  for (TControl* control : controls_->Stacking()) {
    if (auto* link = dynamic_cast<TLink*>(control)) {
      link->onClick = [this, link] { Label12Click(*link); };
    }
  }
  Guarded([this] { events_.FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::SetPicture(const imagestore::TJPEGImage& picture) {
  controls_->Get<TPictureArea>("Image1").SetPicture(picture);
}

void TForm2::ShowModal() {
  const bool ownerWasEnabled = owner_ != nullptr && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  modal_ = true;
  ShowWindow(Handle(), SW_SHOW);
  MSG message{};
  while (modal_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: the outer loop must see the quit too.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The owner is enabled before this window goes, so that it becomes the active window again.
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  ShowWindow(Handle(), SW_HIDE);
  modal_ = false;
}

void TForm2::Label12Click(const TControl& sender) {
  const std::string name = controls_->NameOf(sender.Handle());
  Guarded([this, &name] { events_.Label12Click(name); });
}

void TForm2::Image1Click() {
  Guarded([this] { events_.Image1Click(); });
}

LRESULT TForm2::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // Closing hides the window and ends the modal display; the window goes with its object.
    if (modal_ && owner_ != nullptr) EnableWindow(owner_, TRUE);
    modal_ = false;
    ShowWindow(Handle(), SW_HIDE);
    return 0;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace talvex::win32
