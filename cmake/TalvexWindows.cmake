# The cross build for Windows (see cmake/toolchains): the cross-built libraries, GoogleTest
# from Debian's sources, and the registration of test programs that run under Wine.

# libjpeg-turbo and nettle from Debian's source packages, built once per clone and reused.
if(NOT EXISTS ${TALVEX_WINDOWS_DEPS}/.complete)
  message(STATUS "Cross-building libjpeg-turbo and nettle for ${CMAKE_SYSTEM_PROCESSOR}")
  execute_process(
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-windows-deps.sh ${CMAKE_SYSTEM_PROCESSOR}
    RESULT_VARIABLE talvex_deps_result)
  if(NOT talvex_deps_result EQUAL 0)
    message(FATAL_ERROR "scripts/build-windows-deps.sh ${CMAKE_SYSTEM_PROCESSOR} failed")
  endif()
endif()

# Whether this machine can run the programs of this build under Wine (the 32-bit loader
# cannot start where the kernel runs no 32-bit code); if not, why.
set(talvex_wine_loader ${CMAKE_CROSSCOMPILING_EMULATOR})
list(GET talvex_wine_loader 1 talvex_wine_loader)
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${talvex_wine_loader} --can-run
  RESULT_VARIABLE talvex_wine_result ERROR_VARIABLE TALVEX_WINE_UNUSABLE
  ERROR_STRIP_TRAILING_WHITESPACE)
if(talvex_wine_result EQUAL 0)
  set(TALVEX_WINE_UNUSABLE "")
else()
  message(STATUS "Windows tests will be skipped: ${TALVEX_WINE_UNUSABLE}")
endif()

# Boost's header-only libraries from Debian's headers, through a folder that holds only a link to
# them, so that the cross compiler sees nothing else of the build machine's /usr/include.
set(talvex_boost_include ${CMAKE_BINARY_DIR}/boost-include)
file(MAKE_DIRECTORY ${talvex_boost_include})
file(CREATE_LINK /usr/include/boost ${talvex_boost_include}/boost SYMBOLIC)
add_library(Boost::headers INTERFACE IMPORTED)
set_target_properties(Boost::headers PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES
                      ${talvex_boost_include} INTERFACE_INCLUDE_DIRECTORIES ${talvex_boost_include})

# A map of what the linker takes into a released program, <program>.map beside it, from which
# scripts/check-notices.sh checks that the third-party notices name every library in it.
function(talvex_link_map target)
  target_link_options(${target} PRIVATE
                      "LINKER:-Map=$<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_NAME:${target}>.map")
endfunction()

# GoogleTest built from the sources that Debian's libgtest-dev installs.
macro(talvex_add_googletest)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endmacro()
