#pragma once
// The program's icon (talvex/icon/app_icon.h) as a Qt icon.

#include <QIcon>

namespace talvex::app {

QIcon TalvexIcon();

}  // namespace talvex::app
