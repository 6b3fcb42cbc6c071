#pragma once
// The windows' designed geometry: places in pixels as designed at 96 pixels per inch, where
// the window font's text height is 13 pixels, scaled once at creation by the ratio of the
// running system's text height to 13.

#include <QFont>
#include <QSize>
#include <QWidget>

namespace talvex::app {

// How a control's size follows its text.
enum class Sizing {
  Fixed,        // the designed size
  Text,         // a one-line label: the size its text needs
  WidenToText,  // the designed size, wider where the text needs it (another font)
};

// One control's designed place, relative to the window's client area.
struct ControlPlace {
  const char* name;  // the control's object name
  int left;
  int top;
  int width;
  int height;
  Sizing sizing;
};

// The designed text height of the window font, in pixels.
inline constexpr int kDesignedTextHeight = 13;

// The font of a window or control: the family where the system has it, otherwise the
// system's sans-serif, at the given point size.
QFont DesignFont(const QString& family, int pointSize);

// Ratio of the font's text height on this system to the designed text height.
double DesignScale(const QFont& windowFont);

int Scaled(int designed, double scale);
QSize Scaled(const QSize& designed, double scale);

// Puts each named child of parent at its scaled place. A control sized to its text keeps
// its scaled position.
template <size_t N>
void ApplyLayout(QWidget& parent, const ControlPlace (&places)[N], double scale);
void ApplyPlace(QWidget& parent, const ControlPlace& place, double scale);

// Resizes a label sized to its text after its text changed (position unchanged).
void FitToText(QWidget& label);

template <size_t N>
void ApplyLayout(QWidget& parent, const ControlPlace (&places)[N], double scale) {
  for (const ControlPlace& place : places) ApplyPlace(parent, place, scale);
}

}  // namespace talvex::app
