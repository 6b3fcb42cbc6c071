#pragma once
// The program's icon, 48 x 48 pixels at 32 bits per pixel, drawn at start-up.

#include <QIcon>

namespace talvex::app {

QIcon TalvexIcon();

}  // namespace talvex::app
