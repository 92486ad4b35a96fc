#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian packages from the source package in debian/ with
# dpkg-buildpackage, checks them with lintian, installs them on this machine,
# runs their autopkgtests, answers the question of the right to set
# addresses both ways, shows that a member of the group vornen who is not
# root can set an address in the test bed and that anyone else cannot, and
# purges them, leaving no file of theirs behind.
#
#   bash scripts/packages.sh
#
# Needs root: it installs packages and makes network namespaces. The build
# runs in a copy of the tree in build-deb/ (dpkg-buildpackage writes its
# results into the folder above the source), always in the same place, so
# that ccache finds the previous run's objects.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

if [ "$(id -u)" != 0 ]; then
  echo "run as root: the packages are installed on this machine" >&2
  exit 1
fi

checks=0
pass() {
  checks=$((checks + 1))
  echo "ok: $*"
}

echo "== dpkg-buildpackage"
out=$top/build-deb
src=$out/vornen
rm -rf "$src" "$out"/*.deb "$out"/*.ddeb "$out"/*.changes "$out"/*.buildinfo
mkdir -p "$src"
# The tree as git knows it, without build trees or editor files.
git ls-files -z --cached --others --exclude-standard | tar --null -cf - -T - | tar -xf - -C "$src"
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
(cd "$src" && DEB_BUILD_OPTIONS="parallel=${JOBS:-2}" dpkg-buildpackage -us -uc -b) \
  >"$out/build.log" 2>&1 || {
  tail -n 60 "$out/build.log"
  echo "dpkg-buildpackage failed; the whole log is in $out/build.log" >&2
  exit 1
}
changes=("$out"/vornen_*.changes)
mapfile -t debs < <(find "$out" -maxdepth 1 -name '*.deb' ! -name '*-dbgsym_*' | sort)
names=()
for deb in "${debs[@]}"; do
  names+=("$(dpkg-deb -f "$deb" Package)")
  echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done
[ "${#debs[@]}" = 6 ]
pass "6 packages: ${names[*]}"
ls "$out"/libvornen1-dbgsym_*.deb "$out"/vornctl-dbgsym_*.deb "$out"/setvornip-dbgsym_*.deb >/dev/null
pass "debug symbols in -dbgsym packages"
contents() { dpkg-deb -c "$out/$1"_*.deb; }
grep -q '/usr/share/man/man3/VornEN.3.gz$' <<<"$(contents libvornen-dev)"
grep -q '/usr/share/man/man1/vornctl.1.gz$' <<<"$(contents vornctl)"
grep -q '/usr/share/man/man1/vorn-devsim.1.gz$' <<<"$(contents vorn-devsim)"
grep -q '/usr/share/man/man1/SetVornIP.1.gz$' <<<"$(contents setvornip)"
grep -q '/usr/share/bash-completion/completions/vornctl$' <<<"$(contents vornctl)"
grep -q '/usr/share/icons/hicolor/scalable/apps/setvornip.svg$' <<<"$(contents setvornip)"
grep -q '/usr/share/polkit-1/actions/org.vornen.pkexec.setvornip.policy$' <<<"$(contents setvornip)"
pass "manual pages, completion, icon and polkit action in their packages"

echo "== lintian"
status=0
lintian --no-cfg -i -I --pedantic --fail-on error,warning "${changes[@]}" \
  >"$out/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$out/lintian.log" | grep '^[EWIP]:' || true
if ((status != 0)); then
  echo "lintian found errors or warnings (all in $out/lintian.log)" >&2
  exit 1
fi
pass "lintian (pedantic): no errors, no warnings"

for name in "${names[@]}"; do
  if grep -q installed <<<"$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null || true)"; then
    echo "$name is installed already; remove it first (apt-get purge $name)" >&2
    exit 1
  fi
done
# Removed again however the checks end.
export DEBIAN_FRONTEND=noninteractive
# apt waits for another package manager's lock instead of failing at once,
# and shows what it said when it fails.
apt_get() {
  local log=$out/apt.log
  apt-get -o DPkg::Lock::Timeout=600 "$@" >"$log" 2>&1 || { cat "$log" >&2; return 1; }
}
purge() { apt_get purge -y -qq "${names[@]}"; }
trap 'purge || true' EXIT

question=vornen/group-can-set-addresses
answer() {
  echo "vornctl $question boolean $1" | debconf-set-selections
  echo "setvornip $question boolean $1" | debconf-set-selections
}
# The programs as the packages install them: only root may set addresses.
untouched() {
  for program in /usr/bin/vornctl /usr/bin/SetVornIP; do
    [ "$(stat -c '%U:%G %a' "$program")" = "root:root 755" ]
    [ -z "$(getcap "$program")" ]
    if dpkg-statoverride --list "$program" >/dev/null; then return 1; fi
  done
}
granted() {
  for program in /usr/bin/vornctl /usr/bin/SetVornIP; do
    [ "$(stat -c '%U:%G %a' "$program")" = "root:vornen 754" ]
    getcap "$program" | grep -q 'cap_net_admin=ep'
    [ "$(dpkg-statoverride --list "$program")" = "root vornen 754 $program" ]
  done
}

echo "== install, answering no"
answer false
apt_get install -y -qq --no-install-recommends "${debs[@]}"
for name in "${names[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$name")" = "install ok installed" ]
done
untouched
pass "installed with apt; answered no, vornctl and SetVornIP are root:root 0755 without capabilities"
ls /usr/lib/python3/dist-packages/vornen/__pycache__/*.pyc >/dev/null
pass "the Python module byte-compiled at install"
mapfile -t files < <(dpkg -L "${names[@]}" | sort -u)

echo "== autopkgtest"
# Against the packages installed above: given the .deb files, autopkgtest
# would make a repository of them and update every package list afterwards,
# reaching the network.
autopkgtest "$src/" -- null >"$out/autopkgtest.log" 2>&1 || {
  tail -n 80 "$out/autopkgtest.log"
  echo "autopkgtest failed; the whole log is in $out/autopkgtest.log" >&2
  exit 1
}
summary=$(sed -n '/@@@@ summary$/,$p' "$out/autopkgtest.log")
echo "$summary"
grep -q '^versions .*PASS' <<<"$summary"
grep -q '^examples .*PASS' <<<"$summary"
pass "autopkgtest: versions and examples"

echo "== answering yes"
answer true
dpkg-reconfigure vornctl setvornip
granted
pass "granted: root:vornen 0754 with cap_net_admin"
dpkg -i "$out"/vornctl_*.deb "$out"/setvornip_*.deb >/dev/null
granted
pass "kept when the packages are installed again"

# shellcheck source=../debian/tests/bed.sh
. debian/tests/bed.sh
trap 'bed_down; purge || true' EXIT
bed_up
bed_device 00-20-4A-10-00-02
bed_device 00-20-4A-10-00-03
# nobody, once in the group and once not, in the PC's namespace. (runuser,
# not setpriv: setpriv keeps root's capabilities up to the exec, so that the
# file's mode would not be checked.)
as_member=(runuser -u nobody -g nogroup -G vornen --)
as_other=(runuser -u nobody --)
# refused TEXT COMMAND...: the command fails, saying TEXT.
refused() {
  local text=$1 status=0 out
  shift
  out=$("$@" 2>&1) || status=$?
  echo "$out"
  [ "$status" != 0 ] && grep -q "$text" <<<"$out"
}
bed_pc "${as_member[@]}" /usr/bin/vornctl set 00-20-4A-10-00-02 192.168.16.102/24
bed_pc vornctl find 00-20-4A-10-00-02 | grep -q '192\.168\.16\.102'
pass "a member of vornen who is not root set an address"
refused 'Permission denied' bed_pc "${as_other[@]}" /usr/bin/vornctl set 00-20-4A-10-00-02 192.168.16.103/24
bed_pc vornctl find 00-20-4A-10-00-02 | grep -q '192\.168\.16\.102'
pass "someone outside vornen cannot run vornctl, the address stays"

echo "== answering no again"
answer false
dpkg-reconfigure vornctl setvornip
untouched
pass "withdrawn: root:root 0755, no capability, no override"
refused 'no right to change the neighbour table' \
  bed_pc "${as_member[@]}" /usr/bin/vornctl set 00-20-4A-10-00-03 192.168.16.103/24
pass "a member of vornen can no longer set an address"
bed_down
trap 'purge || true' EXIT

echo "== purge"
purge
trap - EXIT
left=()
for f in "${files[@]}"; do
  [ -e "$f" ] && [ ! -d "$f" ] && left+=("$f")
done
[ -e /usr/lib/python3/dist-packages/vornen ] && left+=(/usr/lib/python3/dist-packages/vornen)
if ((${#left[@]})); then
  printf 'left after purge: %s\n' "${left[@]}" >&2
  exit 1
fi
if grep -q libVornEN <<<"$(ldconfig -p)"; then
  echo "libVornEN is still known to the loader" >&2
  exit 1
fi
if debconf-show vornctl 2>/dev/null | grep -q "$question"; then
  echo "the question is still in debconf's database" >&2
  exit 1
fi
pass "purged: no file of the packages left, none known to the loader or debconf"
echo "package checks: $checks passed, 0 failed"
