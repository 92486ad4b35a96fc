#!/usr/bin/env bash
# Builds the C and the C++ example against an installed VornEN, once through
# its CMake package and once through pkg-config, and runs the four programs
# in the test bed against a simulated device.
#
#   consumers.sh --bed RUNNER --install BUILD_DIR   installs BUILD_DIR into a
#                                                   temporary prefix first
#   consumers.sh --bed RUNNER --system [--simulator PATH]   uses /usr
#
# Exits 77 (skipped) when not root: the test bed needs it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)

bed="" build="" system=0 simulator=()
while (($#)); do
  case "$1" in
    --bed) bed=$2; shift 2 ;;
    --install) build=$2; shift 2 ;;
    --system) system=1; shift ;;
    --simulator) simulator=(--simulator "$2"); shift 2 ;;
    *) echo "consumers.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ "$(id -u)" != 0 ]; then
  echo "consumers.sh: skipped: the test bed needs root" >&2
  exit 77
fi

work=$(mktemp -d /tmp/vornen-consumers.XXXXXX)
trap 'rm -rf "$work"' EXIT

prefix=/usr
cmake_prefix=()
if ((system == 0)); then
  prefix=$work/prefix
  cmake --install "$build" --prefix "$prefix" --component runtime >/dev/null
  cmake --install "$build" --prefix "$prefix" --component development >/dev/null
  cmake_prefix=(-DCMAKE_PREFIX_PATH="$prefix")
  pc=$(find "$prefix" -name vornen.pc)
  export PKG_CONFIG_PATH
  PKG_CONFIG_PATH=$(dirname "$pc")
fi

echo "== find_package(VornEN)"
cmake -S "$here/project" -B "$work/cmake" -G Ninja "${cmake_prefix[@]}" | grep 'VornEN '
cmake --build "$work/cmake" >/dev/null

echo "== pkg-config vornen: $(pkg-config --modversion vornen), $(pkg-config --cflags --libs vornen)"
libdir=$(pkg-config --variable=libdir vornen)
# shellcheck disable=SC2046 # the flags are separate words
cc -o "$work/c_pkg_config" "$top/examples/c/find_device.c" $(pkg-config --cflags --libs vornen) \
  -Wl,-rpath,"$libdir"
# shellcheck disable=SC2046
c++ -std=c++17 -o "$work/cpp_pkg_config" "$top/examples/cpp/find_device.cpp" \
  $(pkg-config --cflags --libs vornen) -Wl,-rpath,"$libdir"

programs=("$work/cmake/c_find_package" "$work/cmake/cpp_find_package" "$work/c_pkg_config"
  "$work/cpp_pkg_config")
for p in "${programs[@]}"; do
  # Each must use the installed library, not one of a build tree.
  used=$(readlink -f "$(ldd "$p" | awk '/libVornEN/ {print $3}')")
  case "$used" in
    "$(readlink -f "$prefix")"/*) ;;
    *) echo "$p uses $used, not the library under $prefix" >&2; exit 1 ;;
  esac
done

echo "== in the test bed"
"$bed" "${simulator[@]}" --device 00-20-4A-8D-72-33=192.168.16.100/24 -- /bin/sh -c '
  for p in "$@"; do
    out=$("$p" 00-20-4A-8D-72-33 VERSION) || exit 1
    printf "%s:\n%s\n" "${p##*/}" "$out"
    case "$out" in *"is at 192.168.16.100"*"reply: OK:VERSION"*) ;; *) exit 1 ;; esac
  done' sh "${programs[@]}"
echo "consumers: 4 programs built and run"
