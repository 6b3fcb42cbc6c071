#include "controls.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>

#include "handles.h"

namespace talvex::win32 {

namespace {

// How far to the right drawing the text in the font leaves ink, in pixels: the text is drawn as
// a one-line label draws it, black on white, into a bitmap with room to spare.
int InkWidth(HFONT font, const std::wstring& text, int room, int height) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), room, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const MemoryDc dc;
  if (!bitmap || dc.Get() == nullptr) return 0;
  const SelectedObject selectedBitmap(dc.Get(), bitmap.Get());
  const SelectedObject selectedFont(dc.Get(), font);
  RECT area{0, 0, room, height};
  FillRect(dc.Get(), &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc.Get(), RGB(0, 0, 0));
  SetBkMode(dc.Get(), TRANSPARENT);
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &area,
            DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int x = room - 1; x >= 0; --x) {
    for (int y = 0; y < height; ++y) {
      if ((pixels[static_cast<size_t>(y) * static_cast<size_t>(room) + static_cast<size_t>(x)] &
           0xFFFFFFu) != 0xFFFFFFu) {
        return x + 1;
      }
    }
  }
  return 0;
}

}  // namespace

SIZE TextSize(HFONT font, const std::wstring& text) {
  SIZE size{};
  {
    const WindowDc screen;
    const SelectedObject selected(screen.Get(), font);
    GetTextExtentPoint32W(screen.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen.Get(), &metrics);
    if (size.cy < metrics.tmHeight) size.cy = metrics.tmHeight;
  }
  // The extent sums the advances the font reports. The ink can reach further: a last glyph
  // past its advance (the tail of a "y"), or drawn advances that add up to more (Wine's, by a
  // pixel or two over a line); the text needs its room as drawn, or its control cuts it off.
  if (!text.empty() && size.cy > 0) {
    size.cx = std::max<LONG>(size.cx, InkWidth(font, text, size.cx + 2 * size.cy, size.cy));
  }
  return size;
}

int TextHeight(HFONT font) {
  const WindowDc screen;
  const SelectedObject selected(screen.Get(), font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.Get(), &metrics);
  return static_cast<int>(metrics.tmHeight);
}

// --- TMouseClick ---------------------------------------------------------------------------

bool TMouseClick::Take(HWND control, UINT message, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    pressed_ = true;
    // The release reaches the control wherever the pointer then is.
    SetCapture(control);
    return false;
  }
  if (message != WM_LBUTTONUP) return false;
  if (GetCapture() == control) ReleaseCapture();
  RECT client{};
  GetClientRect(control, &client);
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const bool click = pressed_ && PtInRect(&client, at);
  pressed_ = false;
  return click;
}

// --- TButton --------------------------------------------------------------------------------

TButton::TButton(HWND parent, DWORD style, const std::wstring& text, const Place& place, int id)
    : TControl(parent, L"BUTTON", style, 0, text, place, id) {
  onCommand = [this](WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
  };
}

LRESULT TButton::OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A group box draws its frame and caption only. The window clips its children, so nothing
  // else paints the inside of the frame: the box fills it with the windows' background.
  if (message == WM_ERASEBKGND &&
      (GetWindowLongPtrW(Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  return CallOwnProcedure(message, wParam, lParam);
}

bool TButton::Checked() const {
  return Exists() && SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TButton::SetChecked(bool checked) {
  if (Exists()) SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// --- TLabel ---------------------------------------------------------------------------------

TLabel::TLabel(HWND parent, DWORD style, const std::wstring& text, const Place& place, int id)
    : TControl(parent, L"STATIC", style | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, text, place, id) {}

void TLabel::FitToText() {
  const SIZE size = TextSize(Font(), WideText());
  Place place = Bounds();
  place.width = size.cx;
  place.height = size.cy;
  Move(place);
}

void TLabel::SetLabelText(const std::string& text) {
  SetText(text);
  if (sizedToText) FitToText();
}

// --- TLink ----------------------------------------------------------------------------------

TLink::TLink(HWND parent, DWORD style, const std::wstring& text, const Place& place, int id)
    : TLabel(parent, style | SS_NOTIFY, text, place, id) {}

LRESULT TLink::OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A label takes the mouse only with SS_NOTIFY; its own STN_CLICKED comes at the press.
  const LRESULT result = CallOwnProcedure(message, wParam, lParam);
  if (click_.Take(Handle(), message, lParam) && onClick) onClick();
  return result;
}

HBRUSH TLink::OnColour(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 255));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool TLink::OnSetCursor() {
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
  return true;
}

// --- TEditField -----------------------------------------------------------------------------

TEditField::TEditField(HWND parent, DWORD style, const std::wstring& text, const Place& place,
                       int id)
    : TControl(parent, L"EDIT", style | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, text, place,
               id) {
  SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);  // 0: the largest the field can hold
}

LRESULT TEditField::OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS: {
      const LRESULT result = CallOwnProcedure(message, wParam, lParam);
      // The focus from a mouse click arrives while the button is down; any other focus
      // (the keyboard, the program) selects the whole text.
      if ((GetKeyState(VK_LBUTTON) & 0x8000) == 0) SendMessageW(Handle(), EM_SETSEL, 0, -1);
      return result;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      const LRESULT result = CallOwnProcedure(message, wParam, lParam);
      if (click_.Take(Handle(), message, lParam) && onClick) onClick();
      return result;
    }
    default:
      break;
  }
  return CallOwnProcedure(message, wParam, lParam);
}

}  // namespace talvex::win32
