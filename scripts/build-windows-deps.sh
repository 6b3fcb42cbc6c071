#!/usr/bin/env bash
# Cross-builds libjpeg-turbo and nettle for Windows from Debian's own source packages, the
# versions installed for the Linux build, as static libraries into build/windows-deps/ARCH
# (ARCH: x86_64 or i686). A finished prefix is reused; the sources are fetched once per clone
# with `apt-get source` (scripts/install-deps.sh enables the deb-src entries).
set -euo pipefail
arch=${1:?usage: build-windows-deps.sh x86_64|i686}
case "$arch" in
  x86_64 | i686) ;;
  *) echo "build-windows-deps: unknown architecture $arch" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/windows-deps
prefix=$deps/$arch
host=$arch-w64-mingw32
jobs=${JOBS:-2}

installed_version() {
  dpkg-query -W -f='${Version}' "$1" 2>/dev/null
}
jpeg_version=$(installed_version libjpeg62-turbo-dev)
nettle_version=$(installed_version nettle-dev)
if [ -z "$jpeg_version" ] || [ -z "$nettle_version" ]; then
  echo "build-windows-deps: libjpeg62-turbo-dev and nettle-dev must be installed" >&2
  exit 1
fi
stamp="libjpeg-turbo $jpeg_version, nettle $nettle_version"
if [ -f "$prefix/.complete" ] && [ "$(cat "$prefix/.complete")" = "$stamp" ]; then
  exit 0
fi

mkdir -p "$deps/src"
exec 9>"$deps/src/.lock"
flock 9  # the two architectures may be built at once; they share the sources
fetch() {  # fetch PACKAGE VERSION: unpacks the source package once, prints its folder
  local folder=$deps/src/$1-${2#*:}
  if [ ! -f "$folder/.unpacked" ]; then
    rm -rf "$folder" && mkdir -p "$folder"
    (cd "$folder" && apt-get source -qq "$1=$2" >/dev/null 2>&1) || {
      echo "build-windows-deps: apt-get source $1=$2 failed (are the deb-src entries enabled?)" >&2
      exit 1
    }
    touch "$folder/.unpacked"
  fi
  find "$folder" -mindepth 1 -maxdepth 1 -type d | head -n 1
}
jpeg_source=$(fetch libjpeg-turbo "$jpeg_version")
nettle_source=$(fetch nettle "$nettle_version")
flock -u 9

echo "build-windows-deps: building $stamp for $arch"
rm -rf "$prefix" "$deps/work-$arch"
mkdir -p "$prefix/include" "$prefix/lib/pkgconfig" "$deps/work-$arch"
work=$deps/work-$arch

# libjpeg-turbo: the libjpeg 6b interface, static, with its SIMD code (nasm).
cmake -S "$jpeg_source" -B "$work/jpeg" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/windows-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_SIMD=ON -DCMAKE_INSTALL_PREFIX="$prefix" >"$work/jpeg.log" 2>&1 ||
  { cat "$work/jpeg.log" >&2; exit 1; }
cmake --build "$work/jpeg" -j "$jobs" --target jpeg-static >>"$work/jpeg.log" 2>&1 ||
  { tail -40 "$work/jpeg.log" >&2; exit 1; }
cp "$work/jpeg/libjpeg.a" "$prefix/lib/"
cp "$work/jpeg/jconfig.h" "$jpeg_source/jpeglib.h" "$jpeg_source/jmorecfg.h" \
  "$jpeg_source/jerror.h" "$prefix/include/"

# nettle: the hash and cipher library only (no public-key part, no documentation). Its own
# install rules would run autoheader again over the unpacked sources, so the library and the
# pkg-config file are put in place here.
(
  cd "$work" && mkdir -p nettle && cd nettle
  "$nettle_source/configure" --host="$host" --prefix="$prefix" --disable-shared \
    --enable-static --disable-public-key --disable-documentation --disable-openssl \
    CC="$host-gcc-posix" AR="$host-gcc-ar-posix" RANLIB="$host-gcc-ranlib-posix" \
    >"$work/nettle.log" 2>&1 && make -j "$jobs" libnettle.a >>"$work/nettle.log" 2>&1 &&
    make install-headers >>"$work/nettle.log" 2>&1
) || { tail -40 "$work/nettle.log" >&2; exit 1; }
cp "$work/nettle/libnettle.a" "$prefix/lib/"
cat >"$prefix/lib/pkgconfig/nettle.pc" <<PC
prefix=$prefix
includedir=\${prefix}/include
libdir=\${prefix}/lib

Name: Nettle
Description: Nettle low-level cryptographic library (symmetric algorithms)
Version: ${nettle_version%%-*}
Libs: -L\${libdir} -lnettle
Cflags: -I\${includedir}
PC

rm -rf "$work"
echo "$stamp" >"$prefix/.complete"
