# 64-bit Windows (x86-64, PE32+), run under 64-bit Wine.
set(TALVEX_WINDOWS_ARCH x86_64)
set(TALVEX_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/windows-common.cmake)
