#!/usr/bin/env bash
# Installs the Debian packages Talvex needs to build, test and run.
# Idempotent and quiet: does nothing when every package is already present.
set -euo pipefail
packages=(
  cmake g++ make pkg-config git
  qt6-base-dev libjpeg62-turbo-dev nettle-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  binutils-mingw-w64-i686 libjpeg-turbo-progs
  clang-14 libclang-rt-14-dev
  xvfb xauth xdotool imagemagick fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
