#!/usr/bin/env bash
# Starts SetVornIP under Xvfb and saves a PNG of the whole screen (96 dpi), to
# look at the window as an operator sees it.
#
# Usage: screenshot.sh [--press] BINARY OUTPUT.png [LIBRARY]
#   LIBRARY  library file the tool loads (sets VORNEN_LIBRARY), e.g. the
#            tests' fake: build-tool/tool/tests/libfake_vornen.so
#   --press  press the open and then the find button first, so the log shows
#            text (needs xdotool). This calls the library: use it with the fake
#            only, or inside a network namespace, never the real library on a
#            real network.
set -euo pipefail

# Runs inside the virtual display.
if [[ "${1:-}" == "--inner" ]]; then
  "$SHOT_BINARY" &
  tool=$!
  trap 'kill "$tool" 2>/dev/null || true' EXIT
  window=""
  for _ in $(seq 50); do
    if command -v xdotool >/dev/null; then
      window=$(xdotool search --name '^Set IP Address$' 2>/dev/null | head -n1 || true)
      [[ -n "$window" ]] && break
    fi
    sleep 0.1
  done
  sleep 1
  if [[ "$SHOT_PRESS" == 1 && -n "$window" ]]; then
    # The menu bar is what the window has above its 315-pixel client area.
    height=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')
    menu=$((height - 315))
    xdotool mousemove --window "$window" 204 $((menu + 31)) click 1  # open button
    sleep 0.5
    xdotool mousemove --window "$window" 136 $((menu + 116)) click 1  # find button
    xdotool mousemove 0 0
    sleep 1
  fi
  import -window root "$SHOT_OUTPUT"
  exit 0
fi

press=0
if [[ "${1:-}" == "--press" ]]; then
  press=1
  shift
fi
if (($# < 2)); then
  sed -n '2,13p' "$0" >&2
  exit 2
fi
binary=$(realpath "$1")
output=$(realpath -m "$2")
if (($# >= 3)); then
  VORNEN_LIBRARY=$(realpath "$3")
  export VORNEN_LIBRARY
fi
export SHOT_BINARY="$binary" SHOT_OUTPUT="$output" SHOT_PRESS="$press"


xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" "$0" --inner
echo "saved $output"
