#!/usr/bin/env bash
# Runs SetVornIP with the built library inside two private network
# namespaces, a PC and a simulated device without an address, presses the set
# and then the find button, and saves a PNG of the screen (Xvfb, 96 dpi).
# Nothing runs on the machine's own network: the virtual display, the tool and
# its clicks all live in the PC namespace. Needs root.
#
# Usage: testbed_screenshot.sh BUILD_DIR OUTPUT.png
#   BUILD_DIR  a build with the tool, e.g. build-tool: it takes
#              tool/SetVornIP, library/libVornEN.so and simulator/vorn-devsim
set -euo pipefail

readonly kMac=00-20-4A-8D-72-33

# Runs inside the virtual display, in the PC namespace.
if [[ "${1:-}" == "--inner" ]]; then
  if [[ "$(readlink /proc/self/ns/net)" == "$(readlink /proc/1/ns/net)" ]]; then
    echo "refusing: not inside the PC namespace" >&2
    exit 1
  fi
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
  exit "$status"
fi

if (($# != 2)); then
  sed -n '2,10p' "$0" >&2
  exit 2
fi
if ((EUID != 0)); then
  echo "needs root to make network namespaces" >&2
  exit 1
fi
build=$(realpath "$1")
output=$(realpath -m "$2")
binary="$build/tool/SetVornIP"
library="$build/library/libVornEN.so"
simulator="$build/simulator/vorn-devsim"
for file in "$binary" "$library" "$simulator"; do
  [[ -e "$file" ]] || {
    echo "missing $file" >&2
    exit 1
  }
done

# Namespaces of an earlier run that died before its clean-up.
for ns in $(ip netns list | sed -n 's/^\(vshot-[0-9]*-[a-z]*\).*/\1/p'); do
  owner=${ns#vshot-}
  owner=${owner%%-*}
  kill -0 "$owner" 2>/dev/null || ip netns delete "$ns" 2>/dev/null || true
done

prefix="vshot-$$"
pc="$prefix-pc"
device="$prefix-dev"
work=$(mktemp -d)
made=()
simulator_pid=""
inner_pid=""

# Ends what this script started, by pid, and removes its namespaces.
stop() {
  local pid=$1
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}
cleanup() {
  if [[ -n "$inner_pid" ]]; then
    # setsid made it the leader of the display, the tool and the clicks.
    kill -TERM -- "-$inner_pid" 2>/dev/null || true
    stop "$inner_pid"
  fi
  [[ -n "$simulator_pid" ]] && stop "$simulator_pid"
  for ns in "${made[@]}"; do ip netns delete "$ns" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

ip netns add "$pc" && made+=("$pc")
ip netns add "$device" && made+=("$device")
# Both ends are made inside the namespaces; the machine's own never sees them.
ip -n "$pc" link add pc0 type veth peer name dev0 netns "$device"
ip -n "$pc" addr add 192.168.16.1/24 dev pc0
ip -n "$pc" link set lo up
ip -n "$pc" link set pc0 up
ip -n "$device" link set lo up

sim_log="$work/devsim.log"
ip netns exec "$device" "$simulator" --mac "$kMac" --log "$sim_log" \
  --ready-file "$work/ready" >/dev/null &
simulator_pid=$!
for _ in $(seq 100); do
  [[ -e "$work/ready" ]] && break
  kill -0 "$simulator_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ ! -e "$work/ready" ]]; then
  echo "the simulator did not start" >&2
  cat "$sim_log" >&2 2>/dev/null || true
  exit 1
fi

export SHOT_BINARY="$binary" SHOT_OUTPUT="$output" SHOT_SIM_LOG="$sim_log"
export VORNEN_LIBRARY="$library"
ip netns exec "$pc" setsid xvfb-run --auto-servernum \
  --server-args="-screen 0 1024x768x24 -dpi 96" "$0" --inner &
inner_pid=$!
status=0
wait "$inner_pid" || status=$?
inner_pid=""

echo "device events:"
grep -E "ready|address|udp-reply|setup records" "$sim_log" | sed 's/^/  /' || true
if ((status != 0)); then
  echo "failed (status $status)" >&2
  exit "$status"
fi
echo "saved $output"
