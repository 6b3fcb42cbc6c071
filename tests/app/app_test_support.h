#pragma once
// Shared pieces of the window tests: a closer that dismisses modal windows as they open and
// records them, and, under this suite's names, the toolkit-free makings of a main window
// (talvex/window_doubles.h).

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "talvex/window_doubles.h"

// Failure messages print Qt strings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << list.join(QStringLiteral(" | ")).toStdString();
}

namespace talvex::app::test {

// One modal window seen by the closer.
struct SeenModal {
  QString className;
  QString title;
  QString text;  // message boxes only
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
};

// Watches for modal windows while it lives; each is recorded, handed to onModal (if set),
// then dismissed: a message box by its first button, any other window by closing it.
class ModalCloser : public QObject {
 public:
  ModalCloser();
  std::vector<SeenModal> seen;
  std::function<void(QWidget*)> onModal;

 private:
  void Poll();
  QTimer timer_;
};

// The makings of a main window, shared with the other shell's tests.
using namespace talvex::testing;  // NOLINT(google-build-using-namespace)

}  // namespace talvex::app::test
