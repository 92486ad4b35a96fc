# SPDX-License-Identifier: MIT
# A test bed of network namespaces for the installed programs, sourced by the
# tests: "pc" holds pc0 (192.168.16.1/24), "link" a bridge, and each device a
# namespace of its own where the installed vorn-devsim plays it. Nothing is
# changed in the machine's own namespace but the list of namespaces; bed_down
# removes them, the simulators first.

bed_id=vornen-$$
bed_pc=$bed_id-pc
bed_link=$bed_id-link
bed_devices=""
bed_pids=""
bed_work=$(mktemp -d)

bed_down() {
  for pid in $bed_pids; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  for ns in $bed_devices $bed_link $bed_pc; do
    ip netns delete "$ns" 2>/dev/null || true
  done
  rm -rf "$bed_work"
}

bed_up() {
  ip netns add "$bed_pc"
  ip netns add "$bed_link"
  ip -n "$bed_pc" link set lo up
  ip -n "$bed_link" link add br0 type bridge forward_delay 0
  ip -n "$bed_link" link set br0 up
  ip -n "$bed_link" link add lpc type veth peer name pc0 netns "$bed_pc"
  ip -n "$bed_link" link set lpc master br0 up
  ip -n "$bed_pc" addr add 192.168.16.1/24 dev pc0
  ip -n "$bed_pc" link set pc0 up
}

# bed_device MAC [ADDRESS/PREFIX]: a simulated device, ready when this returns.
bed_device() {
  mac=$1
  n=$(($(echo "$bed_devices" | wc -w) + 1))
  ns=$bed_id-dev$n
  ip netns add "$ns"
  bed_devices="$bed_devices $ns"
  ip -n "$ns" link set lo up
  ip -n "$bed_link" link add d$n type veth peer name eth0 netns "$ns"
  ip -n "$bed_link" link set d$n master br0 up
  ready=$bed_work/ready$n
  set -- --interface eth0 --mac "$mac" ${2:+--address "$2"}
  ip netns exec "$ns" vorn-devsim "$@" --ready-file "$ready" --log "$bed_work/log$n" &
  pid=$!
  bed_pids="$bed_pids $pid"
  # Up to 60 s for a loaded machine.
  tries=0
  until [ -e "$ready" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 600 ] || ! kill -0 "$pid" 2>/dev/null; then
      echo "the simulated device $mac did not start" >&2
      cat "$bed_work/log$n" >&2 || true
      return 1
    fi
    sleep 0.1
  done
}

# bed_pc COMMAND...: runs it on the PC side.
bed_pc() {
  ip netns exec "$bed_pc" "$@"
}
