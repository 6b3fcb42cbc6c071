// talvex_floor_window: the floor of the light-sensor benchmark. A trivial Qt window with the main
// window's picture area and Next button at their designed places, whose Next only shows a
// picture prepared at start and repaints the area, as the program's last step does; a click
// anywhere else shows the blank picture again. With --exposure MS a precise single-shot timer
// shows the blank picture that long after each Next. It stands at the screen's right edge, so
// that it can run beside the program.
//   talvex_floor_window [--pack FILE] [--exposure MS]

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "form_layout.h"
#include "picture_area.h"
#include "talvex/embedded_images.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/imagestore/image_names.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/mapped_file.h"

namespace {

using namespace talvex;

constexpr int kPictures = 8;

struct Shown {
  imagestore::TJPEGImage picture;
  std::shared_ptr<const experiment::IPreparedPixels> pixels;
};

class FloorWindow : public QWidget {
 public:
  FloorWindow(const imagestore::ImageSource& images, int exposureMs) {
    const experiment::WindowLayout& layout = experiment::Form1Layout();
    setWindowTitle(QStringLiteral("Talvex floor"));
    setFont(app::DesignFont(layout.font));
    const double scale = app::DesignScale(font());
    const auto place = [scale](QWidget& widget, const char* name) {
      const experiment::ControlLayout& control = experiment::Form1Layout().Control(name);
      widget.setGeometry(
          experiment::Scaled(control.left, scale), experiment::Scaled(control.top, scale),
          experiment::Scaled(control.width, scale), experiment::Scaled(control.height, scale));
    };
    area_ = new app::TPictureArea(this);
    place(*area_, "Image1");
    auto* next = new QPushButton(QStringLiteral("Next"), this);
    place(*next, "Button2");
    resize(experiment::Scaled(layout.clientWidth, scale),
           experiment::Scaled(layout.clientHeight, scale));

    const imagestore::TResourceManager loader(images);
    const auto preparer = area_->Preparer();
    const auto prepare = [&](const std::string& name) {
      Shown shown;
      shown.picture = *loader.LoadImage(name);
      shown.pixels = preparer->Prepare(shown.picture);
      return shown;
    };
    blank_ = prepare(imagestore::kBlankPictureName);
    for (const std::string& name : loader.ListImageNames()) {
      if (name == imagestore::kBlankPictureName || pictures_.size() == kPictures) continue;
      if (name.find("_POS_") != std::string::npos || name.find("_NEG_") != std::string::npos) {
        pictures_.push_back(prepare(name));
      }
    }
    if (pictures_.empty()) throw std::runtime_error("no pictures to show");
    Show(blank_);

    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Show(blank_); });
    connect(next, &QPushButton::clicked, this, [this, exposureMs] {
      next_ = (next_ + 1) % pictures_.size();
      Show(pictures_[next_]);
      if (exposureMs > 0) timer_.start(exposureMs);
    });
  }

 protected:
  void mousePressEvent(QMouseEvent*) override { Show(blank_); }

 private:
  void Show(const Shown& shown) { area_->SetPicture(shown.picture, shown.pixels.get()); }

  app::TPictureArea* area_ = nullptr;
  Shown blank_;
  std::vector<Shown> pictures_;
  size_t next_ = 0;
  QTimer timer_;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  std::unique_ptr<platform::MappedFile> pack;
  imagestore::ImageSource images = EmbeddedImageSource();
  int exposureMs = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--pack") == 0) {
      pack = std::make_unique<platform::MappedFile>(argv[i + 1]);
      if (pack->Failed()) return 2;
      images = imagestore::ImageSource::InMemory(imagestore::ByteSpan{pack->Data(), pack->Size()});
    } else if (std::strcmp(argv[i], "--exposure") == 0) {
      exposureMs = std::atoi(argv[i + 1]);
    }
  }
  try {
    FloorWindow window(images, exposureMs);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.move(screen.right() + 1 - window.width(), 0);
    window.show();
    return application.exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "talvex_floor_window: %s\n", error.what());
    return 1;
  }
}
