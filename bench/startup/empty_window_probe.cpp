// The yardstick of the start-up figures: a minimal Qt Widgets program that shows one empty
// window (of the size given by --size WxH) and reports when it was first painted.

#include <QWidget>
#include <cstdio>
#include <cstring>

#include "first_paint_probe.h"

int main(int argc, char* argv[]) {
  talvex::bench::FirstPaintApplication application(argc, argv);
  int width = 634;
  int height = 470;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 &&
        std::sscanf(argv[i + 1], "%dx%d", &width, &height) != 2) {
      return 2;
    }
  }
  QWidget window;
  window.resize(width, height);
  application.Watch(&window);
  window.show();
  return application.exec();
}
