#include "window.h"

#include <commctrl.h>

#include <string>

#include "message_boxes.h"
#include "talvex/exception.h"
#include "talvex/platform/wide_text.h"

namespace talvex::win32 {

using platform::Narrow;
using platform::Widen;

namespace {

// The window property that leads from a control's handle to its TControl.
constexpr const wchar_t* kControlProperty = L"TalvexControl";

}  // namespace

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, name, &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure != nullptr ? procedure : DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hIconSm = icon;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = name;
  if (RegisterClassExW(&windowClass) == 0) ThrowWindowFailure("window class");
}

void ThrowWindowFailure(const char* what) {
  throw Exception(FormatMessage("The system refused to make the %s (error %lu)", what,
                                static_cast<unsigned long>(GetLastError())));
}

// --- TWindow ------------------------------------------------------------------------------

TWindow::~TWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void TWindow::Create(const wchar_t* className, HICON icon, DWORD exStyle, DWORD style,
                     const std::wstring& caption, const Place& place, HWND owner, HMENU menu) {
  RegisterWindowClass(className, &TWindow::WindowProc, icon);
  // The procedure keeps this object with the window at WM_NCCREATE.
  if (CreateWindowExW(exStyle, className, caption.c_str(), style, place.left, place.top,
                      place.width, place.height, owner, menu, GetModuleHandleW(nullptr),
                      this) == nullptr) {
    ThrowWindowFailure("window");
  }
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // From a control: lParam is its handle. Menu commands come with none.
      if (TControl* control = TControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (control->onCommand) control->onCommand(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      if (TControl* control = TControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (const HBRUSH brush = control->OnColour(dc)) return reinterpret_cast<LRESULT>(brush);
      }
      // Texts and frames on the windows' own button-face background.
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR: {
      const auto over = reinterpret_cast<HWND>(wParam);
      if (over != hwnd_ && LOWORD(lParam) == HTCLIENT) {
        TControl* control = TControl::FromHandle(over);
        if (control != nullptr && control->OnSetCursor()) return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);

  LRESULT result = 0;
  // Nothing may unwind through the system's frames: a failure that escapes a message is shown
  // in the error box, as one that escapes an event handler.
  Guarded([&] { result = self->HandleMessage(message, wParam, lParam); });
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

// --- TControl -----------------------------------------------------------------------------

TControl::TControl(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle,
                   const std::wstring& text, const Place& place, int id) {
  hwnd_ = CreateWindowExW(exStyle, className, text.c_str(), style | WS_CHILD, place.left, place.top,
                          place.width, place.height, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) ThrowWindowFailure("control");
  SetPropW(hwnd_, kControlProperty, this);
  SetWindowSubclass(hwnd_, &TControl::SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

TControl::~TControl() {
  Destroy();
}

void TControl::Destroy() {
  if (hwnd_ == nullptr) return;
  // WM_NCDESTROY clears the handle.
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

std::wstring TControl::WideText() const {
  if (hwnd_ == nullptr) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  const int length = GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

std::string TControl::Text() const {
  return Narrow(WideText());
}

void TControl::SetText(const std::string& text) {
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Widen(text).c_str());
}

void TControl::SetFont(HFONT font) {
  if (hwnd_ != nullptr) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HFONT TControl::Font() const {
  return hwnd_ != nullptr ? reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0))
                          : nullptr;
}

Place TControl::Bounds() const {
  RECT rect{};
  if (hwnd_ == nullptr) return {};
  GetWindowRect(hwnd_, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void TControl::Move(const Place& place) {
  if (hwnd_ != nullptr) {
    SetWindowPos(hwnd_, nullptr, place.left, place.top, place.width, place.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

TControl* TControl::FromHandle(HWND window) {
  // Only the shell's controls carry the property; a handle of anything else gives null.
  return window != nullptr ? static_cast<TControl*>(GetPropW(window, kControlProperty)) : nullptr;
}

HBRUSH TControl::OnColour(HDC) {
  return nullptr;
}

LRESULT TControl::OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallOwnProcedure(message, wParam, lParam);
}

LRESULT TControl::CallOwnProcedure(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<TControl*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &TControl::SubclassProc, 0);
    RemovePropW(window, kControlProperty);
    self->hwnd_ = nullptr;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  Guarded([&] { result = self->OwnMessage(message, wParam, lParam); });
  return result;
}

}  // namespace talvex::win32
