#!/usr/bin/env bash
# Packs one Windows release: talvex.exe and talvex-unseal.exe of a Windows build, without their
# debugging sections, and the text for raters, into a zip. Before that, checks that the
# programs import DLLs of Windows only (anything else would be missing on a rater's PC).
#   windows-release.sh BUILD_DIR TRIPLE OUT.zip       TRIPLE: x86_64-w64-mingw32 or i686-...
#   windows-release.sh --check-imports TRIPLE FILE...  the import check alone
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

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

build=$1 triple=$2 out=$3
programs=("$build/win32/talvex.exe" "$build/tools/unseal/talvex-unseal.exe")
for program in "${programs[@]}"; do
  [[ -f $program ]] || { echo "windows-release: $program is not built" >&2; exit 1; }
done
check_imports "$triple" "${programs[@]}"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for program in "${programs[@]}"; do
  "$triple-strip" --strip-debug -o "$stage/$(basename "$program")" "$program"
done
# The text with Windows line ends, for every editor a rater may open it with.
sed 's/$/\r/' "$here/../docs/windows-raters.txt" >"$stage/README.txt"
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
rm -f "$out"
(cd "$stage" && zip -q -X "$out" talvex.exe talvex-unseal.exe README.txt)
echo "windows-release: $out"
