#include "app_test_support.h"

#include <QAbstractButton>
#include <QApplication>

namespace talvex::app::test {

ModalCloser::ModalCloser() {
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, &ModalCloser::Poll);
  timer_.start();
}

void ModalCloser::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || !modal->isVisible()) return;
  SeenModal entry;
  entry.className = QString::fromLatin1(modal->metaObject()->className());
  entry.title = modal->windowTitle();
  auto* box = qobject_cast<QMessageBox*>(modal);
  if (box != nullptr) {
    entry.text = box->text();
    entry.icon = box->icon();
    for (QAbstractButton* button : box->buttons()) entry.buttons << button->text();
  }
  seen.push_back(entry);
  if (onModal) onModal(modal);
  if (box != nullptr && !box->buttons().isEmpty()) {
    box->buttons().front()->click();
  } else {
    modal->close();
  }
}

}  // namespace talvex::app::test
