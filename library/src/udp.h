// The UDP exchange on the one connection: one datagram out, any number of
// datagrams of an expected length back on the same socket, then the end.
#pragma once

namespace vornen {

inline constexpr int kSenderTextSize = 16;

int udp_send(const char* target, int port, const void* data, int length);
// On success `sender` holds the dotted source address with its terminator.
int udp_receive(void* buffer, int capacity, int expected, char sender[kSenderTextSize]);
int udp_end();

}  // namespace vornen
