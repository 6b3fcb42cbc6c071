#pragma once
// The controls of the windows that do more than a bare standard control: a one-line label sized
// to its text, a link label, the ID field, and the standard controls whose clicks the windows
// take (push and radio buttons).

#include <functional>
#include <string>

#include "window.h"

namespace talvex::win32 {

// The size a one-line text needs in the given font as drawn, in pixels.
SIZE TextSize(HFONT font, const std::wstring& text);
// The font's text height (ascent plus descent), in pixels.
int TextHeight(HFONT font);

// The one mouse-click rule of the windows' own clickable controls (the ID field, the links, the
// picture area): the left button pressed over the control and released over it.
class TMouseClick {
 public:
  // Takes one of the control's messages (WM_LBUTTONDOWN, WM_LBUTTONUP; others are ignored);
  // true when it completes a click.
  bool Take(HWND control, UINT message, LPARAM lParam);

 private:
  bool pressed_ = false;
};

// A button (push, radio or group box); onClick runs at BN_CLICKED.
class TButton : public TControl {
 public:
  TButton(HWND parent, DWORD style, const std::wstring& text, const Place& place, int id);
  std::function<void()> onClick;

  bool Checked() const;
  void SetChecked(bool checked);  // raises no click

 protected:
  LRESULT OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A one-line label (STATIC, no prefix characters, no word wrap). A label sized to its text
// keeps that size when its text changes.
class TLabel : public TControl {
 public:
  TLabel(HWND parent, DWORD style, const std::wstring& text, const Place& place, int id);
  void FitToText();
  void SetLabelText(const std::string& text);
  bool sizedToText = false;
};

// A label drawn as a link: pure blue on the button face, underlined (its font), a pointing
// hand over it; onClick runs when it is clicked (TMouseClick). The address it opens is the
// layout table's, never shown.
class TLink : public TLabel {
 public:
  TLink(HWND parent, DWORD style, const std::wstring& text, const Place& place, int id);
  std::function<void()> onClick;

  HBRUSH OnColour(HDC dc) override;
  bool OnSetCursor() override;

 protected:
  LRESULT OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  TMouseClick click_;
};

// The one-line ID field: no length limit of its own; its whole text is selected when it
// receives the focus other than by a mouse click; onClick runs at a mouse click (TMouseClick).
class TEditField : public TControl {
 public:
  TEditField(HWND parent, DWORD style, const std::wstring& text, const Place& place, int id);
  std::function<void()> onClick;

 protected:
  LRESULT OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  TMouseClick click_;
};

}  // namespace talvex::win32
