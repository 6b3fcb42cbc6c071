#pragma once
// The shell's window wrapper. TWindow owns the HWND of a top-level window of a class this
// program registers and receives its messages through one static window procedure, which finds
// the object from the pointer kept with the window (GWLP_USERDATA, stored at WM_NCCREATE).
// TControl owns a child control: a standard control (BUTTON, EDIT, STATIC, the progress bar)
// or one of the program's own classes. The notifications a control sends its parent
// (WM_COMMAND, WM_NOTIFY, the colour and cursor requests) are reflected to the TControl that
// sent them, and each control's own messages reach it through a subclass.

#include <functional>
#include <string>

#include "windows_api.h"

namespace talvex::win32 {

// Where a window or control lies, in pixels: relative to the client area of its parent, or to
// the screen for a top-level window.
struct Place {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Registers a window class of the program once; later calls with the same name do nothing.
// Its background is the button-face colour; its procedure DefWindowProcW unless one is given.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure = nullptr, HICON icon = nullptr);

// The raised failure when the system refuses to make a window.
[[noreturn]] void ThrowWindowFailure(const char* what);

class TWindow {
 public:
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  virtual ~TWindow();

  // Null once the window has been destroyed.
  HWND Handle() const { return hwnd_; }

 protected:
  TWindow() = default;

  // Registers the class (once) with TWindow's procedure and the given icon, and makes the
  // window, hidden; raises when the system refuses. place is the outer rectangle on the screen.
  void Create(const wchar_t* className, HICON icon, DWORD exStyle, DWORD style,
              const std::wstring& caption, const Place& place, HWND owner, HMENU menu);

  // The window's messages. The default reflects the notifications of controls to them, answers
  // their colour requests with the button-face colour, and passes the rest to DefWindowProcW.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

class TControl {
 public:
  // Makes the child control with the given styles; raises when the system refuses.
  TControl(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle,
           const std::wstring& text, const Place& place, int id);
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  virtual ~TControl();

  // Null once destroyed (by Destroy or with its parent).
  HWND Handle() const { return hwnd_; }
  bool Exists() const { return hwnd_ != nullptr; }
  // Removes the control for good; a later call does nothing.
  void Destroy();

  // The text as UTF-8 (the core's text); "" once destroyed.
  std::string Text() const;
  void SetText(const std::string& text);
  std::wstring WideText() const;

  void SetFont(HFONT font);
  HFONT Font() const;
  Place Bounds() const;  // relative to the parent's client area
  void Move(const Place& place);

  // The control whose handle this is, when the shell made it; else null.
  static TControl* FromHandle(HWND window);

  // Notification codes of WM_COMMAND from this control (BN_CLICKED, STN_CLICKED...).
  std::function<void(WORD code)> onCommand;

  // Reflected colour request (WM_CTLCOLORSTATIC / WM_CTLCOLORBTN): a brush, or null for the
  // parent's default.
  virtual HBRUSH OnColour(HDC dc);
  // Reflected WM_SETCURSOR for the control's client area: true when it set the cursor.
  virtual bool OnSetCursor() { return false; }

 protected:
  // The control's own messages, before its class's procedure sees them; the default passes
  // them on (CallOwnProcedure).
  virtual LRESULT OwnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT CallOwnProcedure(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
  HWND hwnd_ = nullptr;
};

}  // namespace talvex::win32
