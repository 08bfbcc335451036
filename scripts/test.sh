#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; then the same code
# under AddressSanitizer+UBSan and ThreadSanitizer (tests/sanitizers/run.sh),
# and each loader's fuzzer for a minute (fuzz/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)")
tests/sanitizers/soak.sh build
tests/sanitizers/run.sh
fuzz/run.sh 60
