#!/usr/bin/env bash
# Takes the study guide's screenshots (docs/study-guide/) under 64-bit Wine on a virtual X
# server: the kit's programs in C:\study of a Wine prefix of their own, the settings file in
# Notepad, a command prompt checking and stamping the photographs and writing the raters'
# zip, the stamped program's windows, and a command prompt making the report. Not part of
# make test.
#   scripts/study-guide-screenshots.sh WINDOWS_BUILD_DIR OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
readonly loader=/usr/lib/wine/wine64

if [[ ${3:-} != --inside ]]; then
  prefix=$build/wine-guide-prefix
  study=$prefix/drive_c/study
  "$here/wine-run.sh" "$loader" "$prefix" cmd /c exit
  # Command prompts of 110 columns and 30 rows, the text kept for 300 rows.
  "$here/wine-run.sh" "$loader" "$prefix" reg add 'HKCU\Console' /v WindowSize /t REG_DWORD \
    /d 0x001e006e /f >/dev/null
  "$here/wine-run.sh" "$loader" "$prefix" reg add 'HKCU\Console' /v ScreenBufferSize \
    /t REG_DWORD /d 0x012c006e /f >/dev/null
  rm -rf "$study"
  mkdir -p "$study/photos" "$study/collected"
  cp "$build/win32/talvex.exe" "$build/tools/pack/talvex-pack.exe" \
    "$build/tools/unseal/talvex-unseal.exe" "$build/tools/report/talvex-report.exe" "$study/"
  sed 's/$/\r/' "$here/../docs/study-settings.txt" >"$study/study-settings.txt"
  # The study's own settings, as a team would fill in the template.
  sed -e 's#https://example.org/talvex/instructions#https://eyestudy.example.org/instructions#' \
    -e 's#https://example.org/talvex/video#https://eyestudy.example.org/video#' \
    -e 's#^institution1 = .*#institution1 = Eye Imaging Group, Example University, Norway#' \
    -e 's#^authors = .*#authors = A. Berg; K. Dahl; M. Lund; S. Nilsen; T. Holm#' \
    -e 's#^clinic = .*#clinic = Glaucoma#' -e 's#^hospital = .*#hospital = University Hospital#' \
    -e 's/$/\r/' "$here/../docs/study-settings.txt" >"$study/my-settings.txt"
  samples=$build/tools/embed/samples
  for name in RESOURCES_BLANK_BMP RESOURCES_TALVEX2_BMP RESOURCES_POS_G__{1,2,3,4}__BMP \
    RESOURCES_NEG_C__{1,2,3,4,5,6,7}__BMP; do
    cp "$samples/$name.jpg" "$study/photos/"
  done
  # One photograph misnamed, as happens, for the check to find.
  cp "$samples/RESOURCES_POS_G__5__BMP.jpg" "$study/photos/RESOURCES_PSO_G__5__BMP.jpg"
  source "$here/../tests/tools/example_results.sh"
  write_example_results "$study/collected"
  "$here/wine-run.sh" "$loader" "$prefix" --stop
  xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24" "$0" "$build" "$out" \
    --inside "$prefix"
  "$here/wine-run.sh" "$loader" "$prefix" --stop
  echo "study-guide-screenshots: $out"
  exit 0
fi

# --- inside the virtual X server ---------------------------------------------------------
prefix=$4
export TALVEX_WINE_DISPLAY=1
wine() { "$here/wine-run.sh" "$loader" "$prefix" "$@"; }

# Waits for a visible window whose title matches; sets window.
await() {
  window=
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [[ -n $window ]] && return 0
    sleep 0.1
  done
  echo "study-guide-screenshots: no window \"$1\"" >&2
  exit 1
}

# Types text into window key by key: Wine's console takes shifted characters from xdotool's
# key names, not from its typing.
type_keys() {
  local text=$1 keys=() i c
  for ((i = 0; i < ${#text}; i++)); do
    c=${text:i:1}
    case "$c" in
      [a-z0-9]) keys+=("$c") ;;
      [A-Z]) keys+=("shift+${c,}") ;;
      _) keys+=(shift+minus) ;;
      -) keys+=(minus) ;;
      .) keys+=(period) ;;
      ' ') keys+=(space) ;;
      '\') keys+=(backslash) ;;
      :) keys+=(shift+semicolon) ;;
      *) echo "study-guide-screenshots: cannot type \"$c\"" >&2; exit 1 ;;
    esac
  done
  xdotool key --window "$window" --delay 15 "${keys[@]}"
}

# A command prompt in C:\study, given the commands typed one by one; its picture as $1.
console() {
  local picture=$1
  shift
  (cd "$prefix/drive_c/study" && wine wineconsole cmd >/dev/null 2>&1) &
  local pid=$!
  await 'cmd.exe$'
  sleep 1
  local command
  for command in "$@"; do
    type_keys "$command"
    xdotool key --window "$window" Return
    sleep "${pause:-4}"
  done
  import -window "$window" "$out/$picture"
  xdotool type --window "$window" "exit" 2>/dev/null || true
  xdotool key --window "$window" Return 2>/dev/null || true
  wait "$pid" || true
}

(cd "$prefix/drive_c/study" && wine notepad my-settings.txt >/dev/null 2>&1) &
await 'Notepad$'
sleep 1
import -window "$window" "$out/settings-in-notepad.png"
xdotool key --window "$window" alt+F4 2>/dev/null || true
wait || true

console stamp-in-command-prompt.png "cd C:\\study" "cls" "talvex-pack check photos" \
  "ren photos\\RESOURCES_PSO_G__5__BMP.jpg RESOURCES_POS_G__5__BMP.jpg" \
  "talvex-pack stamp talvex.exe photos study\\talvex.exe --settings my-settings.txt" \
  "talvex-pack list study\\talvex.exe" \
  "talvex-pack raters-zip study\\talvex.exe talvex-raters.zip"

(cd "$prefix/drive_c/study/study" && wine talvex.exe >/dev/null 2>&1) &
program=$!
await '^Talvex 2010$'
main=$window
sleep 1
import -window "$main" "$out/stamped-main-window.png"
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --sync $((X + 15)) $((Y + 10)) click 1
sleep 0.5
xdotool key Down Down Return
await '^About$'
sleep 1
import -window "$window" "$out/stamped-about-window.png"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
WINEPREFIX=$prefix "${loader%/*}/wineserver" -k 2>/dev/null || true

pause=10 console report-in-command-prompt.png "cd C:\\study" "cls" \
  "talvex-report --out report collected"
