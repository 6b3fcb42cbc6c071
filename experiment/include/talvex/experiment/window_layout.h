#pragma once
// The designed layout of the program's two windows, read by every shell: places and sizes,
// captions, fonts and tab order. Places are pixels as designed at 96 pixels per inch, where
// the window font's text height is 13 pixels, relative to the client area (below the menu
// bar). A shell builds each window's controls from its table in table order, so later
// controls lie in front of earlier ones, and scales every place once, at creation, by the
// ratio of its font's running text height to the designed one.
//
// The controls keep the names the window designer gave them (Button2, Edit1, Label12...):
// the experiment, the tests and the docs refer to them by those names.

#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <vector>

namespace talvex::experiment {

struct StudySettings;  // study_settings.h

// The designed text height of the window font, in pixels.
inline constexpr int kDesignedTextHeight = 13;

// A font as designed: family and point size. A shell without the family uses its sans-serif.
struct FontDesign {
  const char* family;
  int points;
};

inline constexpr FontDesign kWindowFont{"MS Sans Serif", 8};
inline constexpr FontDesign kMemoFont{"MS Sans Serif", 12};  // the welcome text
inline constexpr FontDesign kTitleFont{"Gill Sans MT", 20};  // the About window's title

// The progress bar's position as designed, before the set-up fills the progress display.
inline constexpr int kDesignedProgressPosition = 100;

enum class ControlKind {
  PictureArea,  // draws its picture stretched over its whole rectangle
  Label,        // one line of text
  Link,         // a label drawn as a link (pure blue, underlined, pointing hand); opens address
  Frame,        // a border with a caption, drawn behind the controls inside it
  RadioButton,  // one of the window's exclusive set of rating buttons
  PushButton,
  Edit,         // one-line edit field; whole text selected on focus other than by mouse
  ProgressBar,  // horizontal, 0 to 100
  Memo,         // multi-line, word-wrapped, editable, no scroll bars
};

// How a control's size follows its text at the running font.
enum class Sizing {
  Fixed,       // the designed size, scaled
  Text,        // the size its text needs (one-line labels)
  GrowToText,  // the designed place and size, larger where the text needs it
};

struct ControlLayout {
  const char* name;
  ControlKind kind;
  int left;
  int top;
  int width;
  int height;
  Sizing sizing;
  const char* text;            // the caption or initial text; "" for none
  const char* accessibleName;  // for a control without a caption; nullptr: its text
  const FontDesign* font;      // nullptr: the window's font
  int tabOrder;                // -1: not in the tab order
  const char* inFrontOf;       // the earlier control it is designed to overlap, or nullptr
  const char* address;         // the web address a link opens, or nullptr
};

struct MenuItemLayout {
  const char* name;
  const char* caption;  // no mnemonics, no shortcut keys
};

// The menu bar: one menu with its items.
struct MenuLayout {
  const char* name;
  const char* caption;
  const MenuItemLayout* items;
  size_t itemCount;
};

struct WindowLayout {
  const char* name;
  const char* caption;
  int left;  // the designed place on the screen, not scaled
  int top;
  int clientWidth;  // the designed client area, below the menu bar
  int clientHeight;
  FontDesign font;
  const ControlLayout* controls;  // in creation order
  size_t controlCount;
  const MenuLayout* menu;  // nullptr: no menu bar

  const ControlLayout* begin() const { return controls; }
  const ControlLayout* end() const { return controls + controlCount; }
  // The control of that name; raises std::out_of_range when the table has none.
  const ControlLayout& Control(const std::string& controlName) const;
};

// The main window (TForm1), and the About window (TForm2) with the study's texts the program
// was built with.
const WindowLayout& Form1Layout();
const WindowLayout& Form2Layout();

// The About window's layout with a study's credit lines and the links' addresses. The layout
// points into this object: it is valid while the object lives.
class TAboutLayout {
 public:
  explicit TAboutLayout(const StudySettings& study);
  TAboutLayout(const TAboutLayout&) = delete;
  TAboutLayout& operator=(const TAboutLayout&) = delete;

  const WindowLayout& Layout() const { return layout_; }

 private:
  std::list<std::string> texts_;
  std::vector<ControlLayout> controls_;
  WindowLayout layout_;
};

// Whether a control of that kind takes the keyboard focus: the rater reaches it with Tab (and
// within the ratings with the arrow keys). Frames, labels, links, pictures and the progress bar
// do not.
bool TakesFocus(ControlKind kind);

// Where the focus goes when the control named from, which has it, is disabled or removed: the
// next control after it in the tab order, going round to the first, that takes the focus and
// that canTakeFocus accepts now (it is there, enabled and shown). nullptr when none does; from
// itself is never the answer.
const ControlLayout* NextFocus(const WindowLayout& layout, const std::string& from,
                               const std::function<bool(const ControlLayout&)>& canTakeFocus);

// The scale of a window whose font has the given text height (pixels) on the running system.
double DesignScale(int runningTextHeight);
// A designed length at that scale, to the nearest pixel.
int Scaled(int designed, double scale);

}  // namespace talvex::experiment
