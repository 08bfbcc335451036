#!/usr/bin/env bash
# Installs what is needed, builds, and runs the demo from its data folder.
# Arguments go to the demo: one number is the order the music starts at.
# On a machine with no display (neither DISPLAY nor WAYLAND_DISPLAY set) it
# renders the demo to build/drensolk.mp4 with drensolk-capture instead.
# BUILD_DIR picks another build folder, as for scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  scripts/install-deps.sh ffmpeg
  scripts/build.sh
  args=()
  if [ $# -eq 1 ]; then args=(--start-order "$1"); fi
  echo "No display: rendering the demo to a video instead (drensolk-capture)."
  cd "$build/data"
  ../drensolk-capture --out ../drensolk.mp4 "${args[@]}"
  echo "The video is $(cd .. && pwd)/drensolk.mp4"
  exit 0
fi
scripts/install-deps.sh
scripts/build.sh
cd "$build/data"
exec ../drensolk "$@"
