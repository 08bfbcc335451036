#!/usr/bin/env bash
# Everything: the quick suite (scripts/test.sh), then the slow tests (hostile
# inputs on the real binary, installs), the desktop tests (the demo on Weston
# through Wayland and XWayland, and on PipeWire), the web build in headless
# Chromium, the Windows build under Wine, the memory soak, the same code under
# AddressSanitizer+UBSan and ThreadSanitizer (tests/sanitizers/run.sh), and
# each loader's fuzzer for a minute (fuzz/run.sh). Run it before a release
# or a merge; CI runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/test.sh
# The package test's tools (dpkg-shlibdeps, file for CPack, and Debian's
# package checker lintian).
scripts/install-deps.sh dpkg-dev file lintian
# The slow cases mostly wait on the demo's clock, so they overlap well.
(cd build && ctest --output-on-failure -j"$(( $(nproc) * 2 ))" -L slow)
# The desktop servers, each test starting its own privately.
scripts/install-deps.sh weston xwayland pipewire wireplumber pipewire-pulse dbus xdotool
(cd build && ctest --output-on-failure -L desktop)  # one at a time: each loads both cores
# The web build and its page in headless Chromium.
scripts/install-deps.sh chromium python3-websocket python3-pil
scripts/build-web.sh
(cd build && ctest --output-on-failure -L web)

# The Windows zip (scripts/build-windows.sh), then drensolk.exe from it under
# Wine on private servers (tests/windows, label "windows").
scripts/install-deps.sh wine wine64
zip=$(DRENSOLK_NATIVE_BUILD=build scripts/build-windows.sh | tail -1)
cmake -S . -B build -DDRENSOLK_WINDOWS_DIR="$(pwd)/build-windows/zip/$(basename "$zip" .zip)" \
  -DDRENSOLK_WINDOWS_TEST_DIR="$(pwd)/build-windows/tests" >/dev/null
cmake --build build -j"$(nproc)" --target windows_tests
(cd build && ctest --output-on-failure -L windows)
tests/sanitizers/soak.sh build
tests/sanitizers/run.sh
fuzz/run.sh 60
