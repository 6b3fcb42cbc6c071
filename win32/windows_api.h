#pragma once
// The Windows API for the shell's sources. Every shell source includes windows.h through this
// header. windows.h makes FormatMessage and LoadImage macros for their A or W forms, which
// would rename the core's talvex::FormatMessage and TResourceManager::LoadImage; the shell
// calls the API's wide functions by their W names.

#ifndef NOMINMAX
#define NOMINMAX  // std::min and std::max, not the macros
#endif
#include <windows.h>

#undef FormatMessage
#undef LoadImage
