#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  cmake g++ pkg-config make
  libsdl1.2-compat-dev libsdl-image1.2-dev
  libsdl-ttf2.0-dev fonts-dejavu-core  # the maker overlay's text (DRENSOLK_MAKER=1)
  libgl-dev libgl1-mesa-dri libegl-mesa0
  libgles-dev libegl-dev  # the ES 2 render comparison (src/gl1es on Mesa through EGL)
  libopenmpt-dev libpng-dev
  libstb-dev  # stb_image, the picture decoder of the Windows build (and its test here)
  libcli11-dev  # the capture's and the bench's command line
  libwayland-dev libpulse-dev libpipewire-0.3-dev  # the Wayland seat probe, the sound server's delay
  googletest libgtest-dev
  sox
  python3-numpy  # the sync meter's analysis and its test
  xvfb x11-apps pulseaudio pulseaudio-utils  # the real-server tests: an X server, xwd, a sound server, parec
)
# Callers add what only they need: scripts/check.sh the packaging tools,
# fuzz/run.sh clang, scripts/measure-live-sync.sh ffmpeg.
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
