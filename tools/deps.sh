#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the game and the tests need, when missing.
# As root it runs apt-get; otherwise it prints the command to run with sudo.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config clang
  libsdl2-dev libepoxy-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-dejavu-core
  libvorbis-dev libogg-dev libstb-dev libxxhash-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libsqlite3-dev libopus-dev libsodium-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libgl1-mesa-dri libegl-mesa0 libegl1 xvfb xauth xdotool
)
missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Missing packages. Run:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
