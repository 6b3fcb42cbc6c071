// talvex-icon FILE: writes the program's icon file (.ico) for the Windows program's resources.

#include <cstdio>
#include <fstream>
#include <vector>

#include "talvex/icon/app_icon.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: talvex-icon FILE.ico\n");
    return 2;
  }
  const std::vector<uint8_t> file = talvex::icon::AppIconFile();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "talvex-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
