#!/usr/bin/env bash
# talvex-report.exe, run under Wine, writes the same report as the Linux talvex-report: the
# same CSV tables, HTML page and study file, byte for byte, and the same text on the terminal,
# for a study of six raters (example_results.sh: results files as Talvex writes them, with
# repeats for the test-retest figures, and one run left incomplete). One file and the report's
# folder have names beyond ASCII (one letter beyond the usual ANSI code pages too).
#   report_alike.sh LOADER PREFIX WINDOWS_REPORT LINUX_REPORT
# Exit code 77: skipped (this machine cannot run the loader).
set -euo pipefail
loader=$1 prefix=$2 windows_report=$3 linux_report=$4
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
if ! reason=$("$scripts/wine-run.sh" "$loader" --can-run 2>&1); then
  echo "report-alike: skipped: $reason"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/example_results.sh"
write_example_results "$work/study/results"
mv "$work/study/results/rater1 120726 1405.xls" "$work/study/results/Jörg-Ł 120726 1405.xls"

# Both programs run in the results folder and are given the same file names, so that no path
# separator, which differs between the systems, comes into the outputs.
files=()
for file in "$work"/study/results/*.xls; do files+=("$(basename "$file")"); done
(cd "$work/study/results" && "$linux_report" --out ../../linux-Ł "${files[@]}") \
  >"$work/linux.out" 2>"$work/linux.err"
cp "$windows_report" "$work/study/results/talvex-report.exe"
source "$(dirname "$0")/windows_tool.sh"
status=0
# Wine hands the names over as UTF-16 when it reads them as UTF-8.
(cd "$work/study/results" && LC_ALL=C.UTF-8 "$scripts/wine-run.sh" "$loader" "$prefix" \
  talvex-report.exe --out ..\\..\\windows-Ł "${files[@]}") \
  >"$work/windows.out" 2>"$work/windows.err" || status=$?
windows_tool_ended report-alike "$status" "$work/windows.err" || exit 1
diff -r "$work/linux-Ł" "$work/windows-Ł" || status=1
# The terminal's text alike too, but for the report's own path and the console's line ends.
for stream in out err; do
  sed 's#^Report written to \.\./\.\./linux-Ł/#Report written to OUT/#' "$work/linux.$stream" \
    >"$work/linux.$stream.cmp"
  tr -d '\r' <"$work/windows.$stream" |
    sed 's#^Report written to \.\.\\\.\.\\windows-Ł\\#Report written to OUT/#' >"$work/windows.$stream.cmp"
  diff "$work/linux.$stream.cmp" "$work/windows.$stream.cmp" || status=1
done
[[ $status == 0 ]] || { echo "report-alike: FAILED: the reports differ" >&2; exit 1; }
echo "report-alike: $(ls "$work/linux-Ł" | wc -l) files alike: $(ls "$work/linux-Ł" | paste -sd' ')"
