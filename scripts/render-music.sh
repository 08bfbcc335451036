#!/usr/bin/env bash
# Renders the demo's module to a WAV file and a spectrogram picture, and
# prints sox's level statistics, so the mix can be heard, seen and measured.
# Usage: scripts/render-music.sh [BUILD_DIR] [OUT_DIR]
#   BUILD_DIR defaults to ./build; OUT_DIR defaults to BUILD_DIR/music.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/music}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build"
fi
cmake --build "$build" --target demo_data drensolk-render-wav -j2

mkdir -p "$out"
module="$build/data/qx_demo_drensolk.xm"
# 32000 Hz stereo, the rate the demo's loudness limits are measured at.
"$build/tools/drensolk-render-wav" "$module" "$out/drensolk.wav" 32000
sox -V1 "$out/drensolk.wav" -n remix - spectrogram -x 1600 -y 513 -z 90 \
  -t "qx_demo_drensolk.xm" -o "$out/drensolk-spectrogram.png"
sox -V1 "$out/drensolk.wav" -n stats 2>&1 | grep -E "Pk lev dB|RMS lev dB|Crest|Length"
echo "Wrote $out/drensolk.wav and $out/drensolk-spectrogram.png"
