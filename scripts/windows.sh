#!/usr/bin/env bash
# Cross-builds VornEN.dll, SetVornIP.exe and vornctl.exe for 32-bit and 64-bit
# Windows with MinGW-w64, checks their tables, leaves a release folder, zip and
# installer per architecture and the NuGet package VornEN.Net in dist/, and
# runs the Windows test programs under Wine inside the test bed's PC
# namespace, against simulated devices: the DLL's answers must equal the Linux
# library's, the window's log the Qt window's, and vornctl.exe's output and
# exit statuses the Linux vornctl's. Needs root (the test bed) and the cross compilers, Wine,
# Xvfb, Mono, wixl and nuget that scripts/setup.sh installs.
#
# Usage: windows.sh [--64-only]
#   --64-only  run no 32-bit program under Wine (as VORNEN_WINE_64_ONLY=1),
#              as on a machine whose kernel runs no 32-bit programs; the
#              32-bit build and its checks still run.
# With VORNEN_SIGN_PKCS12 and VORNEN_SIGN_PASSWORD (and VORNEN_SIGN_TIMESTAMP)
# the release's programs and DLLs are signed (scripts/sign.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${JOBS:-2}
case "${1:-}" in
  --64-only) export VORNEN_WINE_64_ONLY=1 ;;
  "") ;;
  *)
    sed -n '11,14p' "$0" >&2
    exit 2
    ;;
esac
# shellcheck source=scripts/wine.sh
source "$top/scripts/wine.sh"

if [ "$(id -u)" != 0 ]; then
  echo "run as root: the Windows tests run in network namespaces" >&2
  exit 1
fi
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix osslsigncode openssl wixl \
  "$VORNEN_WINE64" mcs nuget; do
  command -v "$tool" >/dev/null || { echo "$tool not found: run scripts/setup.sh" >&2; exit 1; }
done
# Decided once, before anything runs.
no_win32=$(wine32_unusable)

for arch in i686:win32 x86_64:win64; do
  triplet=${arch%%:*}
  dir=build-${arch##*:}
  echo "== cross build for $triplet =="
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-$triplet.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVORNEN_WERROR=ON -DVORNEN_BUILD_TESTS=OFF -DVORNEN_BUILD_TOOL=ON \
    -DVORNEN_BUILD_WINDOWS_TESTS=ON
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure
done

# The Linux build: the .NET assembly for the zips and the NuGet package, later
# the Wine tests.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNEN_WERROR=ON \
  -DVORNEN_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$jobs" --target vornen_dotnet VornEN

echo "== release folders and zips in dist/ =="
version=$(sed -n 's/^project(VornEN VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for arch in win32 win64; do
  name=VornEN-$version-$arch
  rm -rf "dist/$name" "dist/$name.zip" "dist/$name.msi"
  bash scripts/release_folder.sh "build-$arch" "$arch" "dist/$name"
  # The zips also carry the .NET assembly (the installers do not yet).
  cp build/dotnet/VornEN.Net.dll build/dotnet/VornEN.Net.xml "dist/$name/"
done
bash scripts/sign.sh dist/VornEN-"$version"-win*/*.{exe,dll}
for arch in win32 win64; do
  name=VornEN-$version-$arch
  (cd dist && cmake -E tar cf "$name.zip" --format=zip "$name")
  echo "dist/$name.zip"
  bash windows/installer/build_msi.sh "$arch" "$version" "dist/$name" "dist/$name.msi"
done
dotnet/nuget/pack.sh "$version" dist "dist/VornEN-$version-win32" "dist/VornEN-$version-win32/VornEN.dll" \
  "dist/VornEN-$version-win64/VornEN.dll" build/library/libVornEN.so.1
# The installers hold the signed files, and are signed themselves.
bash scripts/sign.sh dist/VornEN-"$version"-win*.msi
ls dist/VornEN-"$version"-win*.msi

echo "== Windows programs under Wine in the test bed =="
cmake --build build -j"$jobs" --target vornen_wine_tests setvornip_wine_tests vornctl_wine_tests
# A prefix per loader, made on first use inside the test bed and kept for
# later runs.
export VORNEN_WINEPREFIX32="$top/build/wineprefix32"
export VORNEN_WINEPREFIX64="$top/build/wineprefix64"
export VORNEN_WIN64_BIN="$top/build-win64/bin"
if [ -n "$no_win32" ]; then
  echo "skipping the 32-bit programs under Wine: $no_win32; the 32-bit DLL and window were built and checked above"
  unset VORNEN_WIN32_BIN
else
  export VORNEN_WIN32_BIN="$top/build-win32/bin"
fi
build/windows/tests/linux/vornen_wine_tests
build/windows/tests/linux/setvornip_wine_tests
build/windows/tests/linux/vornctl_wine_tests
