#!/usr/bin/env bash
# Writes the hand-made seed inputs of each fuzz target; the layouts are in the
# comment at the top of each target's source (and, for the connection, in
# fuzz/tcp_model.h). Run again after a layout change. Files named
# regression-* are inputs that once failed; they are kept, not rewritten.
set -euo pipefail
cd "$(dirname "$0")"
targets=(host_text mac_text send_recv discovery adapter_check assignment
  batch_file escapes devsim_setup devsim_script devsim_options)
for t in "${targets[@]}"; do
  mkdir -p "$t"
  find "$t" -type f ! -name 'regression-*' -delete
done

seed() { printf "$2" >"$1"; }

# host_text: flags (bit 0: the resolver knows the name), then the text.
seed host_text/dotted '\x00192.168.16.100'
seed host_text/short_form '\x0010.1'
seed host_text/octal '\x00192.168.16.0144'
seed host_text/part_above_255 '\x00192.168.16.1000'
seed host_text/known_name '\x01ABC.DEF'
seed host_text/seventeen '\x001.2.3.4.5.6.7.8.9'
seed host_text/sixteen_known '\x011234.5678.9ABC.D'
seed host_text/trailing_blank '\x00192.168.16.100 '
seed host_text/lower_case '\x01abc.def'
seed host_text/all_ones '\x00255.255.255.255'
seed host_text/all_ones_as_one_number '\x014294967295'

# mac_text: the text.
seed mac_text/hyphens '00-20-4A-8D-72-33'
seed mac_text/colons '00:20:4A:8D:72:33'
seed mac_text/mixed '00-20:4A-8D-72-33'
seed mac_text/lower_case '00-20-4a-8d-72-33'
seed mac_text/short '00-20-4A-8D-72-3'
seed mac_text/long '00-20-4A-8D-72-33-'
seed mac_text/not_hex '00-20-4A-8D-7G-33'

# send_recv: flags, connect, send (2), capacity (class + 4), terminator (4),
# length, data, then arrivals (tcp_model.h).
go='\x00\x00\x00\x00'
cap100='\x00\x64\x00\x00\x00'
cr='\x0d\x00\x00\x00'
six='\x06ABCDEF'
head="$go$cap100$cr$six"
seed send_recv/one_piece "$head"'\x00\x081234567\r'
seed send_recv/two_pieces "$head"'\x00\x03123\x00\x054567\r'
seed send_recv/bytes_after_terminator "$head"'\x00\x0c1234567\rWXYZ'
seed send_recv/capacity_5 "$go"'\x00\x05\x00\x00\x00'"$cr$six"'\x00\x081234567\r'
seed send_recv/full_then_silent "$go"'\x00\x08\x00\x00\x00'"$cr$six"'\x00\x0812345678'
seed send_recv/full_then_closed "$go"'\x00\x08\x00\x00\x00'"$cr$six"'\x00\x0812345678\x00\x00'
seed send_recv/three_then_close "$head"'\x00\x03abc\x00\x00'
seed send_recv/nothing_sent "$go$cap100$cr"'\x00\x00\x02OK\x00\x01\r'
seed send_recv/nothing_asked "$go"'\x00\x00\x00\x00\x00'"$cr"'\x00'
seed send_recv/no_size_slot '\x01\x00\x00\x00'"$cap100$cr$six"
seed send_recv/no_buffer '\x02\x00\x00\x00'"$cap100$cr$six"
seed send_recv/no_data '\x04\x00\x00\x00'"$cap100$cr$six"
seed send_recv/not_ready '\x10\x00\x00\x00'"$cap100$cr$six"
seed send_recv/high_terminator_bits "$go$cap100"'\x0d\xff\xff\xff'"$six"'\x00\x041\r23'
seed send_recv/recv_fails "$head"'\x00\x0212\x07'
seed send_recv/close_without_read "$head"'\x06'
seed send_recv/close_along_with_read "$head"'\x10\x03ab\r'
seed send_recv/enum_fails_after_failed_wait "$head"'\x0d'
seed send_recv/connect_refused '\x00\x04\x00\x00'"$cap100$cr$six"
seed send_recv/connect_times_out '\x00\x05\x00\x00'"$cap100$cr$six"
seed send_recv/connect_without_event '\x00\x07\x00\x00'"$cap100$cr$six"
seed send_recv/connect_at_once_wait_failed '\x00\x18\x00\x00'"$cap100$cr$six"'\x00\x01\r'
seed send_recv/send_in_pieces '\x00\x00\x00\x02'"$cap100$cr$six"'\x00\x02\r\r'
seed send_recv/send_blocks_then_goes '\x00\x00\x06\x02'"$cap100$cr$six"'\x00\x01\r'
seed send_recv/send_stuck '\x00\x00\x03\x00'"$cap100$cr$six"
seed send_recv/send_fails '\x00\x00\x01\x00'"$cap100$cr$six"
seed send_recv/medium_piece "$head"'\x20\x00\x10R\x01\r'
seed send_recv/sixteen_bit_piece "$head"'\x60\x04\x00abc\r'
# Capacity INT32_MAX and one full 2,000,000-byte read ending in the CR.
seed send_recv/full_read_int32_max "$go"'\x01\x00\x00\x00\x00'"$cr$six"'\x40\x00\x00R\x01\r'
# A full read without the CR, then the CR in the next piece.
seed send_recv/full_read_then_cr "$go"'\x01\x00\x00\x00\x00'"$cr$six"'\x40\x00\x00R\x00\x00\x01\r'
# Capacity exactly one read: full, then one more byte ends the call.
seed send_recv/capacity_one_read "$go"'\x03\x00\x00\x00\x00'"$cr$six"'\x40\x00\x00R\x00\x00\x01X'
seed send_recv/capacity_just_under "$go"'\x03\xff\x00\x00\x00'"$cr$six"'\x40\x00\x00R\x00'
seed send_recv/capacity_two_reads "$go"'\x04\x00\x00\x00\x00'"$cr$six"'\x40\x00\x00R\x00\x40\x00\x00S\x00\x00\x00'
seed send_recv/capacity_what_arrives "$go"'\x05\x00\x00\x00\x00'"$cr$six"'\x40\x01\x05R\x00\x00\x04abcd\x00\x00'
seed send_recv/capacity_int32_min "$go"'\x02\x00\x00\x00\x00'"$cr$six"'\x00\x01\r'
seed send_recv/capacity_raw "$go"'\x06\xff\xff\xff\x7f'"$cr$six"'\x40\x02\x80R\x02X\r'
seed send_recv/capacity_near_max "$go"'\x07\x03\xfe\x00\x00'"$cr$six"'\x40\x00\x00R\x00\x00\x01\r'
seed send_recv/terminator_in_long_run "$go"'\x01\x00\x00\x00\x00'"$cr$six"'\x40\x00\x00\r\x00'
seed send_recv/guarded_long '\x08\x00\x00\x00\x03\x10\x00\x00\x00'"$cr$six"'\x40\x00\x00R\x00\x00\x01\r'

