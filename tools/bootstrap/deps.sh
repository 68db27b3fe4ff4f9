#!/usr/bin/env bash
# Builds the third-party libraries for a mingw-w64 target into a cache prefix outside the
# repo: Scintilla and Lexilla (from Debian's scite source package), libxml2, liblzma (from
# xz-utils) and GoogleTest (from /usr/src/googletest). The prefix is keyed by the source
# versions, the compiler and this script, so a second run finds it and does nothing.
#
#   deps.sh x86_64|i686 [all|runtime]    prints the prefix path on stdout when done
# "runtime" builds only what the runtime stub links (liblzma); "all" (the default) builds
# everything the IDE and its tests need.
set -euo pipefail

arch=${1:?usage: deps.sh x86_64|i686 [all|runtime]}
set_name=${2:-all}
triple=$arch-w64-mingw32
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/kelvox
jobs=$(nproc)
log() { printf '[deps %s] %s\n' "$arch" "$*" >&2; }

# The version apt would fetch for a source package: the name of its .dsc without suffix.
source_version() {
  apt-get source --print-uris "$1" 2>/dev/null | sed -n "s/.* \($1_[^ ]*\)\.dsc .*/\1/p" | head -n 1
}

# Fetches and unpacks one source package once; prints its folder.
fetch_source() {
  local pkg=$1 ver dir tmp
  ver=$(source_version "$pkg")
  [ -n "$ver" ] || { log "no source package $pkg (are deb-src entries enabled?)"; return 1; }
  dir=$cache/src/$ver
  if [ ! -f "$dir/.unpacked" ]; then
    log "fetching $ver"
    tmp=$(mktemp -d "$cache/src/.fetch.XXXXXX")
    (cd "$tmp" && apt-get source -qq "$pkg" >/dev/null 2>&1) || { rm -rf "$tmp"; log "apt-get source $pkg failed"; return 1; }
    rm -rf "$dir"
    mv "$(find "$tmp" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$dir"
    rm -rf "$tmp"
    touch "$dir/.unpacked"
  fi
  printf '%s\n' "$dir"
}

mkdir -p "$cache/src" "$cache/deps" "$cache/build"
scite=$(fetch_source scite)
libxml2=$(fetch_source libxml2)
xz=$(fetch_source xz-utils)
gtest=/usr/src/googletest
gtest_ver=$(dpkg-query -W -f='${Version}' googletest)
cxx_ver=$("$triple-g++-posix" -dumpversion)

key=$( { basename "$scite"; basename "$libxml2"; basename "$xz"; echo "googletest $gtest_ver $triple $cxx_ver $set_name";
         cat "$0" "$root/cmake/mingw-w64-common.cmake"; } | sha256sum | cut -c1-16)
prefix=$cache/deps/$arch-$set_name-$key
if [ -f "$prefix/.complete" ]; then
  printf '%s\n' "$prefix"
  exit 0
fi

build=$cache/build/$arch-$key
rm -rf "$build" "$prefix"
mkdir -p "$build" "$prefix/lib" "$prefix/include/scintilla" "$prefix/include/lexilla"
toolchain=$root/cmake/mingw-w64-$arch.cmake
# Runs a step with its output in a log; shows the end of the log when the step fails.
quiet() {
  local name=$1; shift
  "$@" >>"$build/$name.log" 2>&1 || { tail -n 40 "$build/$name.log" >&2; log "$name failed; log: $build/$name.log"; exit 1; }
}
cmake_cross() {
  local name=$1; shift
  quiet "$name" cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
  quiet "$name" cmake --build "$build/$name" -j "$jobs" ${KV_TARGET:+--target "$KV_TARGET"}
}

# Marks the prefix complete, drops older prefixes of the same kind and reports the path.
finish() {
  touch "$prefix/.complete"
  rm -rf "$build"
  find "$cache/deps" -mindepth 1 -maxdepth 1 -name "$arch-$set_name-*" ! -path "$prefix" -exec rm -rf {} +
  log "done: $prefix"
  printf '%s\n' "$prefix"
  exit 0
}

log "liblzma $(basename "$xz")"
KV_TARGET=liblzma cmake_cross xz -S "$xz" -B "$build/xz"
# Only the library is built, so it is installed by hand rather than by the full install rule.
cp "$build/xz/liblzma.a" "$prefix/lib/"
cp -r "$xz/src/liblzma/api/lzma" "$xz/src/liblzma/api/lzma.h" "$prefix/include/"
if [ "$set_name" = runtime ]; then
  finish
fi

log "libxml2 $(basename "$libxml2")"
cmake_cross libxml2 -S "$libxml2" -B "$build/libxml2" -DCMAKE_C_FLAGS="-DLIBXML_STATIC" -DHAVE_PTHREAD_H=OFF \
  -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF \
  -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_TESTS=OFF \
  -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_THREADS=OFF
quiet libxml2 cmake --install "$build/libxml2"

log "googletest $gtest_ver"
cmake_cross googletest -S "$gtest" -B "$build/googletest"
quiet googletest cmake --install "$build/googletest"

# Scintilla and Lexilla build with their own mingw makefiles.
make_win32() {
  quiet "$(basename "$2")" make -s -C "$1" -j "$jobs" CXX="$triple-g++-posix" AR="$triple-gcc-ar-posix" \
       RANLIB="$triple-gcc-ranlib-posix" WINDRES="$triple-windres" DIR_O="$2" DIR_BIN="$2" "$3"
}
log "scintilla $(basename "$scite")"
mkdir -p "$build/scintilla" "$build/lexilla"
make_win32 "$scite/scintilla/win32" "$build/scintilla" "$build/scintilla/libscintilla.a"
log "lexilla $(basename "$scite")"
make_win32 "$scite/lexilla/src" "$build/lexilla" "$build/lexilla/liblexilla.a"
cp "$build/scintilla/libscintilla.a" "$build/lexilla/liblexilla.a" "$prefix/lib/"
cp "$scite"/scintilla/include/*.h "$prefix/include/scintilla/"
cp "$scite"/scintilla/include/*.iface "$prefix/include/scintilla/" 2>/dev/null || true
cp "$scite"/lexilla/include/*.h "$prefix/include/lexilla/"

finish
