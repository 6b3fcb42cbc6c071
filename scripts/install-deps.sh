#!/usr/bin/env bash
# Installs the Debian packages Talvex needs to build, test and run, the Windows cross build
# and its tests under Wine included: both mingw-w64 toolchains, Wine's 64-bit loader and the
# 32-bit one (the i386 architecture), and the deb-src entries from which
# scripts/build-windows-deps.sh fetches the sources of libjpeg-turbo and nettle.
# Idempotent and quiet: does nothing when everything is already present.
set -euo pipefail
packages=(
  cmake g++ make pkg-config git
  qt6-base-dev libjpeg62-turbo-dev nettle-dev libboost-math-dev
  libgtest-dev libgmock-dev libbenchmark-dev libexpat1-dev
  binutils-mingw-w64-i686 libjpeg-turbo-progs
  clang-14 libclang-rt-14-dev
  xvfb xauth xdotool imagemagick fonts-dejavu-core zip unzip
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
  wine64 wine32:i386 dpkg-dev m4 nasm
  libxcb1-dev libx11-dev libxtst-dev libxext-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
needs_i386=false
dpkg --print-foreign-architectures | grep -qx i386 || needs_i386=true
needs_deb_src=false
grep -rqsE '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/ ||
  needs_deb_src=true
[ ${#missing[@]} -eq 0 ] && ! $needs_i386 && ! $needs_deb_src && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}), the i386 architecture or the deb-src" \
    "entries: run as root to install them" >&2
  exit 1
fi
if $needs_i386; then
  echo "install-deps: adding the i386 architecture (for 32-bit Wine)"
  dpkg --add-architecture i386
fi
if $needs_deb_src; then
  # The same archives as the binary entries, for source packages.
  echo "install-deps: enabling the deb-src entries"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/talvex-deb-src.sources
  else
    grep -hs '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      >/etc/apt/sources.list.d/talvex-deb-src.list
  fi
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
[ ${#missing[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
