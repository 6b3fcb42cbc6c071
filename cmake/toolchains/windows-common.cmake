# Cross build for Windows with the mingw-w64 toolchain of the posix thread model, included by
# the two architecture files after they set TALVEX_WINDOWS_ARCH (x86_64 or i686) and
# TALVEX_WINE_LOADER. Programs are linked statically (no libgcc, libstdc++ or winpthread DLL
# beside them) and target Windows 7 and later; tests and build steps that run a built program
# go through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)
set(CMAKE_SYSTEM_PROCESSOR ${TALVEX_WINDOWS_ARCH})

set(talvex_triple ${TALVEX_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${talvex_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${talvex_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${talvex_triple}-windres)
set(CMAKE_AR ${talvex_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${talvex_triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Windows 7 is 0x0601. TALVEX_WINDOWS_ARCH_FLAGS: the architecture's own code generation.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601 ${TALVEX_WINDOWS_ARCH_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601 ${TALVEX_WINDOWS_ARCH_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The cross-built libraries (libjpeg-turbo, nettle) live under build/windows-deps/<arch>.
get_filename_component(talvex_source_dir ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
set(TALVEX_WINDOWS_DEPS ${talvex_source_dir}/build/windows-deps/${TALVEX_WINDOWS_ARCH}
    CACHE PATH "Prefix of the cross-built libraries")
set(CMAKE_FIND_ROOT_PATH /usr/${talvex_triple} ${TALVEX_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${TALVEX_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Every built program that the build or CTest runs goes through Wine, headless, in a prefix of
# the build's own that the first run makes (see wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${talvex_source_dir}/scripts/wine-run.sh ${TALVEX_WINE_LOADER} ${CMAKE_BINARY_DIR}/wine-prefix)
