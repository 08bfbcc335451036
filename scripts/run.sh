#!/usr/bin/env bash
# Installs what is needed, builds, and runs the demo from its data folder.
# Arguments go to the demo: one number is the order the music starts at.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build/data
exec ../drensolk "$@"
