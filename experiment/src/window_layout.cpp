#include "talvex/experiment/window_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <list>
#include <stdexcept>
#include <vector>

#include "talvex/experiment/main_window.h"
#include "talvex/experiment/study_settings.h"

namespace talvex::experiment {
namespace {

using K = ControlKind;
using S = Sizing;

// The main window. Memo1 lies in front of the picture area until the first press removes it;
// the rating buttons are the window's own children, in front of the frame that only draws a
// border with its caption behind them.
constexpr ControlLayout kForm1Controls[] = {
    // name, kind, left, top, width, height, sizing, text, accessible name, font, tab order,
    // in front of, address
    {"Image1", K::PictureArea, 7, 32, 410, 350, S::Fixed, "", "Image1", nullptr, -1, nullptr,
     nullptr},
    {"Label1", K::Label, 435, 10, 32, 13, S::Text, "Label1", nullptr, nullptr, -1, nullptr,
     nullptr},
    {"Label2", K::Label, 313, 412, 51, 13, S::Text, "eg. m2B33", nullptr, nullptr, -1, nullptr,
     nullptr},
    {"RadioGroup1", K::Frame, 433, 40, 185, 257, S::Fixed, "Rating", nullptr, nullptr, 0, nullptr,
     nullptr},
    {"RadioButton1", K::RadioButton, 449, 80, 113, 17, S::GrowToText, "definitely healthy", nullptr,
     nullptr, 2, "RadioGroup1", nullptr},
    {"RadioButton2", K::RadioButton, 449, 120, 113, 17, S::GrowToText, "probably healthy", nullptr,
     nullptr, 3, "RadioGroup1", nullptr},
    {"RadioButton3", K::RadioButton, 449, 160, 113, 17, S::GrowToText, "not sure", nullptr, nullptr,
     4, "RadioGroup1", nullptr},
    {"RadioButton4", K::RadioButton, 449, 200, 113, 17, S::GrowToText, "probably damaged", nullptr,
     nullptr, 5, "RadioGroup1", nullptr},
    {"RadioButton5", K::RadioButton, 449, 240, 113, 17, S::GrowToText, "definitely damaged",
     nullptr, nullptr, 6, "RadioGroup1", nullptr},
    {"Button2", K::PushButton, 433, 308, 185, 36, S::Fixed, "Button2", nullptr, nullptr, 7, nullptr,
     nullptr},
    {"Edit1", K::Edit, 8, 408, 297, 21, S::Fixed, kIdPrompt, kIdPrompt, nullptr, 1, nullptr,
     nullptr},
    {"ProgressBar1", K::ProgressBar, 8, 8, 409, 17, S::Fixed, "", "Progress", nullptr, 8, nullptr,
     nullptr},
    {"Memo1", K::Memo, 8, 48, 409, 97, S::Fixed, "Memo1", "Memo1", &kMemoFont, 9, "Image1",
     nullptr},
};

constexpr MenuItemLayout kHelpItems[] = {{"About1", "Instructions"}, {"About2", "About"}};
constexpr MenuLayout kForm1Menu{"Credits1", "Help", kHelpItems, std::size(kHelpItems)};

// The designed client area: the outer size 642 x 495 less a sizeable frame of 4 pixels on
// each side, a caption bar of 19 and a menu bar of 20 pixels.
constexpr WindowLayout kForm1{"Form1",
                              "Talvex 2010",
                              182,
                              102,
                              634,
                              448,
                              kWindowFont,
                              kForm1Controls,
                              std::size(kForm1Controls),
                              &kForm1Menu};

// The About window: the picture, then the texts in the column to its right, each a one-line
// label sized to its text, in creation order. The study's texts and addresses are filled in
// from its settings (kStudyTexts).
const ControlLayout kForm2Controls[] = {
    {"Image1", K::PictureArea, 15, 18, 178, 271, S::Fixed, "", "picture", nullptr, -1, nullptr,
     nullptr},
    {"Label6", K::Label, 207, 9, 77, 39, S::Text, "Talvex", nullptr, &kTitleFont, -1, nullptr,
     nullptr},
    {"Label7", K::Label, 297, 25, 66, 13, S::Text, "version 2010", nullptr, nullptr, -1, nullptr,
     nullptr},
    {"Label11", K::Label, 209, 69, 265, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label12", K::Link, 209, 101, 303, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label2", K::Label, 207, 190, 67, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label3", K::Label, 207, 264, 165, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label4", K::Label, 207, 279, 181, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label5", K::Label, 207, 249, 69, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label8", K::Label, 207, 234, 43, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label1", K::Label, 207, 205, 79, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label9", K::Label, 207, 219, 53, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label10", K::Label, 207, 175, 69, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label14", K::Label, 207, 160, 59, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label15", K::Label, 207, 136, 102, 13, S::Text, "with special thanks to", nullptr, nullptr,
     -1, nullptr, nullptr},
    {"Label13", K::Link, 209, 118, 314, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
    {"Label17", K::Label, 207, 52, 98, 13, S::Text, "software created by", nullptr, nullptr, -1,
     nullptr, nullptr},
    {"Label16", K::Label, 209, 84, 233, 13, S::Text, "", nullptr, nullptr, -1, nullptr, nullptr},
};

// The designed client area: the outer size 557 x 355 less a sizeable frame of 4 pixels on
// each side and a caption bar of 19 pixels.
const WindowLayout kForm2{
    "Form2", "About", 387, 170, 549, 328, kWindowFont, kForm2Controls, std::size(kForm2Controls),
    nullptr};

// The controls that show the study's texts, and the links' addresses.
struct StudyText {
  const char* control;
  std::string (*text)(const StudySettings&);
  std::string (*address)(const StudySettings&);
};

const StudyText kStudyTexts[] = {
    {"Label11", [](const StudySettings& s) { return s.AuthorLine(); }, nullptr},
    {"Label16", [](const StudySettings& s) { return s.WebServerLine(); }, nullptr},
    {"Label12", [](const StudySettings& s) { return s.institution1; },
     [](const StudySettings& s) { return s.institution1Page; }},
    {"Label13", [](const StudySettings& s) { return s.institution2; },
     [](const StudySettings& s) { return s.institution2Page; }},
    {"Label14", [](const StudySettings& s) { return s.thanked[0]; }, nullptr},
    {"Label10", [](const StudySettings& s) { return s.thanked[1]; }, nullptr},
    {"Label2", [](const StudySettings& s) { return s.thanked[2]; }, nullptr},
    {"Label1", [](const StudySettings& s) { return s.thanked[3]; }, nullptr},
    {"Label9", [](const StudySettings& s) { return s.thanked[4]; }, nullptr},
    {"Label8", [](const StudySettings& s) { return s.thanked[5]; }, nullptr},
    {"Label5", [](const StudySettings& s) { return s.thanked[6]; }, nullptr},
    {"Label3", [](const StudySettings& s) { return s.ClinicLine(); }, nullptr},
    {"Label4", [](const StudySettings& s) { return s.HospitalLine(); }, nullptr},
};

}  // namespace

TAboutLayout::TAboutLayout(const StudySettings& study)
    : controls_(std::begin(kForm2Controls), std::end(kForm2Controls)), layout_(kForm2) {
  // The texts are kept in a list whose elements never move, so the pointers stay valid.
  for (ControlLayout& control : controls_) {
    for (const StudyText& entry : kStudyTexts) {
      if (std::strcmp(entry.control, control.name) != 0) continue;
      control.text = texts_.emplace_back(entry.text(study)).c_str();
      if (entry.address != nullptr)
        control.address = texts_.emplace_back(entry.address(study)).c_str();
    }
  }
  layout_.controls = controls_.data();
}

const ControlLayout& WindowLayout::Control(const std::string& controlName) const {
  for (const ControlLayout& control : *this) {
    if (controlName == control.name) return control;
  }
  throw std::out_of_range(std::string(name) + " has no control " + controlName);
}

const WindowLayout& Form1Layout() {
  return kForm1;
}

const WindowLayout& Form2Layout() {
  static const TAboutLayout built(BuiltStudySettings());
  return built.Layout();
}

bool TakesFocus(ControlKind kind) {
  return kind == K::Edit || kind == K::RadioButton || kind == K::PushButton || kind == K::Memo;
}

const ControlLayout* NextFocus(const WindowLayout& layout, const std::string& from,
                               const std::function<bool(const ControlLayout&)>& canTakeFocus) {
  std::vector<const ControlLayout*> stops;
  for (const ControlLayout& control : layout) {
    if (control.tabOrder >= 0 && TakesFocus(control.kind)) stops.push_back(&control);
  }
  std::sort(stops.begin(), stops.end(),
            [](const auto* a, const auto* b) { return a->tabOrder < b->tabOrder; });
  const auto at = std::find_if(stops.begin(), stops.end(),
                               [&](const ControlLayout* stop) { return from == stop->name; });
  if (at == stops.end()) return nullptr;
  // The stops after from, then those before it.
  std::rotate(stops.begin(), at, stops.end());
  for (size_t i = 1; i < stops.size(); ++i) {
    if (canTakeFocus(*stops[i])) return stops[i];
  }
  return nullptr;
}

double DesignScale(int runningTextHeight) {
  return runningTextHeight > 0 ? static_cast<double>(runningTextHeight) / kDesignedTextHeight : 1.0;
}

int Scaled(int designed, double scale) {
  return static_cast<int>(std::lround(designed * scale));
}

}  // namespace talvex::experiment
