#!/usr/bin/env bash
# Cross-builds the libraries drensolk.exe needs (zlib, libpng, SDL2,
# sdl12-compat, SDL_image 1.2 with PNG only, libopenmpt) with mingw-w64 from
# Debian 12's own source packages, into a prefix outside the repository that is
# reused while the sources and this recipe are unchanged.
#   scripts/windows/build-libs.sh   prints the prefix on its last line
#   ... --prefix-only               prints it without building
# Environment: DRENSOLK_WIN_CACHE (default /var/cache/drensolk) holds the
# prefixes and the downloaded sources. Needs the packages that
# scripts/build-windows.sh installs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${DRENSOLK_WIN_CACHE:-/var/cache/drensolk}
triple=x86_64-w64-mingw32
jobs=${DRENSOLK_JOBS:-$(nproc)}
packages=(zlib libpng1.6 libsdl2 sdl12-compat sdl-image1.2 libopenmpt)
mkdir -p "$cache"

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

# Each package's source: the newest version the archive serves whole, unpacked
# with Debian's patches applied. Where the archive serves none of its versions,
# the same upstream release kept in third_party/ (see its README) stands in.
sources=$cache/sources
mkdir -p "$sources"
declare -A dir version
fetch_source() {
  local name=$1 v
  for v in $("${apt_cache[@]}" showsrc "$name" | awk '/^Version:/ {print $2}' | sort -Vr -u); do
    local unpacked
    unpacked=$(find "$sources" -maxdepth 1 -name ".$name=$v.dir" -exec cat {} \; 2>/dev/null || true)
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
  local kept
  kept=$(find "$repo/third_party" -maxdepth 1 -name "${name}_*.orig.tar.gz" | sort -V | tail -1)
  if [ -z "$kept" ]; then
    echo "build-libs: cannot get the source of $name from the archive, and third_party/ has no copy; check the machine's apt sources" >&2
    exit 1
  fi
  v=$(basename "$kept" .orig.tar.gz)
  v=${v#"${name}"_}
  echo "build-libs: the archive serves no source of $name; using third_party/$(basename "$kept")" >&2
  rm -rf "$sources/$name-upstream-$v"
  mkdir -p "$sources/$name-upstream-$v"
  tar -xzf "$kept" -C "$sources/$name-upstream-$v" --strip-components=1
  dir[$name]=$sources/$name-upstream-$v version[$name]="$v (upstream, third_party/$(basename "$kept"))"
}
for p in "${packages[@]}"; do fetch_source "$p"; done

# The prefix's key: the source versions, this recipe, the toolchain file and
# the compiler.
key=$( {
  for p in "${packages[@]}"; do echo "$p ${version[$p]}"; done
  cat "$0" "$repo/cmake/mingw-w64.cmake"
  sha256sum "$repo"/third_party/*.tar.gz
  $triple-gcc-posix --version | head -1
} | sha256sum | cut -c1-16)
prefix=$cache/win64-$key
if [ "${1:-}" = --prefix-only ]; then  # where the libraries are or would go
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  echo "build-libs: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

echo "build-libs: building into $prefix" >&2
rm -rf "$prefix" "$prefix.build"
mkdir -p "$prefix"/{bin,include,lib/pkgconfig,share/licenses} "$prefix.build"
build=$prefix.build
export CC=$triple-gcc-posix CXX=$triple-g++-posix AR=$triple-ar RANLIB=$triple-ranlib
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
copy_tree() { rm -rf "$build/$1"; cp -a "${dir[$1]}" "$build/$1"; }
licence() { mkdir -p "$prefix/share/licenses/$1"; cp "${@:2}" "$prefix/share/licenses/$1/"; }
autotools_host=(--host=$triple --prefix="$prefix" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib")

# zlib and libpng: static, inside drensolk.exe.
copy_tree zlib
# Its library sources by hand: Debian's source drops zlib's Windows makefile.
(cd "$build/zlib" && "$CC" -O2 -c adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c \
  infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c && "$AR" rcs libz.a ./*.o)
cp "$build/zlib/libz.a" "$prefix/lib/" && cp "$build/zlib/zlib.h" "$build/zlib/zconf.h" "$prefix/include/"
cat >"$prefix/lib/pkgconfig/zlib.pc" <<PC
prefix=$prefix
Name: zlib
Description: zlib compression library
Version: 1.2.13
Libs: -L\${prefix}/lib -lz
Cflags: -I\${prefix}/include
PC
sed -n '/Copyright notice:/,$p' "$build/zlib/README" >"$build/zlib/LICENSE.txt"
licence zlib "$build/zlib/LICENSE.txt"

copy_tree libpng1.6
(cd "$build/libpng1.6" && ./configure -q "${autotools_host[@]}" --disable-shared --enable-static >/dev/null &&
  make -s -j"$jobs" libpng16.la >/dev/null &&
  make -s install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS install-pkgconfigDATA install-header-links install-library-links >/dev/null)
# A static library's users link what it links: its private libraries go into
# its Libs (CMake's pkg-config targets read Libs alone).
static_pc() { sed -i "s|^Libs: .*|& $(sed -n 's/^Libs.private: *//p' "$1")|" "$1"; }
static_pc "$prefix/lib/pkgconfig/libpng16.pc"
ln -sf libpng16.pc "$prefix/lib/pkgconfig/libpng.pc"
licence libpng "$build/libpng1.6/LICENSE"

# libopenmpt needs nothing of the others: it builds beside SDL2 (the longest
# two), in the background, and is waited for at the end. -O1 and no debug
# information: its C++ is most of the whole build's time, and -O1 still mixes
# the demo's module at a small fraction of a core.
copy_tree libopenmpt
(cd "$build/libopenmpt" && ./configure -q "${autotools_host[@]}" --disable-shared --enable-static \
  --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
  --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
  --without-portaudio --without-portaudiocpp --without-pulseaudio --without-sndfile --without-flac &&
  make -s -j"$jobs" CFLAGS=-O1 CXXFLAGS=-O1 && make -s install) >"$build/libopenmpt.log" 2>&1 &
openmpt_job=$!

# SDL2 and sdl12-compat: DLLs, as sdl12-compat loads SDL2 at run time (so a
# viewer can drop in a newer SDL2.dll).
copy_tree libsdl2
(cd "$build/libsdl2" && ./configure -q "${autotools_host[@]}" --enable-shared --disable-static >/dev/null &&
  make -s -j"$jobs" >/dev/null && make -s install >/dev/null)
licence SDL2 "$build/libsdl2/LICENSE.txt"

copy_tree sdl12-compat
# The SDL 1.2 entry wrapper leaves stdout and stderr alone (no stdout.txt):
# start-up reports failures itself, see src/core/platform.
cmake -S "$build/sdl12-compat" -B "$build/sdl12-compat/build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DDRENSOLK_WIN_PREFIX="$prefix" \
  -DSDL12TESTS=OFF -DCMAKE_C_FLAGS=-DNO_STDIO_REDIRECT >/dev/null
cmake --build "$build/sdl12-compat/build" -j"$jobs" >/dev/null
cmake --install "$build/sdl12-compat/build" >/dev/null
licence sdl12-compat "$build/sdl12-compat/LICENSE.txt"

# SDL_image 1.2: its PNG loader only (the one format the demo reads; every
# other loader compiles to a stub that says it is not there), linked into
# drensolk.exe against the static libpng.
copy_tree sdl-image1.2
(cd "$build/sdl-image1.2" &&
  "$CC" -O2 -DLOAD_PNG -I"$prefix/include/SDL" -I"$prefix/include" -c IMG*.c &&
  "$AR" rcs libSDL_image.a IMG*.o)
cp "$build/sdl-image1.2/libSDL_image.a" "$prefix/lib/" && cp "$build/sdl-image1.2/SDL_image.h" "$prefix/include/SDL/"
cat >"$prefix/lib/pkgconfig/SDL_image.pc" <<PC
prefix=$prefix
Name: SDL_image
Description: image loading library for Simple DirectMedia Layer (PNG only)
Version: 1.2.12
Requires: sdl12_compat libpng
Libs: -L\${prefix}/lib -lSDL_image
Cflags: -I\${prefix}/include/SDL
PC
licence SDL_image "$build/sdl-image1.2/COPYING"

# libopenmpt: static, the module player alone (no codecs, no player program).
if ! wait "$openmpt_job"; then
  tail -30 "$build/libopenmpt.log" >&2
  echo "build-libs: libopenmpt failed to build (log above)" >&2
  exit 1
fi
static_pc "$prefix/lib/pkgconfig/libopenmpt.pc"
licence libopenmpt "$build/libopenmpt/LICENSE"

{ for p in "${packages[@]}"; do echo "$p ${version[$p]}"; done; } >"$prefix/VERSIONS"
rm -rf "$build"
touch "$prefix/.complete"
echo "$prefix"
