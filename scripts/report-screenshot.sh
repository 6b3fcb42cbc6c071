#!/usr/bin/env bash
# Renders a talvex-report page to a PNG with Debian's chromium, headless, as a reader's browser
# shows it. Installs chromium first when it is missing (as root). Not part of make test.
#
#   scripts/report-screenshot.sh REPORT.html OUT.png [WIDTHxHEIGHT]
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 REPORT.html OUT.png [WIDTHxHEIGHT]" >&2
  exit 2
fi
page=$(realpath "$1")
out=$(realpath -m "$2")
size=${3:-1200x1800}

if ! command -v chromium >/dev/null; then
  if [[ "$(id -u)" -ne 0 ]]; then
    echo "report-screenshot: chromium is missing (run as root to install it)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends chromium fonts-dejavu-core >/dev/null
fi

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" --hide-scrollbars --window-size="${size/x/,}" \
  --screenshot="$out" "file://$page" 2>/dev/null
[[ -s $out ]] || { echo "report-screenshot: no picture was written" >&2; exit 1; }
echo "report-screenshot: $out"
