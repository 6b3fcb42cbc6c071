#!/usr/bin/env bash
# talvex-pack.exe, run under Wine, stamps a folder and a settings file into talvex.exe and gives
# the same file, byte for byte, as the Linux talvex-pack with the same inputs. The folders'
# names have letters beyond ASCII (one beyond the usual ANSI code pages too), and the copy's
# folder is made by the tool.
#   windows_stamp_alike.sh LOADER PREFIX WINDOWS_PACK_TOOL LINUX_PACK_TOOL PROGRAM SAMPLES SETTINGS
# Exit code 77: skipped (this machine cannot run the loader).
set -euo pipefail
loader=$1 prefix=$2 windows_pack=$3 linux_pack=$4 program=$5 samples=$6 settings=$7
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
if ! reason=$("$scripts/wine-run.sh" "$loader" --can-run 2>&1); then
  echo "stamp-alike: skipped: $reason"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
images="Bilder-ä-Ł"
mkdir "$work/$images"
for name in RESOURCES_BLANK_BMP RESOURCES_TALVEX2_BMP RESOURCES_POS_G__3__BMP \
  RESOURCES_NEG_C__1__BMP RESOURCES_NEG_C__12__BMP; do
  cp "$samples/$name.jpg" "$work/$images/"
done
cp "$program" "$work/talvex.exe"
cp "$windows_pack" "$work/talvex-pack.exe"
cp "$settings" "$work/settings.txt"
# The Windows tool works in the folder, with paths as a Windows user types them; Wine hands the
# names over as UTF-16 when it reads them as UTF-8.
source "$(dirname "$0")/windows_tool.sh"
status=0
(cd "$work" && LC_ALL=C.UTF-8 "$scripts/wine-run.sh" "$loader" "$prefix" \
  talvex-pack.exe stamp talvex.exe "$images" "Kopie-Ł\\windows.exe" --settings settings.txt) \
  2>"$work/errors" || status=$?
windows_tool_ended stamp-alike "$status" "$work/errors" || exit 1
"$linux_pack" stamp "$work/talvex.exe" "$work/$images" "$work/linux.exe" \
  --settings "$work/settings.txt" >/dev/null
cmp "$work/Kopie-Ł/windows.exe" "$work/linux.exe" ||
  { echo "stamp-alike: FAILED: talvex-pack.exe and talvex-pack stamp different files" >&2; exit 1; }
echo "stamp-alike: talvex-pack.exe and talvex-pack stamp the same $(stat -c %s "$work/linux.exe") bytes"
