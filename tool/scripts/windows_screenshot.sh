#!/usr/bin/env bash
# Starts SetVornIP.exe under Wine on a virtual display (Xvfb, 96 dpi) and
# saves a PNG of its window, Japanese texts drawn with real glyphs: the Wine
# prefix runs as a Japanese PC (LANG=ja_JP.UTF-8) and draws the window's own
# face "ＭＳ Ｐゴシック" with the installed IPA font (fonts-ipafont-gothic).
#
# Usage: windows_screenshot.sh [--press] BIN_DIR OUTPUT.png
#   BIN_DIR  a cross build's program folder, e.g. build-win64/bin
#   --press  press the open and then the find button first, so the log shows
#            text. The window then loads the stand-in library of the build
#            (BIN_DIR/fake/VornEN.dll), which touches no network.
# The program's architecture chooses the Wine loader (scripts/wine.sh); its
# prefix is $SHOT_WINEPREFIX, by default build/wineprefix-shot32 or -shot64,
# made by that loader on first use (about 20 s). As root everything runs in a
# network namespace of its own with nothing but loop-back.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)

# Runs inside the virtual display.
if [[ "${1:-}" == "--inner" ]]; then
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8
  wineserver=$(dirname "$WINELOADER")/wineserver
  if [[ ! -e "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]]; then
    "$WINELOADER" wineboot --init
  fi
  # regedit reads UTF-16 with its byte-order mark.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$top/windows/tests/wine_desktop.reg"; } \
    >"$SHOT_WORK/desktop.reg"
  "$WINELOADER" regedit /S "$("$WINELOADER" winepath -w "$SHOT_WORK/desktop.reg")"
  "$WINELOADER" "$SHOT_WORK/SetVornIP.exe" &
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name '^Set IP Address$' 2>/dev/null | head -n1 || true)
    [[ -n "$window" ]] && break
    sleep 0.2
  done
  if [[ -z "$window" ]]; then
    echo "the window did not appear" >&2
    "$wineserver" -k
    exit 1
  fi
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # Wine draws the frame itself: a border around a client area of 718 x 315
  # below the caption and the menu bar.
  border=$(((WIDTH - 718) / 2))
  left=$((X + border))
  top_edge=$((Y + HEIGHT - border - 315))
  if [[ "$SHOT_PRESS" == 1 ]]; then
    # The buttons' centres are their twips / 15.
    xdotool mousemove $((left + 204)) $((top_edge + 31)) click 1 # open
    sleep 0.5
    xdotool mousemove $((left + 136)) $((top_edge + 116)) click 1 # find
    xdotool mousemove 0 0
    sleep 1
  fi
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOT_OUTPUT"
  "$wineserver" -k
  exit 0
fi

press=0
if [[ "${1:-}" == "--press" ]]; then
  press=1
  shift
fi
if (($# != 2)); then
  sed -n '2,15p' "$0" >&2
  exit 2
fi
bin=$(realpath "$1")
output=$(realpath -m "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A folder of its own: the real library must not be beside the program.
cp "$bin/SetVornIP.exe" "$work/"
if ((press)); then cp "$bin/fake/VornEN.dll" "$work/"; fi
# shellcheck source=scripts/wine.sh
source "$top/scripts/wine.sh"
arch=$(pe_arch "$bin/SetVornIP.exe")
if [[ "$arch" == win32 ]]; then
  no_win32=$(wine32_unusable)
  if [[ -n "$no_win32" ]]; then
    echo "cannot run the 32-bit window: $no_win32; take the 64-bit build's" >&2
    exit 1
  fi
fi
wine_select "$arch" "${SHOT_WINEPREFIX:-$top/build/wineprefix-shot${arch#win}}"
mkdir -p "$WINEPREFIX"
export SHOT_WORK="$work" SHOT_OUTPUT="$output" SHOT_PRESS="$press"

isolate=()
if ((EUID == 0)); then isolate=(unshare --net --); fi
"${isolate[@]}" xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
  "$0" --inner
echo "saved $output"
