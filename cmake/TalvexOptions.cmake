# Compiler settings shared by every target, linked PRIVATE.
add_library(talvex_options INTERFACE)
add_library(talvex::options ALIAS talvex_options)
target_compile_features(talvex_options INTERFACE cxx_std_17)

add_library(talvex_warnings INTERFACE)
add_library(talvex::warnings ALIAS talvex_warnings)
target_compile_options(talvex_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wshadow -Wconversion -Wold-style-cast>
  $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<BOOL:${TALVEX_WERROR}>>:-Werror>)

# Adds a static library talvex_<name> (alias talvex::<name>) from the sources given,
# with its public headers under <folder>/include.
function(talvex_add_library name)
  add_library(talvex_${name} STATIC ${ARGN})
  add_library(talvex::${name} ALIAS talvex_${name})
  target_include_directories(talvex_${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(talvex_${name} PRIVATE talvex::options talvex::warnings)
endfunction()

# Makes a GoogleTest program a test program: gtest's header, which takes most of a small test
# file's compile time, is precompiled once for the program, and its cases are registered with
# CTest. On Linux each case is a test of its own. Under Wine the program runs whole, as one
# test, since every run starts a Windows process and Wine with it; its output names the case
# that failed, and its verdict is its own XML report's (wine-run.sh --gtest). Where the program
# cannot run here (a Windows build whose Wine loader this machine cannot start), one skipped
# test says why instead.
function(talvex_test_program target)
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h>)
  if(TALVEX_WINE_UNUSABLE)
    add_test(NAME ${target}.skipped
             COMMAND ${CMAKE_COMMAND} -E echo "Skipped: ${TALVEX_WINE_UNUSABLE}")
    set_tests_properties(${target}.skipped PROPERTIES SKIP_REGULAR_EXPRESSION "Skipped: ")
  elseif(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target}
             COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${talvex_wine_loader}
                     ${PROJECT_BINARY_DIR}/wine-prefix --gtest $<TARGET_FILE:${target}>)
    # Without the caller's locale, as on a fresh machine: the programs' names beyond ASCII must
    # not depend on the developer's LANG.
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "LANG=;LC_ALL=;LC_CTYPE=")
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST ${ARGN})
  endif()
endfunction()
