#!/usr/bin/env bash
# The Qt window and the Windows window, each after pressing the open and the
# find button with the stand-in library, saved as PNGs and side by side.
#
# Usage: side_by_side.sh BUILD_DIR WINDOWS_BIN_DIR OUTPUT_DIR
#   BUILD_DIR        the Linux build with the tool and its tests, e.g. build
#   WINDOWS_BIN_DIR  a cross build's program folder, e.g. build-win64/bin
# Writes OUTPUT_DIR/qt.png, windows.png and side_by_side.png.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if (($# != 3)); then
  sed -n '2,9p' "$0" >&2
  exit 2
fi
build=$(realpath "$1")
bin=$(realpath "$2")
out=$(realpath -m "$3")
mkdir -p "$out"

bash "$here/screenshot.sh" --press "$build/tool/SetVornIP" "$out/qt-screen.png" \
  "$build/tool/tests/libfake_vornen.so"
# Xvfb's black root around the window goes.
convert "$out/qt-screen.png" -trim +repage "$out/qt.png"
rm -f "$out/qt-screen.png"
bash "$here/windows_screenshot.sh" --press "$bin" "$out/windows.png"
convert "$out/qt.png" -size 16x1 xc:white "$out/windows.png" -background white -gravity north \
  +append "$out/side_by_side.png"
echo "saved $out/side_by_side.png"