# discovery: flags, query, capacity, MAC (6), then arrivals: kind, source (4),
# bytes as the kind says.
mac='\x00\x20\x4a\x8d\x72\x33'
other='\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x11\x00\x20\x4a\x8d\x72\x34'
cap16='\x30'
seed discovery/wanted '\x00\x00'"$cap16$mac"'\x00\xc0\xa8\x10\x64'
seed discovery/colons '\x04\x00\x84'"$mac"'\x00\xc0\xa8\x10\x64'
seed discovery/other_then_wanted '\x00\x00'"$cap16$mac"'\x01\xc0\xa8\x10\x65'"$other"'\x00\xc0\xa8\x10\x64'
seed discovery/longest_address '\x00\x00'"$cap16$mac"'\x00\xff\xff\xff\xfe'
seed discovery/silence '\x00\x00'"$cap16$mac"
seed discovery/wrong_length '\x00\x00'"$cap16$mac"'\x02\xc0\xa8\x10\x64\x1d'"$other"
seed discovery/too_long '\x00\x00'"$cap16$mac"'\x02\xc0\xa8\x10\x64\x65'"$other$other$other$other"'1234567'
seed discovery/empty_datagram '\x00\x00'"$cap16$mac"'\x02\xc0\xa8\x10\x64\x00'
seed discovery/not_opened '\x02\x00'"$cap16$mac"
seed discovery/opened_not_ready '\x10\x00'"$cap16$mac"
seed discovery/capacity_15 '\x00\x00\x2f'"$mac"'\x00\xc0\xa8\x10\x64'
seed discovery/capacity_int32_max '\x08\x00\x80'"$mac"'\x00\xc0\xa8\x10\x64'
seed discovery/no_buffer '\x01\x00'"$cap16$mac"
seed discovery/resolve_fails '\x00\x01'"$cap16$mac"
seed discovery/no_socket '\x00\x02'"$cap16$mac"
seed discovery/no_event '\x00\x03'"$cap16$mac"
seed discovery/send_fails '\x00\x04'"$cap16$mac"
seed discovery/send_would_block '\x00\x05'"$cap16$mac"
seed discovery/send_short '\x00\x06'"$cap16$mac"
seed discovery/failed_wait_then_wanted '\x08\x00'"$cap16$mac"'\x08\xff\xff\xff\xff'
seed discovery/enum_fails '\x00\x00'"$cap16$mac"'\x04'
seed discovery/no_read_event '\x00\x00'"$cap16$mac"'\x05'
seed discovery/read_fails '\x00\x00'"$cap16$mac"'\x06'
seed discovery/select_fails '\x00\x00'"$cap16$mac"'\x07'

