#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again.
set -euo pipefail

packages=(
  # build and tests
  build-essential cmake ninja-build pkg-config git googletest libgtest-dev libgmock-dev
  clang clang-format libclang-rt-14-dev
  # test bed
  iproute2 procps psmisc
  # window tool
  qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth fonts-ipafont-gothic imagemagick xdotool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
