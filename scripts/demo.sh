#!/usr/bin/env bash
# The main job on a fresh machine: installs and builds what is needed, then
# runs the demonstration on simulated devices in private network namespaces.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" != 0 ]; then
  echo "run as root: the demonstration makes network namespaces" >&2
  exit 1
fi
bash scripts/setup.sh --demo
# Only what the demonstration runs: no tests, so no GoogleTest needed.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNEN_WERROR=ON \
  -DVORNEN_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"${JOBS:-2}" --target vorn-demo SetVornIP
exec build/demo/vorn-demo