# adapter_check: operations: 0 En_Open (start, query, count, adapters of
# flags, address, netmask), 1 En_Close, 2 a connection left in use.
loop='\x04\x00\x00\x00\x7f\x00\x00\x01\xff\x00\x00\x00'
eth='\x00\x00\x00\x00\xc0\xa8\x01\x0a\xff\xff\xff\x00'
eth2='\x00\x00\x00\x00\x0a\x01\x02\x03\xff\x00\x00\x00'
ptp='\x08\x00\x00\x00\x0a\x08\x00\x02\xff\xff\xff\xff'
host='\x00\x00\x00\x00\xc0\xa8\x10\x4d\xff\xff\xff\xff'
seed adapter_check/ethernet_beside_loopback '\x00\x00\x00\x02'"$loop$eth"
seed adapter_check/netmask_255_0_0_0 '\x00\x00\x00\x01'"$eth2"
seed adapter_check/netmask_all_ones '\x00\x00\x00\x01'"$host"
seed adapter_check/point_to_point_ignored '\x00\x00\x00\x03'"$ptp$eth$loop"
seed adapter_check/only_loopback '\x00\x00\x00\x01'"$loop"
seed adapter_check/empty_list '\x00\x00\x00\x00'
seed adapter_check/two_usable '\x00\x00\x00\x02'"$eth$eth2"
seed adapter_check/twenty '\x00\x00\x00\x14'"$eth$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop"
seed adapter_check/twenty_one '\x00\x00\x00\x15'"$eth$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop$loop"
seed adapter_check/start_fails '\x00\x01'
seed adapter_check/other_version '\x00\x02\x01\x01'
seed adapter_check/no_query_socket '\x00\x00\x01'
seed adapter_check/list_fails '\x00\x00\x02'
seed adapter_check/open_twice '\x00\x00\x00\x01'"$eth"'\x00\x00\x00\x01'"$eth"
seed adapter_check/close_before_open_and_twice '\x01\x01\x00\x00\x00\x01'"$eth"'\x01'
seed adapter_check/open_then_none_keeps_text '\x00\x00\x00\x01'"$eth"'\x00\x00\x00\x00'
seed adapter_check/open_over_tcp_in_use '\x00\x00\x00\x01'"$eth"'\x0a\x00\x00\x00\x01'"$eth"'\x01'
seed adapter_check/open_over_udp_in_use '\x00\x00\x00\x01'"$eth"'\x0e\x00\x00\x00\x01'"$eth"
seed adapter_check/version_fails_over_tcp_in_use '\x0a\x00\x02\x02\x01\x01'

