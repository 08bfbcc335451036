#!/usr/bin/env bash
# Builds the Debian package: a Release build without the tests in
# build-package/ (or $BUILD_DIR), then `cpack -G DEB`. Prints the .deb's path.
# Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh dpkg-dev file
build=${BUILD_DIR:-build-package}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DDRENSOLK_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$(cd "$build" && pwd)/drensolk_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "package.sh: cpack did not make $deb" >&2; exit 1; }
echo "$deb"
