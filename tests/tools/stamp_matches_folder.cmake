# A built program stamped by talvex-pack (a Linux program, the build machine's): the copy lists
# the folder's images, in the order the program lists them (ascending by character code), and
# each image extracted from it is the folder's file byte for byte; stamped again with a second
# folder, it lists that one. Stamped with the whole sample set it was built with, it lists and
# gives back what the built program does. The original is left as it was.
#   cmake -DPACK_TOOL=... -DPROGRAM=... -DSAMPLES=<generated sample set> -DWORK=...
#         -DSETTINGS=<settings file> -P stamp_matches_folder.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nfailed (${status}): ${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# A folder of some of the sample pictures; their names are the expected listing, sorted.
function(make_folder folder names)
  file(MAKE_DIRECTORY ${folder})
  foreach(name IN LISTS names)
    file(COPY_FILE ${SAMPLES}/${name}.jpg ${folder}/${name}.jpg)
  endforeach()
endfunction()

function(check_stamped copy folder names)
  run(${PACK_TOOL} list ${copy})
  set(expected ${names})
  list(SORT expected)
  string(REPLACE ";" "\n" expected "${expected}")
  if(NOT output STREQUAL "${expected}\n")
    message(FATAL_ERROR "${copy} lists\n${output}\nexpected\n${expected}")
  endif()
  foreach(name IN LISTS names)
    run(${PACK_TOOL} extract ${copy} ${name} ${WORK}/extracted.jpg)
    file(SHA256 ${WORK}/extracted.jpg got)
    file(SHA256 ${folder}/${name}.jpg want)
    if(NOT got STREQUAL want)
      message(FATAL_ERROR "${name} extracted from ${copy} differs from ${folder}/${name}.jpg")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
get_filename_component(extension ${PROGRAM} LAST_EXT)
set(first RESOURCES_BLANK_BMP RESOURCES_TALVEX2_BMP RESOURCES_POS_G__0__BMP RESOURCES_POS_G__1__BMP
          RESOURCES_NEG_C__0__BMP RESOURCES_NEG_C__1__BMP RESOURCES_NEG_C__10__BMP)
set(second RESOURCES_BLANK_BMP RESOURCES_TALVEX2_BMP RESOURCES_POS_G__7__BMP
           RESOURCES_NEG_C__3__BMP)
make_folder(${WORK}/first "${first}")
make_folder(${WORK}/second "${second}")
file(SHA256 ${PROGRAM} original)

run(${PACK_TOOL} stamp ${PROGRAM} ${WORK}/first ${WORK}/once${extension} --settings ${SETTINGS})
check_stamped(${WORK}/once${extension} ${WORK}/first "${first}")
run(${PACK_TOOL} stamp ${WORK}/once${extension} ${WORK}/second ${WORK}/twice${extension})
check_stamped(${WORK}/twice${extension} ${WORK}/second "${second}")
# The whole sample set, from which the program was built, stamped into it: the same names in
# the same order as the built program, and the same bytes for the first, a middle and the last.
run(${PACK_TOOL} stamp ${PROGRAM} ${SAMPLES} ${WORK}/samples${extension})
run(${PACK_TOOL} list ${WORK}/samples${extension})
set(stamped_listing "${output}")
run(${PACK_TOOL} list ${PROGRAM})
if(NOT stamped_listing STREQUAL output)
  message(FATAL_ERROR "stamped with its own set, ${PROGRAM} lists\n${stamped_listing}\n"
                      "where the built program lists\n${output}")
endif()
string(REGEX MATCHALL "[^\n]+" names "${output}")
list(LENGTH names count)
math(EXPR middle "${count} / 2")
math(EXPR last "${count} - 1")
foreach(index 0 ${middle} ${last})
  list(GET names ${index} name)
  run(${PACK_TOOL} extract ${PROGRAM} ${name} ${WORK}/built.jpg)
  run(${PACK_TOOL} extract ${WORK}/samples${extension} ${name} ${WORK}/stamped.jpg)
  file(SHA256 ${WORK}/built.jpg built)
  file(SHA256 ${WORK}/stamped.jpg stamped)
  if(NOT built STREQUAL stamped)
    message(FATAL_ERROR "${name} differs between the built and the stamped program")
  endif()
endforeach()

file(SHA256 ${PROGRAM} after)
if(NOT after STREQUAL original)
  message(FATAL_ERROR "stamping changed ${PROGRAM}")
endif()
file(SIZE ${PROGRAM} size)
file(SIZE ${WORK}/once${extension} stamped)
message(STATUS "${PROGRAM} (${size} bytes) stamped with ${WORK}/first (${stamped} bytes), and again")
