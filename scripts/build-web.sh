#!/usr/bin/env bash
# Builds the demo for web browsers into build-web/: index.html, drensolk.js,
# drensolk.wasm and the eight data files made by the native generator.
# Uses Debian's emscripten; libopenmpt comes from Debian's own source package,
# built for WebAssembly once and kept under $DRENSOLK_WEB_CACHE (default
# /var/cache/drensolk) while its version and this recipe stay the same.
# Serve the result with scripts/serve-web.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)

scripts/install-deps.sh emscripten libstb-dev dpkg-dev
# Debian's emscripten loads Debian's JavaScript modules (acorn, terser ...);
# a node installed from elsewhere does not look there by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
cache=${DRENSOLK_WEB_CACHE:-/var/cache/drensolk}
mkdir -p "$cache"

# --- libopenmpt for WebAssembly -------------------------------------------
version=$(dpkg-query -W -f='${Version}' libopenmpt-dev 2>/dev/null || apt-cache policy libopenmpt-dev | awk '/Candidate:/ {print $2}')
emver=$(emcc --version | head -1 | awk '{print $NF == "()" ? $(NF-1) : $NF}')
recipe=$(sed -n '/^# --- libopenmpt/,/^# --- end libopenmpt/p' "$0" | sha256sum | cut -c1-12)
key=$(echo "$version $emver $recipe" | sha256sum | cut -c1-16)
openmpt=$cache/wasm-$key
if [ ! -f "$openmpt/lib/libopenmpt.a" ]; then
  echo "libopenmpt $version for WebAssembly: building into $openmpt"
  work=$(mktemp -d "$cache/openmpt-src.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  # A source entry for every binary entry of this machine's apt sources, in a
  # list of our own: the system's configuration is left as it is.
  mkdir -p "$work/apt/lists/partial" "$work/apt/sources.list.d"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS=""; ORS="\n\n" } /Types:[^\n]*deb([ \t\n]|$)/ { gsub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
  done > "$work/apt/sources.list.d/src.sources"
  : > "$work/apt/sources.list"
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list > "$work/apt/sources.list"
  fi
  apt_opts=(-o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts="$work/apt/sources.list.d"
            -o Dir::State::Lists="$work/apt/lists" -o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" update -qq
  (cd "$work" && apt-get "${apt_opts[@]}" source -qq --download-only "libopenmpt=$version" &&
    dpkg-source -x --no-check libopenmpt_*.dsc src > /dev/null)
  # Only the library, compiled straight from the file lists of its
  # Makefile.am: no external codecs (the demo plays one XM module), no tools,
  # no examples, no tests. One make with the sources as targets, so it runs
  # in parallel and stops at the first failure.
  lib_sources=$(cd "$work/src" && { grep -E '^MPT_FILES_(SRC_MPT|SRC_OPENMPT|COMMON|SOUNDBASE|SOUNDLIB|SOUNDDSP) \+= .*\.cpp' Makefile.am | awk '{print $3}'
    echo libopenmpt/libopenmpt_c.cpp libopenmpt/libopenmpt_cxx.cpp libopenmpt/libopenmpt_ext_impl.cpp libopenmpt/libopenmpt_impl.cpp; })
  objects=$(for f in $lib_sources; do echo "obj/${f%.cpp}.o"; done)
  {
    echo 'CXXFLAGS = -std=c++17 -O2 -DLIBOPENMPT_BUILD -Ibuild/svn_version -I. -Isrc -Icommon'
    printf 'obj/%%.o: %%.cpp\n\t@mkdir -p $(dir $@)\n\tem++ $(CXXFLAGS) -c $< -o $@\n'
    printf 'libopenmpt.a: %s\n\temar rcs $@ $^\n' "$(echo $objects)"
  } > "$work/src/wasm.mk"
  (cd "$work/src" && nice -n 10 make -f wasm.mk -j"$(nproc)" libopenmpt.a > "$work/make.log" 2>&1) ||
    { tail -40 "$work/make.log"; echo "libopenmpt did not build for WebAssembly (log above)" >&2; exit 1; }
  mkdir -p "$openmpt.tmp/lib" "$openmpt.tmp/include/libopenmpt"
  cp "$work/src/libopenmpt.a" "$openmpt.tmp/lib/"
  cp "$work/src/libopenmpt/"libopenmpt*.h "$work/src/libopenmpt/"libopenmpt*.hpp "$openmpt.tmp/include/libopenmpt/"
  rm -rf "$openmpt" && mv "$openmpt.tmp" "$openmpt"
  rm -rf "$work"
  trap - EXIT
fi
# --- end libopenmpt
openmpt_done=$(date +%s)

# --- the data files, from the native generator ----------------------------
if [ ! -f build/CMakeCache.txt ]; then
  scripts/install-deps.sh
  cmake -S . -B build -DCMAKE_CXX_COMPILER_LAUNCHER="$(command -v ccache || true)" > /dev/null
fi
nice -n 10 cmake --build build -j"$(nproc)" --target demo_data > /dev/null

# --- the demo ---------------------------------------------------------------
out=$root/build-web
mkdir -p "$out"
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
emcmake cmake -S web -B "$out/obj" -DOPENMPT_PREFIX="$openmpt" "${launcher[@]}" > "$out/configure.log"
nice -n 10 cmake --build "$out/obj" -j"$(nproc)"
cp "$out/obj/drensolk.js" "$out/obj/drensolk.wasm" "$out/"
# The data files the demo reads, named as in src/core/base/demo_data.h.
files=$(grep -o 'kModuleFile = "[^"]*"' src/core/base/demo_data.h | cut -d'"' -f2)
files="$files $(sed -n '/kPictureFiles\[kPictureCount\] = {/,/}/p' src/core/base/demo_data.h | grep -o '"[^"]*"' | tr -d '"')"
list=""
for f in $files; do
  cp "build/data/$f" "$out/$f"
  list="$list${list:+, }\"$f\""
done
sed "s|@DATA_FILES@|[$list]|" web/index.html > "$out/index.html"
# The page test's frame script, apart from what a visitor loads.
mkdir -p "$out/test"
cp "$out/obj/drensolk_script.js" "$out/obj/drensolk_script.wasm" "$out/test/"
sed "s|@DATA_FILES@|[$list]|" web/script.html > "$out/test/script.html"
finished=$(date +%s)
echo "build-web/ ready: libopenmpt $((openmpt_done - started)) s, the rest $((finished - openmpt_done)) s"
