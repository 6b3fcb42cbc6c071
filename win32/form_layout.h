#pragma once
// The Win32 shell's reading of the windows' layout tables (talvex/experiment/window_layout.h):
// the fonts at the screen's resolution, the window's scale, each control made as a standard
// control (or the picture area) with its text, font and accessible name at its place scaled
// once by the window's text height, and the stacking and tab order of the controls.

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "handles.h"
#include "talvex/experiment/window_layout.h"
#include "window.h"

namespace talvex::win32 {

// A font as designed (the family, or a sans-serif the system picks in its place) at the
// screen's resolution; points 0: the designed size.
UniqueFont MakeFont(const experiment::FontDesign& design, bool underline = false, int points = 0);

// The outer rectangle of a window whose client area (below its menu bar, if it has one) has
// the given size.
Place OuterPlace(int left, int top, int clientWidth, int clientHeight, DWORD style, bool menu);

// The controls of one window, made from its table as children of parent.
class TControlSet {
 public:
  // Controls get the IDs firstId, firstId + 1... in table order; those that name no font of
  // their own get windowFont, which must outlive them.
  TControlSet(HWND parent, const experiment::WindowLayout& layout, HFONT windowFont, double scale,
              int firstId);
  TControlSet(const TControlSet&) = delete;
  TControlSet& operator=(const TControlSet&) = delete;

  // The control of that name; raises std::logic_error when there is none of that kind.
  template <class T = TControl>
  T& Get(const std::string& name) const {
    auto* control = dynamic_cast<T*>(Find(name));
    if (control == nullptr) throw std::logic_error("no control named " + name);
    return *control;
  }
  TControl* Find(const std::string& name) const;
  // The name of the control with that handle; "" for none of the set.
  std::string NameOf(HWND control) const;

  // The controls from the front of the stack to the back, the order of the tab stops.
  const std::vector<TControl*>& Stacking() const { return stacking_; }

 private:
  std::vector<UniqueFont> fonts_;  // the other fonts the controls were given
  std::map<std::string, std::unique_ptr<TControl>> controls_;
  std::vector<TControl*> stacking_;
};

// The scale of a window whose font is the given one: its text height over the designed one.
double DesignScale(HFONT windowFont);

}  // namespace talvex::win32
