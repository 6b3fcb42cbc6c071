#include "app_test_support.h"

#include <QAbstractButton>
#include <QApplication>

#include "talvex/exception.h"
#include "talvex/tools/jpeg_encode.h"

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

void RecordingEvents::Record(const std::string& name) {
  if (onCall) onCall();
  calls.push_back(name);
  if (!failWith.empty()) throw Exception(failWith);
}

EventsFactory RecordingEventsFactory(std::vector<std::string>& log, RecordingEvents** created) {
  return [&log, created](experiment::IMainWindow&) {
    auto events = std::make_unique<RecordingEvents>(log);
    if (created != nullptr) *created = events.get();
    return std::unique_ptr<experiment::IMainWindowEvents>(std::move(events));
  };
}

std::vector<uint8_t> TwoColourJpeg(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 3));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels[static_cast<size_t>((y * width + x) * 3)];
      const bool left = x < width / 2;
      p[0] = left ? 255 : 0;
      p[1] = 0;
      p[2] = left ? 0 : 255;
    }
  }
  return tools::EncodeJpeg(pixels.data(), width, height, 3);
}

std::vector<uint8_t> CmykJpeg() {
  const std::vector<uint8_t> ink(16 * 16 * 4, 70);
  return tools::EncodeJpeg(ink.data(), 16, 16, 4);
}

std::unique_ptr<imagestore::TJPEGImage> GeneratedLoader::LoadImage(const std::string& name) const {
  ++*loads_;
  if (fail_) throw EResNotFound(name);
  auto picture = std::make_unique<imagestore::TJPEGImage>();
  picture->LoadFromBytes(undecodable.count(name) > 0 ? CmykJpeg() : TwoColourJpeg(64, 32));
  return picture;
}

}  // namespace talvex::app::test
