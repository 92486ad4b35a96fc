#!/usr/bin/env bash
# Fills a Windows release folder from a cross build: the programs (the window
# and vornctl.exe), the DLL,
# both import libraries, the header, the export tables and the release text.
# scripts/windows.sh makes dist/ with it, and the installer's test its own.
#
# Usage: release_folder.sh BUILD_DIR win32|win64 OUT_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$1 arch=$2 out=$3
mkdir -p "$out"
cp "$build/bin/SetVornIP.exe" "$build/bin/vornctl.exe" "$build/bin/VornEN.dll" "$build/library/libVornEN.dll.a" \
  "$build/library/VornEN.lib" "$top/library/include/VornEN.h" "$top/library/VornEN.def" "$out/"
# Line ends as Windows' own editors expect them.
sed 's/$/\r/' "$top/windows/dist/README.txt" >"$out/README.txt"
if [ "$arch" = win32 ]; then cp "$top/library/VornEN-i686.def" "$out/"; fi
