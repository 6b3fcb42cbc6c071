# 32-bit Windows (i686, PE32), run under 32-bit Wine where the machine can run 32-bit code.
set(TALVEX_WINDOWS_ARCH i686)
set(TALVEX_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/windows-common.cmake)
