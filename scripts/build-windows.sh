#!/usr/bin/env bash
# The Windows build, cross-built on Debian 12: installs the mingw-w64
# toolchain, builds the libraries from Debian's sources once
# (scripts/windows/build-libs.sh; kept in $DRENSOLK_WIN_CACHE, default
# /var/cache/drensolk), the data files with the native generator (so they are
# Linux's, byte for byte; in $DRENSOLK_NATIVE_BUILD, an existing native build
# folder, or else build-windows/native), drensolk.exe in build-windows/, and
# the zip build-windows/drensolk-<version>-win64.zip. Prints the zip's path.
# Extra arguments go to the Windows cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix mingw-w64-tools dpkg-dev zip libstb-dev
jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

prefix=$(scripts/windows/build-libs.sh | tail -1)

# The data files: the generator runs here, as in the Linux build.
native=${DRENSOLK_NATIVE_BUILD:-build-windows/native}
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DDRENSOLK_TESTS=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$native" -j"$jobs" --target demo_data >/dev/null

# A new library prefix means a fresh configure: pkg-config's findings are cached.
if ! grep -qx "DRENSOLK_WIN_PREFIX:PATH=$prefix" build-windows/CMakeCache.txt 2>/dev/null; then
  rm -f build-windows/CMakeCache.txt
fi
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DDRENSOLK_WIN_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
cmake --build build-windows -j"$jobs" >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
name=drensolk-$version-win64
stage=build-windows/zip/$name
rm -rf build-windows/zip && mkdir -p "$stage/licenses"
x86_64-w64-mingw32-strip -o "$stage/drensolk.exe" build-windows/drensolk.exe
x86_64-w64-mingw32-strip -o "$stage/SDL.dll" "$prefix/bin/SDL.dll"
cp "$native"/data/* "$stage/"
count=$(find "$native/data" -type f | wc -l)
[ "$count" -eq 8 ] || { echo "build-windows: $native/data holds $count files, not the eight data files" >&2; exit 1; }
# The licences: the libraries built from source, stb_image, and the
# mingw-w64 runtime and winpthreads linked into drensolk.exe (GCC's own
# runtime is under its runtime library exception, which asks for nothing).
cp -r "$prefix/share/licenses/." "$stage/licenses/"
mkdir -p "$stage/licenses/stb_image" "$stage/licenses/mingw-w64"
cp /usr/share/doc/libstb-dev/copyright "$stage/licenses/stb_image/copyright.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64/copyright.txt"
sdl_version=$(sed -n 's/^libsdl1.2 //p' "$prefix/VERSIONS")
sed -e "s/@VERSION@/$version/" -e "s/@SDL_VERSION@/$sdl_version/" dist/windows/README.txt.in | sed 's/$/\r/' >"$stage/README.txt"
cp "$prefix/VERSIONS" "$stage/licenses/VERSIONS.txt"
cp LICENSE "$stage/LICENSE.txt"  # drensolk's own

# Every DLL the program needs is one Windows has or one in the folder.
for dll in $(x86_64-w64-mingw32-objdump -p "$stage/drensolk.exe" "$stage/SDL.dll" | sed -n 's/^\s*DLL Name: //p' | sort -u); do
  case ${dll,,} in
    sdl.dll | kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll | opengl32.dll | advapi32.dll | \
      shell32.dll | ole32.dll | oleaut32.dll | winmm.dll | imm32.dll | version.dll | setupapi.dll) ;;
    *) echo "build-windows: drensolk.exe needs $dll, which the zip does not carry" >&2; exit 1 ;;
  esac
done

zip_path=$(pwd)/build-windows/$name.zip
rm -f "$zip_path"
(cd build-windows/zip && find "$name" -exec touch -d 2000-01-01T00:00:00Z {} + && find "$name" -type f | LC_ALL=C sort | zip -X -q -9 "$zip_path" -@)
echo "$zip_path"
