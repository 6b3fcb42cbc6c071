# Run on the build machine by the Windows build's tests: talvex-pack (a Linux program) lists
# the "BINARY" entries of the Windows program and of the image pack the Linux program carries;
# both lists must be the same names in the same order, EXPECTED_COUNT of them when given, and
# every image extracted from the one must be the same bytes as from the other.
#   cmake -DPACK_TOOL=... -DPROGRAM=... -DPACK=... -DWORK=... [-DEXPECTED_COUNT=n] -P this
foreach(file PROGRAM PACK)
  execute_process(COMMAND ${PACK_TOOL} list ${${file}} RESULT_VARIABLE status
                  OUTPUT_VARIABLE listing_${file} ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "talvex-pack list ${${file}} failed: ${error}")
  endif()
endforeach()
if(NOT listing_PROGRAM STREQUAL listing_PACK)
  message(FATAL_ERROR "The program lists\n${listing_PROGRAM}\nthe pack lists\n${listing_PACK}")
endif()
string(REGEX MATCHALL "[^\n]+" names "${listing_PROGRAM}")
list(LENGTH names count)
if(DEFINED EXPECTED_COUNT AND NOT count EQUAL EXPECTED_COUNT)
  message(FATAL_ERROR "${count} images listed, ${EXPECTED_COUNT} expected")
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(name IN LISTS names)
  foreach(file PROGRAM PACK)
    execute_process(COMMAND ${PACK_TOOL} extract ${${file}} ${name} ${WORK}/${file}.jpg
                    RESULT_VARIABLE status ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "talvex-pack extract ${${file}} ${name} failed: ${error}")
    endif()
  endforeach()
  file(SHA256 ${WORK}/PROGRAM.jpg from_program)
  file(SHA256 ${WORK}/PACK.jpg from_pack)
  if(NOT from_program STREQUAL from_pack)
    message(FATAL_ERROR "${name} differs between the program and the pack")
  endif()
endforeach()
message(STATUS "${count} images, listed and stored alike")