# assignment: library, broadcast (4, XORed), texts, host bits, MAC, address,
# then the courses: touch, connect, read, "M", read, "S0", CR, five records,
# "RS", CR (tcp_model.h).
xs='\x00\x00\x00\x00'
mac6='\x00\x20\x4a\x8d\x72\x33'
ok_sends='\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
reads='\x00\x0b*** hello\r\n\x00\x00\x00\x06menu\r\n'
args="\x00$xs\x00\x08$mac6$xs"
seed assignment/complete "$args"'\x00\x00'"$reads$ok_sends"
seed assignment/colons "\x00$xs\x01\x08$mac6$xs"'\x00\x00'"$reads$ok_sends"
seed assignment/host_bits_0_and_32 "\x00$xs\x00\x20$mac6$xs"'\x00\x00'"$reads$ok_sends"
seed assignment/touch_refused "$args"'\x04\x00'"$reads$ok_sends"
seed assignment/touch_times_out "$args"'\x05\x00'"$reads$ok_sends"
seed assignment/setup_port_refused "$args"'\x00\x04'
seed assignment/device_silent "$args"'\x00\x00\x04'
seed assignment/device_closes_at_once "$args"'\x00\x00\x00\x00\x00\x00\x00\x00'"$ok_sends"
seed assignment/long_greeting "$args"'\x00\x00\x60\xc8\x00'"$(head -c 200 /dev/zero | tr '\0' 'G')"'\x00\x00\x04'
seed assignment/no_menu "$args"'\x00\x00\x00\x05hello\x00\x00\x04'
seed assignment/m_fails "$args"'\x00\x00\x00\x05hello\x01\x00'
seed assignment/s0_fails "$args"'\x00\x00'"$reads"'\x01\x00'
seed assignment/s0_cr_fails "$args"'\x00\x00'"$reads"'\x00\x00\x01\x00'
seed assignment/third_record_fails "$args"'\x00\x00'"$reads"'\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00'
seed assignment/records_a_byte_at_a_time "$args"'\x00\x00'"$reads"'\x00\x00\x00\x00\x00\x01\x00\x01\x00\x01\x00\x01\x00\x01\x00\x00\x00\x00'
seed assignment/record_stuck_midway "$args"'\x00\x00'"$reads"'\x00\x00\x00\x00\x13\x04'
seed assignment/rs_cr_fails "$args"'\x00\x00'"$reads"'\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00'
seed assignment/not_opened "\x02$xs\x00\x08$mac6$xs"
seed assignment/opened_but_closed "\x01$xs\x00\x08$mac6$xs"
seed assignment/connection_in_use "\x03$xs\x00\x08$mac6$xs"
seed assignment/connection_in_use_with_handles "\x07$xs\x00\x08$mac6$xs"
seed assignment/mac_lower_case "\x00$xs\x02\x08"'00-20-4a-8d-72-33\x00'"$xs"
seed assignment/no_mac "\x00$xs\x03\x08$xs"
seed assignment/host_bits_33 "\x00$xs\x00\x21$mac6$xs"
seed assignment/host_bits_minus_1 "\x00$xs\x00\xf0\xff\xff\xff\xff$mac6$xs"
seed assignment/no_address "\x00$xs\x08\x08$mac6"
seed assignment/octal_address "\x00$xs\x04\x08$mac6"'192.168.16.0144\x00\x00\x00'"$reads$ok_sends"
seed assignment/short_form "\x00"'\xca\x57\xef\x00'"\x04\x08$mac6"'10.5\x00\x00\x00'"$reads$ok_sends"
seed assignment/known_name "\x08$xs\x04\x08$mac6"'ABCDEF\x00'
seed assignment/all_ones_known "\x08"'\x3f\x57\xef\x00'"\x04\x08$mac6"'255.255.255.255\x00'
seed assignment/subnet_fails "\x00$xs\x00\x08$mac6"'\xca\xa8\x10\x65'
seed assignment/route_beyond_subnet "\x00$xs\x00\x08$mac6"'\x00\x00\x10\x61'"\x00\x00$reads$ok_sends"

# batch_file: the file's text.
seed batch_file/rows '00-20-4A-8D-72-33,192.168.16.100\n00-20-4A-8D-72-34,192.168.16.101,255.255.0.0\n'
seed batch_file/comments_and_blanks '# devices of hall 2\n\n  \n00-20-4A-8D-72-33 , 192.168.16.100 ,255.0.0.0\n'
seed batch_file/crlf '00-20-4A-8D-72-33,192.168.16.100\r\n00-20-4A-8D-72-34,192.168.16.101\r\n'
seed batch_file/bad_netmask '00-20-4A-8D-72-33,192.168.16.100,255.255.255.128\n'
seed batch_file/too_many_fields '00-20-4A-8D-72-33,192.168.16.100,255.255.255.0,x\n'
seed batch_file/trailing_comma '00-20-4A-8D-72-33,192.168.16.100,\n'
seed batch_file/one_field '00-20-4A-8D-72-33\n'
seed batch_file/no_line_end '00-20-4A-8D-72-33,192.168.16.100'
seed batch_file/header 'mac,address,netmask\n00-20-4A-8D-72-33,192.168.16.100,255.255.255.0\n'
seed batch_file/quoted '"00-20-4A-8D-72-33","192.168.16.100","255.255.255.0"\n"a,b",c\n"open\n'
seed batch_file/spreadsheet '\xef\xbb\xbfMAC Address;IP Address;Subnet Mask;;\r\n00-20-4A-8D-72-33;192.168.16.100;255.255.0.0;;\r\n"00-20-4A-8D-72-34;192.168.16.101;;;\r\n'

