#include "form_layout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <algorithm>
#include <climits>
#include <map>

#include "id_edit.h"
#include "link_label.h"
#include "picture_area.h"

namespace talvex::app {

using experiment::ControlKind;
using experiment::ControlLayout;
using experiment::Scaled;
using experiment::Sizing;

namespace {

QWidget* MakeControl(QWidget& parent, const ControlLayout& control) {
  const QString text = QString::fromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::PictureArea:
      return new TPictureArea(&parent);
    case ControlKind::Label: {
      auto* label = new QLabel(text, &parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::Link:
      return new TLinkLabel(text, &parent);
    case ControlKind::Frame:
      return new QGroupBox(text, &parent);
    case ControlKind::RadioButton:
      return new QRadioButton(text, &parent);
    case ControlKind::PushButton:
      return new QPushButton(text, &parent);
    case ControlKind::Edit: {
      auto* edit = new TIdEdit(text, &parent);
      edit->setMaxLength(INT_MAX);  // no length limit of its own
      return edit;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(&parent);
      bar->setRange(0, 100);
      bar->setValue(experiment::kDesignedProgressPosition);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::Memo: {
      auto* memo = new QPlainTextEdit(text, &parent);
      memo->document()->setDocumentMargin(2);
      memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      memo->setTabChangesFocus(true);
      return memo;
    }
  }
  throw std::logic_error(std::string("unknown kind of control ") + control.name);
}

}  // namespace

QFont DesignFont(const experiment::FontDesign& design) {
  const QString family = QString::fromLatin1(design.family);
  QFont font;
  if (QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
    font.setFamily(family);
  } else {
    font.setFamily(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPointSize(design.points);
  return font;
}

double DesignScale(const QFont& windowFont) {
  return experiment::DesignScale(QFontMetrics(windowFont).height());
}

void BuildControls(QWidget& parent, const experiment::WindowLayout& layout, double scale) {
  std::multimap<int, QWidget*> tabOrder;
  for (const ControlLayout& control : layout) {
    QWidget* widget = MakeControl(parent, control);
    widget->setObjectName(QString::fromLatin1(control.name));
    if (control.accessibleName != nullptr) {
      widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
    }
    if (!experiment::TakesFocus(control.kind)) widget->setFocusPolicy(Qt::NoFocus);
    if (control.font != nullptr) widget->setFont(DesignFont(*control.font));
    if (auto* link = qobject_cast<TLinkLabel*>(widget)) link->SetLinkStyle();
    widget->setGeometry(Scaled(control.left, scale), Scaled(control.top, scale),
                        Scaled(control.width, scale), Scaled(control.height, scale));
    if (control.sizing == Sizing::Text) {
      FitToText(*widget);
    } else if (control.sizing == Sizing::GrowToText) {
      widget->resize(widget->size().expandedTo(widget->sizeHint()));
    }
    if (control.tabOrder >= 0) tabOrder.emplace(control.tabOrder, widget);
  }
  QWidget* previous = nullptr;
  for (const auto& [order, widget] : tabOrder) {
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

void FitToText(QWidget& control) {
  control.resize(control.sizeHint());
}

}  // namespace talvex::app
