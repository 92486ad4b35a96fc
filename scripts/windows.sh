#!/usr/bin/env bash
# Cross-builds VornEN.dll and SetVornIP.exe for 32-bit and 64-bit Windows with
# MinGW-w64, checks their tables, leaves a release folder and zip per
# architecture in dist/, and runs the Windows test programs under Wine inside
# the test bed's PC namespace, against simulated devices: the DLL's answers
# must equal the Linux library's, and the window's log the Qt window's. Needs
# root (the test bed) and the cross compilers, Wine and Xvfb that
# scripts/setup.sh installs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${JOBS:-2}

if [ "$(id -u)" != 0 ]; then
  echo "run as root: the Windows tests run in network namespaces" >&2
  exit 1
fi
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix wine wineserver; do
  command -v "$tool" >/dev/null || { echo "$tool not found: run scripts/setup.sh" >&2; exit 1; }
done

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

echo "== release folders and zips in dist/ =="
version=$(sed -n 's/^project(VornEN VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for arch in win32 win64; do
  name=VornEN-$version-$arch
  rm -rf "dist/$name" "dist/$name.zip"
  mkdir -p "dist/$name"
  cp "build-$arch/bin/SetVornIP.exe" "build-$arch/bin/VornEN.dll" "build-$arch/library/libVornEN.dll.a" \
    library/include/VornEN.h library/VornEN.def "dist/$name/"
  # Line ends as Windows' own editors expect them.
  sed 's/$/\r/' windows/dist/README.txt >"dist/$name/README.txt"
  if [ "$arch" = win32 ]; then cp library/VornEN-i686.def "dist/$name/"; fi
  (cd dist && cmake -E tar cf "$name.zip" --format=zip "$name")
  echo "dist/$name.zip"
done

echo "== Windows programs under Wine in the test bed =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNEN_WERROR=ON \
  -DVORNEN_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$jobs" --target vornen_wine_tests setvornip_wine_tests
# One prefix, made on first use inside the test bed and kept for later runs.
export VORNEN_WINEPREFIX="$top/build/wineprefix"
export VORNEN_WINE
VORNEN_WINE=$(command -v wine)
export VORNEN_WIN32_BIN="$top/build-win32/bin"
export VORNEN_WIN64_BIN="$top/build-win64/bin"
build/tests/windows/vornen_wine_tests
build/tests/windows/setvornip_wine_tests