# escapes: a mode byte (even: a text to decode; odd: form and data pairs).
seed escapes/plain '\x00PING\\r'
seed escapes/all_escapes '\x00\\r\\n\\t\\\\\\0\\x41\\xfF'
seed escapes/backslash_at_end '\x00OK\\'
seed escapes/unknown_escape '\x00\\q'
seed escapes/short_hex '\x00\\x4'
seed escapes/bad_hex '\x00\\xG0'
seed escapes/round_trip '\x01\x00A\x01\r\x02\x00\x03\\\x03\n\x00\\'

# devsim_setup: a mode byte; 0 a stream (cuts, then bytes), 1 the library's
# dialogue (octets, host bits, bytes before the M, cuts), 2 a record check.
r0=':20000010C0A810640000080000000000000000004C010000B136000000000000C0000000FF\\'
r1=":20002010$(printf '0%.0s' {1..64})FF\\\\"
r2=":20004010$(printf '0%.0s' {1..64})FF\\\\"
r3=":18006010$(printf '0%.0s' {1..48})FF\\\\"
r4=':00000001FF\\'
seed devsim_setup/worked_dialogue '\x00\x00*** hello\r\nMS0\r'"$r0$r1$r2$r3$r4"'RS\r'
ones=$(printf '\\x01%.0s' {1..64})
seed devsim_setup/byte_by_byte '\x00\x40'"$ones"'MS0\r'"$r0$r1"
seed devsim_setup/records_before_s0 '\x00\x00M'"$r0"'S0\rRS\r'
seed devsim_setup/missing_backslash '\x00\x00MS0\r:2000001000000000000000000000000000000000000000000000000000000000000000000000000000000000'
seed devsim_setup/long_command '\x00\x00MS0S0S0S0S0S0S0S0S0S0\rRS\r'
seed devsim_setup/library_worked '\x01\xc0\xa8\x10\x64\x08\x00'
seed devsim_setup/library_noise_and_cuts '\x01\x0a\x00\x00\x01\x20\x05junk\r\x03\x07\x4c\x01\x02'
seed devsim_setup/record0 '\x02\x00'"$r0"
seed devsim_setup/record4 '\x02\x04'"$r4"
seed devsim_setup/record0_host_bits_33 '\x02\x00:20000010C0A810640000210000000000000000004C010000B136000000000000C0000000FF\\'
seed devsim_setup/record_index_5 '\x02\x05'"$r4"

# devsim_script: a mode byte; 0 a script, 1 a text then its last input, 2 a
# receive step (kind, number, idle) and what arrived.
seed devsim_script/echo '\x00recv-line\nsend OK:\\L\\r\nrepeat\n'
seed devsim_script/all_steps '\x00# every step\r\nrecv 4\nrecv-idle 50\ntrickle 20 A\\x42C\\r\nsleep 5\nlarge 1000\nclose\nreset\nhold\n'
seed devsim_script/repeat_first '\x00repeat\nrecv-line\n'
seed devsim_script/bad_number '\x00recv 0\n'
seed devsim_script/text_ending_in_cr '\x00recv-line\nsend A\r\r\n'
seed devsim_script/text '\x01OK:\\L\\x0d\\n\x00PING'
seed devsim_script/bad_escape '\x01\\x4\x00'
seed devsim_script/line '\x02\x00\x00\x00PING\rPONG'
seed devsim_script/bytes '\x02\x01\x03\x00ABCDE'
seed devsim_script/idle '\x02\x02\x00\x01ABC'

# devsim_options: the command script's text, then the arguments, each ended
# by a zero byte.
seed devsim_options/plain '\x00--interface\x00veth0\x00--mac\x0000-20-4A-8D-72-33\x00--address\x00192.168.16.100/24\x00'
seed devsim_options/discovery '\x00--discovery-before=0,29,31\x00--discovery-flood\x0010,5\x00--discovery-delay\x00100\x00--discovery-silent\x00'
seed devsim_options/setup '\x00--setup-no-menu\x00--setup-reset-after\x00120\x00--default-prefix\x0016\x00--address\x0010.1.2.3\x00'
seed devsim_options/steps '\x00--command-step\x00recv-line\x00--command-step\x00send OK\\r\x00--command-step\x00repeat\x00'
seed devsim_options/script_file 'recv-line\nsend OK\\r\nrepeat\n\x00--command-script\x00any\x00'
seed devsim_options/script_file_equals 'repeat\n\x00--command-script=any\x00'
seed devsim_options/two_sources '\x00--command-sink\x00--command-reply\x00OK\x00'
seed devsim_options/unknown '\x00--retake\x00--any-namespace\x00--frobnicate\x00'
