// The floor of the start-up figures: a minimal Qt Widgets program that shows one line of text
// in the main window's font, in one window of the size given by --size WxH, and reports when
// it was first painted. Any window with text pays for finding and loading its font; this one
// pays for that and little else.

#include <QFont>
#include <QLabel>
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
  // The main window's font as a minimal program would ask for it.
  window.setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  window.resize(width, height);
  QLabel line(QStringLiteral("Enter your ID here."), &window);
  line.move(8, 8);
  application.Watch(&window);
  window.show();
  return application.exec();
}
