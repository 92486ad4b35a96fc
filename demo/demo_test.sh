#!/bin/bash
# The demonstration as a person runs it: every step succeeds, and the command
# it prints for the ask step, pasted into a shell, gives vornctl the very
# words the demonstration gave it (the backslash of \r included).
set -u
demo=$1
if [ "$(id -u)" != 0 ]; then
  echo "needs root: the demonstration makes network namespaces"
  exit 77
fi
out=$("$demo" </dev/null 2>&1)
status=$?
printf '%s\n' "$out"
[ "$status" = 0 ] || { echo "the demonstration failed: $status"; exit 1; }
ask=$(printf '%s\n' "$out" | sed -n 's/^\$ vornctl \(ask .*\)$/\1/p')
[ -n "$ask" ] || { echo "no ask command printed"; exit 1; }
# The printed words, read back as a shell reads a pasted line.
words=$(eval "set -- $ask; printf '[%s]' \"\$@\"")
expected='[ask][192.168.16.100][VERSION\r]'
if [ "$words" != "$expected" ]; then
  echo "pasted, '$ask' gives $words, not $expected"
  exit 1
fi
echo "the printed ask command reads back as $words"
