#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again.
set -euo pipefail

packages=(
  # build and tests
  build-essential cmake ninja-build pkg-config git googletest libgtest-dev libgmock-dev
  clang clang-format libclang-rt-14-dev
  # vornctl: JSON output; setpriv runs it without the network-administration
  # right in the tests, bash and groff check its completion and manual page
  nlohmann-json3-dev util-linux bash groff-base
  # test bed
  iproute2 procps psmisc
  # window tool
  # (the platform plugins, offscreen and xcb, are only a recommendation of Qt GUI)
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6opengl6-dev libgl-dev xvfb xauth
  fonts-ipafont-gothic imagemagick xdotool
  # Windows DLLs: cross compilers with the POSIX thread model, and Wine for
  # the tests (wine32 runs the 32-bit programs)
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine wine64 wine32
)

# wine32 is an i386 package; the package lists must know that architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
