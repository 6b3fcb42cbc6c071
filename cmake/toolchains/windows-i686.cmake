# 32-bit Windows (i686, PE32), run under 32-bit Wine where the machine can run 32-bit code.
set(TALVEX_WINDOWS_ARCH i686)
set(TALVEX_WINE_LOADER /usr/lib/wine/wine)
# Double arithmetic on SSE2, as on x86-64, never on the x87 unit: its 80-bit intermediates would
# let one expression give two different doubles at two places. Every PC that runs Windows 7 or
# later has SSE2.
set(TALVEX_WINDOWS_ARCH_FLAGS "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/windows-common.cmake)
