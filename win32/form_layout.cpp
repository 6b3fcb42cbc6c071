#include "form_layout.h"

#include "windows_api.h"
// After windows.h, which they need.
#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>

#include "controls.h"
#include "picture_area.h"
#include "talvex/platform/wide_text.h"

namespace talvex::win32 {

using experiment::ControlKind;
using experiment::ControlLayout;
using experiment::Scaled;
using experiment::Sizing;
using experiment::TakesFocus;
using platform::Widen;

namespace {

int ScreenPixelsPerInch() {
  const WindowDc screen;
  const int perInch = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return perInch > 0 ? perInch : 96;
}

// The stack of the controls from front to back, which is also the order in which the keyboard
// visits them: the controls that take the focus in their tab order, then the others, later
// ones of the table in front of earlier ones. So the rating buttons lie in front of their
// frame and Memo1 in front of the picture.
std::vector<const ControlLayout*> StackingOrder(const experiment::WindowLayout& layout) {
  std::vector<const ControlLayout*> focusable;
  std::vector<const ControlLayout*> others;
  for (const ControlLayout& control : layout) {
    (TakesFocus(control.kind) ? focusable : others).push_back(&control);
  }
  std::stable_sort(
      focusable.begin(), focusable.end(),
      [](const ControlLayout* a, const ControlLayout* b) { return a->tabOrder < b->tabOrder; });
  std::vector<const ControlLayout*> order = focusable;
  order.insert(order.end(), others.rbegin(), others.rend());
  return order;
}

// The name screen readers announce for a control whose caption is not its name. Where the
// system has no accessibility property service, the control keeps the name the system gives it.
void SetAccessibleName(HWND control, const std::wstring& name) {
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    return;
  }
  services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                           name.c_str());
  services->Release();
}

std::unique_ptr<TControl> MakeControl(HWND parent, const ControlLayout& control, DWORD style,
                                      const Place& place, int id) {
  const std::wstring text = Widen(control.text);
  switch (control.kind) {
    case ControlKind::PictureArea:
      return std::make_unique<TPictureArea>(parent, style, place, id);
    case ControlKind::Label:
      return std::make_unique<TLabel>(parent, style, text, place, id);
    case ControlKind::Link:
      return std::make_unique<TLink>(parent, style, text, place, id);
    case ControlKind::Frame:
      return std::make_unique<TButton>(parent, style | BS_GROUPBOX, text, place, id);
    case ControlKind::RadioButton:
      return std::make_unique<TButton>(parent, style | BS_AUTORADIOBUTTON, text, place, id);
    case ControlKind::PushButton:
      return std::make_unique<TButton>(parent, style | BS_PUSHBUTTON, text, place, id);
    case ControlKind::Edit:
      return std::make_unique<TEditField>(parent, style, text, place, id);
    case ControlKind::ProgressBar: {
      auto bar = std::make_unique<TControl>(parent, PROGRESS_CLASSW, style, 0, text, place, id);
      SendMessageW(bar->Handle(), PBM_SETRANGE32, 0, 100);
      SendMessageW(bar->Handle(), PBM_SETPOS, experiment::kDesignedProgressPosition, 0);
      return bar;
    }
    case ControlKind::Memo:
      // Word-wrapped (no horizontal scrolling), editable, no scroll bars.
      return std::make_unique<TControl>(parent, L"EDIT",
                                        style | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                                        WS_EX_CLIENTEDGE, text, place, id);
  }
  throw std::logic_error(std::string("unknown kind of control ") + control.name);
}

// A radio button as wide as its box and its caption need, at least its designed width.
void GrowToText(TControl& control) {
  Place place = control.Bounds();
  SIZE ideal{};
  if (!SendMessageW(control.Handle(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) ||
      ideal.cx <= 0) {
    const SIZE text = TextSize(control.Font(), control.WideText());
    ideal.cx = text.cx + GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE);
    ideal.cy = text.cy;
  }
  place.width = std::max(place.width, static_cast<int>(ideal.cx));
  place.height = std::max(place.height, static_cast<int>(ideal.cy));
  control.Move(place);
}

}  // namespace

UniqueFont MakeFont(const experiment::FontDesign& design, bool underline, int points) {
  const int size = points > 0 ? points : design.points;
  // A negative height asks for the character height (the em) in pixels.
  return UniqueFont(CreateFontW(-MulDiv(size, ScreenPixelsPerInch(), 72), 0, 0, 0, FW_NORMAL, FALSE,
                                underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                VARIABLE_PITCH | FF_SWISS, Widen(design.family).c_str()));
}

double DesignScale(HFONT windowFont) {
  return experiment::DesignScale(TextHeight(windowFont));
}

Place OuterPlace(int left, int top, int clientWidth, int clientHeight, DWORD style, bool menu) {
  RECT rect{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&rect, style, menu ? TRUE : FALSE, 0);
  return {left, top, rect.right - rect.left, rect.bottom - rect.top};
}

TControlSet::TControlSet(HWND parent, const experiment::WindowLayout& layout, HFONT windowFont,
                         double scale, int firstId) {
  const std::vector<const ControlLayout*> order = StackingOrder(layout);
  std::map<const ControlLayout*, DWORD> styles;
  bool afterRadio = false;
  bool firstRadio = true;
  for (const ControlLayout* control : order) {
    // Every control clips the ones in front of it; groups start at every control but the
    // rating buttons after the first, which form one exclusive set. The controls are visible
    // with their window.
    DWORD style = WS_VISIBLE | WS_CLIPSIBLINGS;
    const bool radio = control->kind == ControlKind::RadioButton;
    if (!(radio && afterRadio)) style |= WS_GROUP;
    if (TakesFocus(control->kind) && (!radio || firstRadio)) style |= WS_TABSTOP;
    if (radio) firstRadio = false;
    afterRadio = radio;
    styles[control] = style;
  }

  int id = firstId;
  for (const ControlLayout& control : layout) {
    const Place place{Scaled(control.left, scale), Scaled(control.top, scale),
                      Scaled(control.width, scale), Scaled(control.height, scale)};
    std::unique_ptr<TControl> made = MakeControl(parent, control, styles[&control], place, id++);
    HFONT font = windowFont;
    const bool link = control.kind == ControlKind::Link;
    if (control.font != nullptr || link) {
      fonts_.push_back(MakeFont(control.font != nullptr ? *control.font : layout.font, link));
      if (fonts_.back()) font = fonts_.back().Get();
    }
    made->SetFont(font);
    if (control.sizing == Sizing::Text) {
      auto& label = dynamic_cast<TLabel&>(*made);
      label.sizedToText = true;
      label.FitToText();
    } else if (control.sizing == Sizing::GrowToText) {
      GrowToText(*made);
    }
    if (control.accessibleName != nullptr) {
      SetAccessibleName(made->Handle(), Widen(control.accessibleName));
    }
    controls_[control.name] = std::move(made);
  }

  // The stack, front to back.
  HWND above = HWND_TOP;
  for (const ControlLayout* control : order) {
    TControl* made = controls_.at(control->name).get();
    SetWindowPos(made->Handle(), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = made->Handle();
    stacking_.push_back(made);
  }
}

TControl* TControlSet::Find(const std::string& name) const {
  const auto found = controls_.find(name);
  return found != controls_.end() ? found->second.get() : nullptr;
}

std::string TControlSet::NameOf(HWND control) const {
  for (const auto& [name, made] : controls_) {
    if (control != nullptr && made->Handle() == control) return name;
  }
  return {};
}

}  // namespace talvex::win32
