#!/usr/bin/env bash
# The quick suite: installs what is needed, builds, and runs every test but
# the slow ones (hostile inputs on the real binary, installs). A few minutes
# on a 2-core machine; run it after every change. scripts/check.sh runs the
# rest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)" -L quick)
