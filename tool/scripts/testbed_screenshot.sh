#!/usr/bin/env bash
# Runs SetVornIP with the built library in the test bed (vornen-bed-run), with
# one simulated device without an address, presses the set and then the find
# button, and saves a PNG of the screen (Xvfb, 96 dpi). Nothing runs on the
# machine's own network: the virtual display, the tool and its clicks all live
# in the bed's PC namespace. Needs root.
#
# Usage: testbed_screenshot.sh BUILD_DIR OUTPUT.png
#   BUILD_DIR  a build with the tool and the tests, e.g. build: it takes
#              tool/SetVornIP, library/libVornEN.so, simulator/vorn-devsim
#              and tests/bed/vornen-bed-run
set -euo pipefail

readonly kMac=00-20-4A-8D-72-33

# Runs inside the virtual display, in the PC namespace.
if [[ "${1:-}" == "--inner" ]]; then
  if [[ "$(readlink /proc/self/ns/net)" == "$(readlink /proc/1/ns/net)" ]]; then
    echo "refusing: not inside the PC namespace" >&2
    exit 1
  fi
  SHOT_SIM_LOG="$VORNEN_BED_LOGS/$kMac.log"
  # Waits up to $2 tenths of a second for the simulator to log $1.
  await_event() {
    for _ in $(seq "$2"); do
      grep -q "$1" "$SHOT_SIM_LOG" && return 0
      sleep 0.1
    done
    echo "the device did not log '$1'" >&2
    return 1
  }
  "$SHOT_BINARY" &
  tool=$!
  trap 'kill "$tool" 2>/dev/null || true; wait "$tool" 2>/dev/null || true' EXIT
  window=""
  for _ in $(seq 50); do
    window=$(xdotool search --name '^Set IP Address$' 2>/dev/null | head -n1 || true)
    [[ -n "$window" ]] && break
    sleep 0.1
  done
  if [[ -z "$window" ]]; then
    echo "the window did not appear" >&2
    exit 1
  fi
  sleep 1
  # The menu bar is what the window has above its 315-pixel client area;
  # the buttons' centres follow from their twips / 15.
  height=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')
  menu=$((height - 315))
  status=0
  xdotool mousemove --window "$window" 136 $((menu + 288)) click 1 # set button
  await_event "address set" 100 || status=1
  xdotool mousemove --window "$window" 136 $((menu + 116)) click 1 # find button
  await_event "udp-reply" 100 || status=1
  xdotool mousemove 0 0
  # The find returns once the reply is in; give the window time to repaint.
  sleep 1
  import -window root "$SHOT_OUTPUT"
  # The bed removes the simulator's log when it goes.
  echo "device events:"
  grep -E "ready|address|udp-reply|setup records" "$SHOT_SIM_LOG" | sed 's/^/  /' || true
  exit "$status"
fi

if (($# != 2)); then
  sed -n '2,11p' "$0" >&2
  exit 2
fi
build=$(realpath "$1")
output=$(realpath -m "$2")
binary="$build/tool/SetVornIP"
library="$build/library/libVornEN.so"
simulator="$build/simulator/vorn-devsim"
bed_run="$build/tests/bed/vornen-bed-run"
for file in "$binary" "$library" "$simulator" "$bed_run"; do
  [[ -e "$file" ]] || {
    echo "missing $file" >&2
    exit 1
  }
done

# The bed makes and removes the namespaces, the device and its simulator, and
# after a crash the next bed sweeps what was left.
export SHOT_BINARY="$binary" SHOT_OUTPUT="$output"
export VORNEN_LIBRARY="$library"
status=0
"$bed_run" --simulator "$simulator" --device "$kMac" -- \
  xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" "$0" --inner ||
  status=$?
if ((status != 0)); then
  echo "failed (status $status)" >&2
  exit "$status"
fi
echo "saved $output"
