#!/usr/bin/env bash
# Cross-builds the libraries drensolk.exe needs (zlib, libpng, the classic
# SDL 1.2, libopenmpt) with mingw-w64 from Debian 12's own source packages.
# Each library has its own prefix, kept while its key (its source version,
# its recipe below, the compiler, and the keys of what it builds on) is
# unchanged, so a change to one recipe rebuilds that library alone. The demo
# links one prefix put together from them (hard links).
#   scripts/windows/build-libs.sh   prints that prefix on its last line
# Environment: DRENSOLK_WIN_CACHE (default /var/cache/drensolk) holds the
# prefixes and the unpacked sources. Needs the packages that
# scripts/build-windows.sh installs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${DRENSOLK_WIN_CACHE:-/var/cache/drensolk}
triple=x86_64-w64-mingw32
jobs=${DRENSOLK_JOBS:-$(nproc)}
packages=(zlib libpng1.6 libsdl1.2 libopenmpt)
mkdir -p "$cache/win64"

# A private apt setup with source entries made from this machine's own: the
# system's configuration is left as it is.
apt_dir=$cache/apt
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/archives/partial"
"$here/apt-sources.sh" >"$apt_dir/parts/deb-src.sources.new"
mv "$apt_dir/parts/deb-src.sources.new" "$apt_dir/parts/deb-src.sources"
apt=(apt-get -qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/parts"
     -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir" -o Debug::NoLocking=1)
apt_cache=(apt-cache -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/parts"
           -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir")
"${apt[@]}" update

# Each package's source: the newest version the archive serves whole,
# unpacked with Debian's patches applied, and kept.
sources=$cache/sources
mkdir -p "$sources"
declare -A dir version
fetch_source() {
  local name=$1 v
  for v in $("${apt_cache[@]}" showsrc "$name" | awk '/^Version:/ {print $2}' | sort -Vr -u); do
    local unpacked
    unpacked=$(cat "$sources/.$name=$v.dir" 2>/dev/null || true)
    if [ -n "$unpacked" ] && [ -d "$sources/$unpacked" ]; then
      dir[$name]=$sources/$unpacked version[$name]=$v
      return
    fi
    local work
    work=$(mktemp -d "$sources/.get.XXXXXX")
    if (cd "$work" && "${apt[@]}" source "$name=$v" >/dev/null 2>&1); then
      local d
      d=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -1)
      rm -rf "${sources:?}/$(basename "$d")"
      mv "$d" "$sources/"
      basename "$d" >"$sources/.$name=$v.dir"
      rm -rf "$work"
      dir[$name]=$sources/$(basename "$d") version[$name]=$v
      return
    fi
    rm -rf "$work"
  done
  echo "build-libs: the archive serves no whole source of $name (apt-get source $name failed for every version); check the machine's apt sources" >&2
  exit 1
}
for p in "${packages[@]}"; do fetch_source "$p"; done

export CC=$triple-gcc-posix CXX=$triple-g++-posix AR=$triple-ar RANLIB=$triple-ranlib
compiler=$($CC --version | head -1)

# The recipes. Each runs in a fresh copy of its source ($PWD) and installs
# into $out (bin, include, lib, lib/pkgconfig, share/licenses/<name>); $deps
# is the prefix of what it builds on.
licence() { mkdir -p "$out/share/licenses/$1" && cp "${@:2}" "$out/share/licenses/$1/"; }
# A static library's users link what it links: its private libraries go into
# its Libs (CMake's pkg-config targets read Libs alone).
static_pc() { sed -i "s|^Libs: .*|& $(sed -n 's/^Libs.private: *//p' "$1")|" "$1"; }
autotools_host() { echo --host=$triple --prefix="$out" CPPFLAGS="-I$deps/include" LDFLAGS="-L$deps/lib"; }

# zlib: static, inside drensolk.exe. Its library sources by hand: Debian's
# source drops zlib's Windows makefile.
recipe_zlib() {
  "$CC" -O2 -c adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c \
    infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
  "$AR" rcs libz.a ./*.o
  cp libz.a "$out/lib/" && cp zlib.h zconf.h "$out/include/"
  cat >"$out/lib/pkgconfig/zlib.pc" <<PC
prefix=$out
Name: zlib
Description: zlib compression library
Version: 1.2.13
Libs: -L\${prefix}/lib -lz
Cflags: -I\${prefix}/include
PC
  sed -n '/Copyright notice:/,$p' README >LICENSE.txt
  licence zlib LICENSE.txt
}

# libpng: static, inside drensolk.exe (the maker mode's PNG writer).
recipe_libpng1_6() {
  # shellcheck disable=SC2046
  ./configure -q $(autotools_host) --disable-shared --enable-static >/dev/null
  make -s -j"$jobs" libpng16.la >/dev/null
  make -s install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
    install-pkgconfigDATA install-header-links install-library-links >/dev/null
  static_pc "$out/lib/pkgconfig/libpng16.pc"
  ln -sf libpng16.pc "$out/lib/pkgconfig/libpng.pc"
  licence libpng LICENSE
}

# The classic SDL 1.2 (windib video with WGL OpenGL, DirectSound and waveout
# audio): a DLL, as its LGPL asks of a program that ships without its own
# sources alongside. Its entry wrapper leaves stdout and stderr alone (no
# stdout.txt): start-up reports failures itself, see src/core/platform.
recipe_libsdl1_2() {
  # shellcheck disable=SC2046
  ./configure -q $(autotools_host) --enable-shared --disable-static --disable-stdio-redirect >/dev/null
  make -s -j"$jobs" >/dev/null
  make -s install >/dev/null
  licence SDL COPYING
}

# libopenmpt: static, the module player alone (no codecs, no player program).
# -O1 and no debug information: its C++ is most of the whole build's time, and
# -O1 still mixes the demo's module at a small fraction of a core.
recipe_libopenmpt() {
  # shellcheck disable=SC2046
  ./configure -q $(autotools_host) --disable-shared --enable-static \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
    --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-portaudio --without-portaudiocpp --without-pulseaudio --without-sndfile --without-flac >/dev/null
  make -s -j"$jobs" CFLAGS=-O1 CXXFLAGS=-O1 >/dev/null
  make -s install >/dev/null
  static_pc "$out/lib/pkgconfig/libopenmpt.pc"
  licence libopenmpt LICENSE
}

declare -A key prefix
# key_of NAME DEPENDENCIES...: the library's key.
key_of() {
  {
    echo "$1 ${version[$1]}"
    declare -f "recipe_${1//./_}" licence static_pc autotools_host
    echo "$compiler"
    for d in "${@:2}"; do echo "${key[$d]}"; done
  } | sha256sum | cut -c1-16
}

# build NAME DEPENDENCIES...: the library's prefix, built unless kept.
build() {
  local name=$1
  key[$name]=$(key_of "$@")
  out=$cache/win64/$name-${key[$name]}
  prefix[$name]=$out
  if [ -f "$out/.complete" ]; then
    [ -n "${quiet:-}" ] || echo "build-libs: $name ${version[$name]}: kept in $out" >&2
    return
  fi
  echo "build-libs: $name ${version[$name]}: building into $out" >&2
  deps=$out.deps
  rm -rf "$out" "$out.build" "$deps"
  mkdir -p "$out"/{bin,include,lib/pkgconfig,share/licenses} "$deps"
  for d in "${@:2}"; do cp -al "${prefix[$d]}/." "$deps/"; done
  cp -a "${dir[$name]}" "$out.build"
  local started=$SECONDS
  if ! (cd "$out.build" && export PKG_CONFIG_LIBDIR=$deps/lib/pkgconfig PKG_CONFIG_PATH= &&
    "recipe_${name//./_}") >"$out.log" 2>&1; then
    tail -30 "$out.log" >&2
    echo "build-libs: $name failed to build (the log above is $out.log)" >&2
    exit 1
  fi
  rm -rf "$out.build" "$deps" "$out.log"
  # The older prefixes of this library are of no further use.
  find "$cache/win64" -maxdepth 1 -name "$name-*" ! -name "$name-${key[$name]}" -exec rm -rf {} +
  touch "$out/.complete"
  echo "build-libs: $name built in $((SECONDS - started)) s" >&2
}

# libopenmpt needs nothing of the others and is the longest: it builds in the
# background while the others build one after another.
(build libopenmpt) &
openmpt_job=$!
build zlib
build libpng1.6 zlib
build libsdl1.2
wait "$openmpt_job" || exit 1
quiet=1 build libopenmpt  # built by now: this records its key and prefix

# The one prefix the demo's build reads: hard links to the libraries' files,
# with each pkg-config file's prefix pointing at it.
all_key=$(for p in "${packages[@]}"; do echo "$p ${key[$p]}"; done | sha256sum | cut -c1-16)
all=$cache/win64/all-$all_key
if [ ! -f "$all/.complete" ]; then
  rm -rf "$all"
  mkdir -p "$all"
  for p in "${packages[@]}"; do cp -al "${prefix[$p]}/." "$all/"; done
  rm -f "$all/.complete" "$all"/lib/*.la
  for pc in "$all"/lib/pkgconfig/*.pc; do
    sed "s|^prefix=.*|prefix=$all|; s|$cache/win64/[a-z0-9.]*-[0-9a-f]\{16\}|$all|g" "$pc" >"$pc.new"
    mv "$pc.new" "$pc"  # a new file: the library's own prefix keeps its own
  done
  { for p in "${packages[@]}"; do echo "$p ${version[$p]}"; done; } >"$all/VERSIONS"
  find "$cache/win64" -maxdepth 1 -name "all-*" ! -name "all-$all_key" -exec rm -rf {} +
  touch "$all/.complete"
fi
echo "$all"
