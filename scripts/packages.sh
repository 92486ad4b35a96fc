#!/usr/bin/env bash
# Makes the Debian packages from a build tree, checks them with lintian,
# installs them on this machine, runs what they hold against /usr (vornctl,
# programs built against the installed library, the Python module) in the
# test bed against the installed simulator, and removes them again.
#
#   bash scripts/packages.sh [BUILD_DIR]    (default build; configured with
#                                           -DCMAKE_INSTALL_PREFIX=/usr and built)
# Needs root: it installs packages and makes network namespaces.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
build=$(cd "${1:-build}" && pwd)

if [ "$(id -u)" != 0 ]; then
  echo "run as root: the packages are installed on this machine" >&2
  exit 1
fi
if ! grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$build/CMakeCache.txt"; then
  echo "$build is not configured with -DCMAKE_INSTALL_PREFIX=/usr" >&2
  exit 1
fi

checks=0
pass() {
  checks=$((checks + 1))
  echo "ok: $*"
}

echo "== packages"
rm -rf "$build/packages"
cpack --config "$build/CPackConfig.cmake" -B "$build/packages" >/dev/null
mapfile -t debs < <(find "$build/packages" -maxdepth 1 -name '*.deb' | sort)
names=()
for deb in "${debs[@]}"; do
  names+=("$(dpkg-deb -f "$deb" Package)")
  echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done
pass "${#debs[@]} packages: ${names[*]}"
# (grep reads the whole listing: with pipefail an early exit would fail the writer)
# Each manual page in the package of its part, where that part is built.
for entry in libvornen-dev:man3/VornEN.3 vornctl:man1/vornctl.1 vorn-devsim:man1/vorn-devsim.1 \
  setvornip:man1/SetVornIP.1; do
  for deb in "$build"/packages/"${entry%%:*}"_*.deb; do
    [ -e "$deb" ] || continue
    grep -q "/usr/share/man/${entry#*:}.gz\$" <<<"$(dpkg-deb -c "$deb")"
    pass "${entry#*:} in ${entry%%:*}"
  done
done
for deb in "$build"/packages/vornctl_*.deb; do
  [ -e "$deb" ] || continue
  grep -q '/usr/share/bash-completion/completions/vornctl$' <<<"$(dpkg-deb -c "$deb")"
  pass "the bash completion in vornctl"
done
for deb in "$build"/packages/setvornip_*.deb; do
  [ -e "$deb" ] || continue
  grep -q '/usr/share/applications/setvornip.desktop$' <<<"$(dpkg-deb -c "$deb")"
  pass "the desktop entry in setvornip"
done

echo "== lintian"
status=0
lintian --no-cfg --fail-on error "${debs[@]}" >"$build/packages/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$build/packages/lintian.log" || true
if ((status != 0)); then
  echo "lintian found errors" >&2
  exit 1
fi
pass "lintian reports no errors"

for name in "${names[@]}"; do
  if grep -q installed <<<"$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null || true)"; then
    echo "$name is installed already; remove it first (apt-get purge $name)" >&2
    exit 1
  fi
done
# Removed again however the checks end.
trap 'DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${names[@]}" >/dev/null 2>&1 || true' EXIT
echo "== install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${debs[@]}" \
  >/dev/null 2>&1
for name in "${names[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$name")" = "install ok installed" ]
done
pass "installed with apt"

version=$(/usr/bin/vornctl version)
[ "$version" = "VornEN.DLL Rev. 1.001" ]
pass "vornctl version: $version"

echo "== programs built against /usr, in the test bed with /usr/bin/vorn-devsim"
bash tests/consumer/consumers.sh --bed "$build/tests/bed/vornen-bed-run" --system \
  --simulator /usr/bin/vorn-devsim
pass "C and C++ programs through find_package and pkg-config"

echo "== the Python module from /usr"
# -I: nothing from PYTHONPATH or VORNEN_LIBRARY; Debian's own python3.
out=$("$build/tests/bed/vornen-bed-run" --simulator /usr/bin/vorn-devsim \
  --device 00-20-4A-8D-72-33=192.168.16.100/24 -- /usr/bin/python3 -I -c '
import runpy, sys, vornen
print(vornen.__file__)
sys.argv = ["find_device.py", "00-20-4A-8D-72-33", "VERSION"]
try:
    runpy.run_path("examples/python/find_device.py", run_name="__main__")
finally:
    print("library:", vornen.library_path())
')
echo "$out"
grep -q '^/usr/lib/python3/dist-packages/vornen/__init__.py$' <<<"$out"
grep -q 'is at 192.168.16.100' <<<"$out"
grep -q 'reply: OK:VERSION' <<<"$out"
grep -q '^library: libVornEN.so.1$' <<<"$out"
pass "Python example with the installed module and libVornEN.so.1"

echo "== remove"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${names[@]}" >/dev/null 2>&1
trap - EXIT
if grep -q libVornEN <<<"$(ldconfig -p)"; then
  echo "libVornEN is still known to the loader" >&2
  exit 1
fi
pass "removed again"
echo "package checks: $checks passed, 0 failed"
