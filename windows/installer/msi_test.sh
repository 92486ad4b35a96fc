#!/usr/bin/env bash
# The installer of a cross build, end to end: built from a release folder of
# that build, its tables and files as msiinfo reads them; then, under Wine's
# 64-bit loader in a fresh prefix of its own (HOME in the run's folder, no
# menu entries on this machine, no network), an install, an upgrade by a
# newer version, the refusal of the older one, and an uninstall that leaves
# no file or key of the product. The Start-menu shortcut must lead to the
# installed window and start it, and the installed vornctl.exe must run (the
# 32-bit ones only where 32-bit programs run).
#
# Usage: msi_test.sh SOURCE_DIR BUILD_DIR win32|win64
set -euo pipefail
top=$1 build=$2 arch=$3
# shellcheck source=scripts/wine.sh
source "$top/scripts/wine.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
if [[ $(id -u) != 0 ]]; then
  echo "skipping the installer under Wine: it runs as root, in a network namespace of its own"
  exit 77
fi
for tool in wixl msiinfo "$VORNEN_WINE64"; do
  command -v "$tool" >/dev/null || fail "$tool not found: run scripts/setup.sh"
done
version=$(sed -n 's/^project(VornEN VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
newer=$(awk -F. '{ printf "%d.%d.%d.%d", $1, $2, $3 + 1, $4 }' <<<"$version")

bash "$top/scripts/release_folder.sh" "$build" "$arch" "$work/release"
bash "$top/windows/installer/build_msi.sh" "$arch" "$version" "$work/release" "$work/old.msi"
bash "$top/windows/installer/build_msi.sh" "$arch" "$newer" "$work/release" "$work/new.msi"

# The tables, as any installer tool reads them.
tables=$(msiinfo tables "$work/old.msi")
for table in File Component Directory Feature Shortcut Registry Upgrade Property Media; do
  grep -qx "$table" <<<"$tables" || fail "no $table table"
done
files=$(msiinfo export "$work/old.msi" File | tail -n +4 | cut -f3 | sort | paste -sd ' ')
expected="README.txt SetVornIP.exe vornctl.exe VornEN.def VornEN.dll VornEN.h VornEN.lib libVornEN.dll.a"
if [[ "$arch" == win32 ]]; then expected="$expected VornEN-i686.def"; fi
expected=$(tr ' ' '\n' <<<"$expected" | sort | paste -sd ' ')
[[ "$files" == "$expected" ]] || fail "files '$files', not '$expected'"
properties=$(msiinfo export "$work/old.msi" Property)
for property in "Manufacturer	VornEN developers" "ProductVersion	$version" "ALLUSERS	1"; do
  grep -qF "$property" <<<"$properties" || fail "no property '$property'"
done
grep -q '^SetVornIP' <<<"$(msiinfo export "$work/old.msi" Shortcut | tail -n +4 | cut -f3)" ||
  fail "no Start-menu shortcut"

# Under Wine. The 64-bit loader installs a 32-bit package too: msiexec only
# copies files and writes keys.
wine_select win64 "$work/prefix"
export HOME=$work WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
wineserver=${wine%/*}/wineserver64
[[ -x "$wineserver" ]] || wineserver=${wine%/*}/wineserver
wine() {
  unshare --net -- "$wine" "$@" </dev/null >>"$work/wine.log" 2>&1
  local status=$?
  # The registry reaches its files when the server ends.
  "$wineserver" -w
  return $status
}
wine wineboot -i || fail "the prefix was not made: $(tail -3 "$work/wine.log")"
drive=$WINEPREFIX/drive_c
dir=$drive/"Program Files/VornEN"
if [[ "$arch" == win32 ]]; then dir=$drive/"Program Files (x86)/VornEN"; fi
product=$(msiinfo export "$work/old.msi" Property | sed -n 's/^ProductName\t//p' | tr -d '\r')
# The Apps & features entry's values as "DisplayName|DisplayVersion|Publisher".
entries() {
  awk -F'"' '$2 == "DisplayName" { name = $4 } $2 == "DisplayVersion" { version = $4 }
    $2 == "Publisher" && name != "" { print name "|" version "|" $4; name = "" }' \
    "$WINEPREFIX/system.reg" | grep -F "$product|" | sort -u | paste -sd ' '
}
shortcut() { find "$drive" -name SetVornIP.lnk; }

wine msiexec /i 'Z:'"${work//\//\\}"'\old.msi' /qn || fail "install: $(tail -5 "$work/wine.log")"
for file in SetVornIP.exe vornctl.exe VornEN.dll README.txt SDK/VornEN.h SDK/VornEN.lib SDK/libVornEN.dll.a SDK/VornEN.def; do
  [[ -f "$dir/$file" ]] || fail "$file not installed in $dir"
done
cmp -s "$dir/SetVornIP.exe" "$work/release/SetVornIP.exe" || fail "SetVornIP.exe differs"
[[ $(entries) == "$product|$version|VornEN developers" ]] || fail "Apps & features: '$(entries)'"
# The shortcut leads to the installed window, by its Windows path.
link=$(shortcut)
[[ -n "$link" ]] || fail "no Start-menu shortcut"
target=$(strings -n 8 "$link" | grep -i '\\SetVornIP\.exe$' | head -1)
expected_target='C:\Program Files\VornEN\SetVornIP.exe'
if [[ "$arch" == win32 ]]; then expected_target='C:\Program Files (x86)\VornEN\SetVornIP.exe'; fi
[[ "$target" == "$expected_target" ]] || fail "the shortcut leads to '$target', not '$expected_target'"
echo "installed: $(entries); shortcut ${link#"$drive"/} -> $target"

# The shortcut opened as Explorer opens it starts the window, on a display
# of this test's own.
window_running() {
  local pid
  for pid in $(pgrep -f 'SetVornIP\.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}
poll() {
  local deadline=$((SECONDS + 90))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}
no_win32=$(wine32_unusable)
if [[ "$arch" == win32 && -n "$no_win32" ]]; then
  echo "skipping the start of the 32-bit window: $no_win32"
else
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
  poll test -s "$work/display" || fail "Xvfb did not start"
  DISPLAY=:$(head -1 "$work/display") unshare --net -- "$wine" start /unix "$link" \
    </dev/null >>"$work/wine.log" 2>&1 || fail "the shortcut did not open: $(tail -5 "$work/wine.log")"
  poll window_running || fail "the shortcut's window did not start"
  # Ends only this prefix's programs: the window.
  "$wineserver" -k
  echo "the shortcut started the window"
  # The installed command line runs from where it was put, on its own.
  printed=$(unshare --net -- "$wine" "$dir/vornctl.exe" version </dev/null 2>>"$work/wine.log" | tr -d '\r')
  "$wineserver" -w
  [[ "$printed" == "VornEN.DLL Rev. "* ]] || fail "the installed vornctl.exe printed '$printed'"
  echo "the installed vornctl.exe runs: $printed"
fi

wine msiexec /i 'Z:'"${work//\//\\}"'\new.msi' /qn || fail "upgrade: $(tail -5 "$work/wine.log")"
[[ $(entries) == "$product|$newer|VornEN developers" ]] || fail "after the upgrade: '$(entries)'"
if wine msiexec /i 'Z:'"${work//\//\\}"'\old.msi' /qn; then fail "the older version installed over the newer"; fi
[[ $(entries) == "$product|$newer|VornEN developers" ]] || fail "after the refused downgrade: '$(entries)'"
echo "upgraded to $newer; $version refused"

wine msiexec /x 'Z:'"${work//\//\\}"'\new.msi' /qn || fail "uninstall: $(tail -5 "$work/wine.log")"
[[ ! -e "$dir" ]] || fail "left behind: $(find "$dir")"
[[ -z "$(shortcut)" ]] || fail "shortcut left behind: $(shortcut)"
left=$(grep -i -n 'vornen' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" || true)
[[ -z "$left" ]] || fail "keys left behind: $left"
echo "uninstalled: no file or key of $product left"
