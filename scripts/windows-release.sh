#!/usr/bin/env bash
# Packs the Windows releases from Windows builds, each program without its debugging sections,
# after checking that the programs import DLLs of Windows only (anything else would be missing
# on a rater's PC) and link only libraries the third-party notices name. Every zip carries the
# licence and the notices.
#   windows-release.sh raters BUILD_DIR TRIPLE OUT.zip
#       talvex.exe, talvex-unseal.exe, the raters' text, the licence and the notices
#   windows-release.sh kit BUILD_DIR TRIPLE OUT.zip SOURCES.zip
#       the study team's kit: talvex.exe with the build's image set, talvex-pack.exe,
#       talvex-unseal.exe, talvex-report.exe, the settings template, the study guide (in
#       guide/, with the other guides of docs/), the licence, the notices, and SOURCES.zip,
#       made first: the source of this version of Talvex and the Debian source packages of
#       the libraries the programs link
#   windows-release.sh --check-imports TRIPLE FILE...  the import check alone
# TRIPLE: x86_64-w64-mingw32 or i686-w64-mingw32.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

# DLLs that every Windows from 7 on has in its system folder. msvcrt.dll is the system's own C
# runtime, which mingw-w64 programs use.
readonly kWindowsDlls="advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll
dwmapi.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleacc.dll oleaut32.dll shell32.dll
shlwapi.dll user32.dll uxtheme.dll version.dll winmm.dll ws2_32.dll"

# Lists each program's imported DLLs; fails naming any that is not part of Windows.
check_imports() {
  local triple=$1 file dll bad=0
  shift
  for file in "$@"; do
    local dlls
    dlls=$("$triple-objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' |
      tr 'A-Z' 'a-z' | sort -u)
    [[ -n $dlls ]] || { echo "windows-release: $file imports no DLL at all?" >&2; return 1; }
    echo "$(basename "$file") imports: $(echo $dlls)"
    for dll in $dlls; do
      if ! grep -qw -- "$dll" <<<"$kWindowsDlls"; then
        echo "windows-release: $(basename "$file") imports $dll, which is not part of Windows" >&2
        bad=1
      fi
    done
  done
  return $bad
}

if [[ ${1:-} == --check-imports ]]; then
  shift
  check_imports "$@"
  exit
fi

kind=$1 build=$2 triple=$3 out=$4
case "$kind" in
  raters) programs=(win32/talvex.exe tools/unseal/talvex-unseal.exe) ;;
  kit)
    sources=$5
    programs=(win32/talvex.exe tools/pack/talvex-pack.exe tools/unseal/talvex-unseal.exe
      tools/report/talvex-report.exe)
    ;;
  *) echo "usage: windows-release.sh raters|kit BUILD_DIR TRIPLE OUT.zip [SOURCES.zip]" >&2; exit 2 ;;
esac
paths=()
for program in "${programs[@]}"; do
  [[ -f $build/$program ]] || { echo "windows-release: $build/$program is not built" >&2; exit 1; }
  paths+=("$build/$program")
done
check_imports "$triple" "${paths[@]}"
maps=()
for path in "${paths[@]}"; do maps+=("$path.map"); done
"$here/check-notices.sh" maps "$root/THIRD-PARTY-NOTICES.txt" "${maps[@]}"

absolute() { mkdir -p "$(dirname "$1")" && echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
with_windows_line_ends() { sed 's/$/\r/' "$1" >"$2"; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for path in "${paths[@]}"; do
  "$triple-strip" --strip-debug -o "$stage/$(basename "$path")" "$path"
done
with_windows_line_ends "$root/LICENSE" "$stage/LICENSE.txt"
with_windows_line_ends "$root/THIRD-PARTY-NOTICES.txt" "$stage/THIRD-PARTY-NOTICES.txt"
files=("${programs[@]##*/}" LICENSE.txt THIRD-PARTY-NOTICES.txt)
if [[ $kind == raters ]]; then
  # The text with Windows line ends, for every editor a rater may open it with.
  with_windows_line_ends "$root/docs/windows-raters.txt" "$stage/README.txt"
  files+=(README.txt)
else
  # The source of this version of Talvex as built (the files git tracks, from the working
  # tree), and the Debian source packages of the libraries linked statically.
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  mkdir -p "$stage/src/talvex-$version" "$stage/src/nettle" "$stage/src/libjpeg-turbo"
  (cd "$root" && git ls-files -z | xargs -0 cp --parents -t "$stage/src/talvex-$version")
  for library in nettle libjpeg-turbo; do
    source_folder=$(find "$root/build/windows-deps/src" -maxdepth 1 -name "$library-*" | head -n 1)
    [[ -n $source_folder ]] || { echo "windows-release: no source package of $library" >&2; exit 1; }
    cp "$source_folder"/*.dsc "$source_folder"/*.tar.* "$stage/src/$library/"
  done
  sources=$(absolute "$sources")
  rm -f "$sources"
  (cd "$stage/src" && zip -q -r -X "$sources" .)
  cp "$sources" "$stage/"
  with_windows_line_ends "$root/docs/study-settings.txt" "$stage/study-settings.txt"
  # The study guide with the guides it links to and their pictures, as in docs/.
  mkdir "$stage/guide"
  cp -r "$root"/docs/*.md "$root"/docs/*.png "$root"/docs/*.txt "$root/docs/study-guide" \
    "$stage/guide/"
  files+=("$(basename "$sources")" study-settings.txt guide)
  echo "windows-release: $sources"
fi
out=$(absolute "$out")
rm -f "$out"
(cd "$stage" && zip -q -r -X "$out" "${files[@]}")
"$here/check-notices.sh" zip "$out" "$build"
echo "windows-release: $out"
