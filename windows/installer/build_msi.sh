#!/usr/bin/env bash
# Builds the installer of a release folder (scripts/release_folder.sh) with
# wixl from VornEN.wxs.
#
# Usage: build_msi.sh win32|win64 VERSION RELEASE_DIR OUT.msi
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=$1 version=$2 release=$3 out=$4
command -v wixl >/dev/null || { echo "wixl not found: run scripts/setup.sh" >&2; exit 1; }
case "$arch" in
  win32) msi_arch=x86 ;;
  win64) msi_arch=x64 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
out=$(realpath -m "$out")
# wixl finds the files by paths relative to where it runs.
cd "$release"
wixl -a "$msi_arch" -D Arch="$msi_arch" -D Version="$version" -D Release=. -o "$out" \
  "$here/VornEN.wxs"
