// The two windows as the Qt shell lays them out at the running font, checked against their
// layout tables for faults a rater would see: a control out of its place or outside the
// window, controls overlapping where the design has them apart, a caption cut off, a text or
// accessible name that is not the table's, a tab order that is not the table's.

#include "form_layout.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app_test_support.h"
#include "form1.h"
#include "form2.h"

namespace talvex::app {
namespace {

using experiment::ControlLayout;
using experiment::Scaled;
using experiment::Sizing;
using experiment::WindowLayout;

// A window built and shown, with the widget that holds its controls.
struct LaidOut {
  const WindowLayout& layout;
  QWidget& window;
  QWidget& client;
  double scale;

  QWidget* Widget(const ControlLayout& control) const {
    return client.findChild<QWidget*>(QString::fromLatin1(control.name),
                                      Qt::FindDirectChildrenOnly);
  }
};

struct FormLayout : ::testing::Test, test::MainWindowDoubles {
  TForm1 form1{system, Loaders(), Events()};
  TForm2 form2{system, std::make_unique<test::GeneratedLoader>()};

  void SetUp() override {
    for (QWidget* window : {static_cast<QWidget*>(&form1), static_cast<QWidget*>(&form2)}) {
      window->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
  }
  std::vector<LaidOut> Windows() {
    return {{experiment::Form1Layout(), form1, *form1.centralWidget(), form1.Scale()},
            {experiment::Form2Layout(), form2, form2, form2.Scale()}};
  }
};

QString AccessibleName(QObject* object) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
  return face != nullptr ? face->text(QAccessible::Name) : QString();
}

// The size a control needs to show its whole caption at its font.
QSize NeededSize(QWidget& widget) {
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) {
    // The text, the frame and the text margins of the field.
    const int frame = widget.width() - edit->contentsRect().width();
    return {edit->fontMetrics().horizontalAdvance(edit->text()) + frame + 4,
            edit->fontMetrics().height()};
  }
  if (qobject_cast<QGroupBox*>(&widget) != nullptr) return widget.minimumSizeHint();
  return widget.sizeHint();
}

TEST_F(FormLayout, ControlsAtTheirScaledPlacesInsideTheWindow) {
  // The main window's client area lies below its menu bar.
  EXPECT_EQ(form1.height(), form1.centralWidget()->height() + form1.menuBar()->height());
  for (const LaidOut& window : Windows()) {
    EXPECT_EQ(window.client.size(), QSize(Scaled(window.layout.clientWidth, window.scale),
                                          Scaled(window.layout.clientHeight, window.scale)))
        << window.layout.name;
    for (const ControlLayout& control : window.layout) {
      QWidget* widget = window.Widget(control);
      ASSERT_NE(widget, nullptr) << control.name;
      const QRect place = widget->geometry();
      EXPECT_EQ(place.topLeft(),
                QPoint(Scaled(control.left, window.scale), Scaled(control.top, window.scale)))
          << control.name;
      const QSize designed(Scaled(control.width, window.scale),
                           Scaled(control.height, window.scale));
      if (control.sizing == Sizing::Fixed) {
        EXPECT_EQ(place.size(), designed) << control.name;
      } else if (control.sizing == Sizing::GrowToText) {
        EXPECT_EQ(place.size(), designed.expandedTo(widget->sizeHint())) << control.name;
      }
      EXPECT_TRUE(window.client.rect().contains(place))
          << window.layout.name << " " << control.name;
    }
  }
}

// Only the designed overlaps, and in them the later control is the one in front.
TEST_F(FormLayout, NoControlsOverlapButTheDesignedOnes) {
  for (const LaidOut& window : Windows()) {
    for (const ControlLayout* front = window.layout.begin(); front != window.layout.end();
         ++front) {
      for (const ControlLayout* back = window.layout.begin(); back != front; ++back) {
        const QRect shared = window.Widget(*front)->geometry() & window.Widget(*back)->geometry();
        const bool designed =
            front->inFrontOf != nullptr && back->name == std::string(front->inFrontOf);
        EXPECT_EQ(!shared.isEmpty(), designed)
            << window.layout.name << ": " << front->name << " and " << back->name;
        if (!designed || shared.isEmpty()) continue;
        QWidget* seen = window.client.childAt(shared.center());
        EXPECT_TRUE(seen == window.Widget(*front) || window.Widget(*front)->isAncestorOf(seen))
            << front->name << " is not in front of " << back->name;
      }
    }
  }
}

TEST_F(FormLayout, EveryCaptionFitsItsControlAtTheRunningFont) {
  // The texts the set-up and the run put into the main window's controls as well.
  form1.SetText(experiment::TextControl::Label1, "126/126");
  for (const char* caption : {"Button2", "Start", "Next"}) {
    form1.SetText(experiment::TextControl::Button2, caption);
    for (const LaidOut& window : Windows()) {
      for (const ControlLayout& control : window.layout) {
        if (control.text[0] == '\0' || control.kind == experiment::ControlKind::Memo) continue;
        QWidget* widget = window.Widget(control);
        const QSize needed = NeededSize(*widget);
        EXPECT_LE(needed.width(), widget->width()) << control.name << " with " << caption;
        EXPECT_LE(needed.height(), widget->height()) << control.name << " with " << caption;
      }
    }
  }
}

TEST_F(FormLayout, TextsAndAccessibleNamesAreTheTables) {
  for (const LaidOut& window : Windows()) {
    EXPECT_EQ(window.window.windowTitle(), window.layout.caption);
    EXPECT_EQ(window.window.pos(), QPoint(window.layout.left, window.layout.top));
    for (const ControlLayout& control : window.layout) {
      QWidget* widget = window.Widget(control);
      const QString name = QString::fromUtf8(
          control.accessibleName != nullptr ? control.accessibleName : control.text);
      EXPECT_EQ(AccessibleName(widget), name) << control.name;
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        EXPECT_EQ(label->text(), QString::fromUtf8(control.text)) << control.name;
      }
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        EXPECT_EQ(button->text(), QString::fromUtf8(control.text)) << control.name;
      }
      const experiment::FontDesign font =
          control.font != nullptr ? *control.font : window.layout.font;
      EXPECT_EQ(widget->font().pointSize(), font.points) << control.name;
    }
  }
  // The menu bar's captions.
  const experiment::MenuLayout& menu = *experiment::Form1Layout().menu;
  const QList<QAction*> menus = form1.menuBar()->actions();
  ASSERT_EQ(menus.size(), 1);
  EXPECT_EQ(menus[0]->text(), menu.caption);
  const QList<QAction*> items = menus[0]->menu()->actions();
  ASSERT_EQ(static_cast<size_t>(items.size()), menu.itemCount);
  for (size_t i = 0; i < menu.itemCount; ++i) {
    EXPECT_EQ(items[static_cast<qsizetype>(i)]->text(), menu.items[i].caption);
  }
}

// Tab goes from stop to stop in the table's order.
TEST_F(FormLayout, TabOrderIsTheTables) {
  for (const LaidOut& window : Windows()) {
    std::vector<std::pair<int, QWidget*>> stops;
    for (const ControlLayout& control : window.layout) {
      if (control.tabOrder >= 0) stops.emplace_back(control.tabOrder, window.Widget(control));
    }
    std::sort(stops.begin(), stops.end());
    for (size_t i = 0; i + 1 < stops.size(); ++i) {
      // The next stop of the table is the next one of the table's controls in the chain.
      QWidget* next = stops[i].second->nextInFocusChain();
      for (int guard = 0; guard < 100; ++guard) {
        const bool tableControl = std::any_of(stops.begin(), stops.end(),
                                              [next](const auto& s) { return s.second == next; });
        if (tableControl) break;
        next = next->nextInFocusChain();
      }
      EXPECT_EQ(next, stops[i + 1].second)
          << window.layout.name << ": after " << stops[i].second->objectName().toStdString();
    }
  }
}

}  // namespace
}  // namespace talvex::app
