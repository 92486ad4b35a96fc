#!/usr/bin/env bash
# Writes the hand-made seed inputs of each fuzz target; the layouts are in the
# comment at the top of each target's source. Run again after a layout change.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf host_text mac_text send_recv discovery
mkdir -p host_text mac_text send_recv discovery

seed() { printf "$2" >"$1"; }

# host_text: flags (bit 0: the resolver knows the name), then the text.
seed host_text/dotted '\x00192.168.16.100'
seed host_text/short_form '\x0010.1'
seed host_text/part_above_255 '\x00192.168.16.1000'
seed host_text/known_name '\x01ABC.DEF'
seed host_text/seventeen '\x001.2.3.4.5.6.7.8.9'
seed host_text/trailing_blank '\x00192.168.16.100 '
seed host_text/lower_case '\x01abc.def'

# mac_text: the text.
seed mac_text/hyphens '00-20-4A-8D-72-33'
seed mac_text/colons '00:20:4A:8D:72:33'
seed mac_text/mixed '00-20:4A-8D-72-33'
seed mac_text/lower_case '00-20-4a-8d-72-33'
seed mac_text/short '00-20-4A-8D-72-3'
seed mac_text/long '00-20-4A-8D-72-33-'
seed mac_text/not_hex '00-20-4A-8D-7G-33'

# send_recv: flags, fail, capacity (2), terminator (4), length, chunk, data,
# then pieces: kind, length, bytes.
head='\x00\x00\x64\x00\x0d\x00\x00\x00\x06\x00ABCDEF'
seed send_recv/one_piece "$head"'\x00\x081234567\r'
seed send_recv/two_pieces "$head"'\x00\x03123\x00\x054567\r'
seed send_recv/bytes_after_terminator "$head"'\x00\x0c1234567\rWXYZ'
seed send_recv/capacity_5 '\x00\x00\x05\x00\x0d\x00\x00\x00\x06\x00ABCDEF\x00\x081234567\r'
seed send_recv/full_then_silent '\x00\x00\x08\x00\x0d\x00\x00\x00\x06\x00ABCDEF\x00\x0812345678'
seed send_recv/full_then_closed \
  '\x08\x00\x08\x00\x0d\x00\x00\x00\x06\x00ABCDEF\x00\x0812345678\x00\x00'
seed send_recv/three_then_close "$head"'\x00\x03abc\x00\x00'
seed send_recv/nothing_sent '\x00\x00\x64\x00\x0d\x00\x00\x00\x00\x00\x00\x02OK\x00\x01\r'
seed send_recv/nothing_asked '\x00\x00\x00\x00\x0d\x00\x00\x00\x00\x00'
seed send_recv/no_size_slot '\x01\x00\x64\x00\x0d\x00\x00\x00\x06\x00ABCDEF'
seed send_recv/high_terminator_bits \
  '\x00\x00\x64\x00\x0d\xff\xff\xff\x06\x00ABCDEF\x00\x041\r23'
seed send_recv/recv_fails "$head"'\x00\x0212\x07'
seed send_recv/close_without_read "$head"'\x06'
seed send_recv/enum_fails_after_failed_wait "$head"'\x0d'
seed send_recv/connect_refused '\x00\x05\x64\x00\x0d\x00\x00\x00\x06\x00ABCDEF'
seed send_recv/connect_without_event '\x10\x08\x64\x00\x0d\x00\x00\x00\x06\x00ABCDEF'
seed send_recv/send_in_pieces '\x20\x00\x64\x00\x0d\x00\x00\x00\x06\x02ABCDEF\x10\x02\r\r'
seed send_recv/send_stuck '\x00\x0a\x64\x00\x0d\x00\x00\x00\x06\x00ABCDEF'
{ printf '\x08\x00\x2c\x01\x00\x00\x00\x00\x01\x00A\x20\x01\x40'; head -c 320 /dev/zero |
  tr '\0' 'R'; } >send_recv/long_piece

# discovery: flags, fail, capacity, MAC (6), then arrivals: kind, source (4),
# bytes as the kind says.
mac='\x00\x20\x4a\x8d\x72\x33'
other='\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x00\x20\x4a\x8d\x72\x34'
seed discovery/wanted '\x00\x00\x10'"$mac"'\x00\xc0\xa8\x10\x64'
seed discovery/colons '\x04\x00\x64'"$mac"'\x00\xc0\xa8\x10\x64'
seed discovery/other_then_wanted '\x00\x00\x10'"$mac"'\x01\xc0\xa8\x10\x65'"$other"'\x00\xc0\xa8\x10\x64'
seed discovery/silence '\x00\x00\x10'"$mac"
seed discovery/wrong_length '\x00\x00\x10'"$mac"'\x02\xc0\xa8\x10\x64\x1d'"$other"
seed discovery/empty_datagram '\x00\x00\x10'"$mac"'\x02\xc0\xa8\x10\x64\x00'
seed discovery/not_opened '\x02\x00\x10'"$mac"
seed discovery/capacity_15 '\x00\x00\x0f'"$mac"'\x00\xc0\xa8\x10\x64'
seed discovery/send_fails '\x00\x0b\x10'"$mac"
seed discovery/send_short '\x00\x0d\x10'"$mac"
seed discovery/failed_wait_then_wanted '\x08\x00\x10'"$mac"'\x08\xff\xff\xff\xff'
seed discovery/enum_fails '\x00\x00\x10'"$mac"'\x04'
seed discovery/no_read_event '\x00\x00\x10'"$mac"'\x05'
seed discovery/select_fails '\x00\x00\x10'"$mac"'\x07'
