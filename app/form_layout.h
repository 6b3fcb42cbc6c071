#pragma once
// The Qt shell's reading of the windows' layout tables (talvex/experiment/window_layout.h):
// each control of a table made as a Qt widget with its text, font and accessible name, at its
// place scaled once by the window's text height, and the table's tab order.

#include <QFont>
#include <QString>
#include <QWidget>
#include <stdexcept>
#include <string>

#include "talvex/experiment/window_layout.h"

namespace talvex::app {

// The font as designed: the family where the system has it, otherwise the system's
// sans-serif, at the designed point size.
QFont DesignFont(const experiment::FontDesign& design);

// Ratio of the font's text height on this system to the designed text height.
double DesignScale(const QFont& windowFont);

// Makes the controls of the table as children of parent, in table order (later ones in front
// of earlier ones), each at its scaled place, then chains them in the table's tab order.
void BuildControls(QWidget& parent, const experiment::WindowLayout& layout, double scale);

// The control of that name made by BuildControls; raises std::logic_error when there is none
// of that kind.
template <class T = QWidget>
T* ControlOf(const QWidget& parent, const char* name) {
  T* control = parent.findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
  if (control == nullptr) throw std::logic_error(std::string("no control named ") + name);
  return control;
}

// Resizes a control sized to its text after its text changed (position unchanged).
void FitToText(QWidget& control);

}  // namespace talvex::app
