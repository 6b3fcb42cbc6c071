#!/usr/bin/env bash
# Checks that what a program links is named in the third-party notices that go with it.
#   check-notices.sh maps NOTICES MAP...     every library the linker's maps show taken into
#                                            a Windows program is named in NOTICES
#   check-notices.sh linux NOTICES PROGRAM... every shared library the Linux programs need is
#                                            the system's or named in NOTICES
#   check-notices.sh zip ZIP BUILD_DIR...    the zip holds LICENSE.txt and THIRD-PARTY-NOTICES.txt,
#                                            and each program in it (its link map found in the
#                                            build folders by the program's name) links only
#                                            libraries the zip's own notices name
# A Windows program is linked with a map (cmake/TalvexWindows.cmake, talvex_link_map) that names
# every archive member and object taken in; each comes from the project's build, from one of the
# cross-built libraries, from GCC or from mingw-w64.
set -euo pipefail

fail() {
  echo "check-notices: $*" >&2
  exit 1
}

# The component of the notices a linked file belongs to; "Talvex" for the project's own,
# nothing for a file of unknown origin.
component_of() {
  local file=$1 name
  name=$(basename "$file")
  case "$name" in
    libtalvex_*.a | objects.a | *.obj | *.cpp.o | *.c.o | *.res) echo Talvex ;;
    libjpeg.a) echo libjpeg-turbo ;;
    libnettle.a) echo nettle ;;
    libwinpthread.a | libpthread.a) echo winpthreads ;;
    libstdc++.a | libsupc++.a | libgcc.a | libgcc_eh.a | libssp*.a | libatomic.a | \
      crtbegin.o | crtend.o | crtfastmath.o) echo "GCC runtime libraries" ;;
    *)
      # The C runtime's start-up objects and libraries, and the import libraries of Windows'
      # own DLLs, all come with mingw-w64.
      if [[ $file == /usr/*-w64-mingw32/lib/* ]]; then echo "mingw-w64 runtime"; fi ;;
  esac
}

# The files a GNU ld map shows taken in: archives of included members and loaded objects, their
# paths taken from the folder the program was linked in (the map's).
linked_files() {
  sed -n -e 's/^\([^ (][^ (]*\.a\)(.*/\1/p' -e 's/^LOAD \(.*\.o\(bj\)\?\)$/\1/p' "$1" |
    sort -u | (cd "$(dirname "$1")" && xargs -r -d '\n' realpath -m) | sort -u
}

check_maps() {
  local notices=$1 map file component bad=0
  shift
  [[ -f $notices ]] || fail "no notices at $notices"
  for map in "$@"; do
    [[ -s $map ]] || fail "no link map $map"
    local components=()
    while IFS= read -r file; do
      component=$(component_of "$file")
      [[ -n $component ]] || { echo "check-notices: $map: $file is of no known origin" >&2; bad=1; continue; }
      [[ $component == Talvex ]] && continue
      if ! grep -qwF -- "$component" "$notices"; then
        echo "check-notices: $(basename "$map" .map) links $file ($component), which the notices do not name" >&2
        bad=1
      fi
      components+=("$component")
    done < <(linked_files "$map")
    echo "$(basename "$map" .map) links: $(printf '%s\n' "${components[@]}" | sort -u | paste -sd, | sed 's/,/, /g')"
  done
  return $bad
}

check_linux() {
  local notices=$1 program library bad=0
  shift
  for program in "$@"; do
    while IFS= read -r library; do
      local component=
      case "$library" in
        libQt6*) component=Qt ;;
        libjpeg.so*) component=libjpeg-turbo ;;
        libnettle.so*) component=nettle ;;
        libstdc++.so* | libgcc_s.so*) component="GCC runtime libraries" ;;
        # The C library, the display's client libraries (X, OpenGL) and the sanitizers' runtimes
        # are the system's (or the test build's).
        libc.so* | libm.so* | ld-linux*.so* | libpthread.so* | libdl.so* | libxcb.so* | \
          libX11.so* | libGLX.so* | libOpenGL.so* | libGL.so* | libasan.so* | libubsan.so*) continue ;;
        *) echo "check-notices: $program needs $library, of no known origin" >&2; bad=1; continue ;;
      esac
      grep -qwF -- "$component" "$notices" ||
        { echo "check-notices: $program needs $library ($component), which the notices do not name" >&2; bad=1; }
    done < <(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  done
  return $bad
}

check_zip() {
  local zip=$1 entry map
  shift
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  unzip -q "$zip" -d "$work" || fail "$zip cannot be unpacked"
  for entry in LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [[ -s $work/$entry ]] || fail "$zip has no $entry"
  done
  grep -q "MIT License" "$work/LICENSE.txt" || fail "$zip: LICENSE.txt is not the MIT licence"
  local maps=()
  while IFS= read -r entry; do
    map=$(find "$@" -name "$(basename "$entry").map" -print -quit 2>/dev/null)
    [[ -n $map ]] || fail "$zip: no link map for $entry in $*"
    maps+=("$map")
  done < <(cd "$work" && find . -iname '*.exe' | sort)
  [[ ${#maps[@]} -gt 0 ]] || fail "$zip holds no program"
  check_maps "$work/THIRD-PARTY-NOTICES.txt" "${maps[@]}"
  echo "check-notices: $zip carries the licence and notices naming what its programs link"
}

mode=${1:-}
shift || true
case "$mode" in
  maps) check_maps "$@" ;;
  linux) check_linux "$@" ;;
  zip) check_zip "$@" ;;
  *) echo "usage: check-notices.sh maps|linux|zip ..." >&2; exit 2 ;;
esac
