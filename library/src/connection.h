// The one connection of the process: its state, its socket and event with the
// marks that keep any handle from being closed twice, the port of the UDP
// exchange, the local broadcast address, the reply buffer and the wait.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace vornen {

enum State : int { kClosed = 0, kReady = 1, kTcpConnected = 2, kUdpPending = 3 };

inline constexpr int kReplyBufferSize = 2'000'000;
inline constexpr int kDefaultWaitMs = 5000;
inline constexpr int kBroadcastTextSize = 16;

struct Connection {
  int state = kClosed;
  platform::Socket socket = platform::kNoSocket;
  platform::Event event = platform::kNoEvent;
  bool socket_open = false;
  bool event_open = false;
  int udp_port = 0;
  char broadcast[kBroadcastTextSize] = {};
};

Connection& connection();

// The receive area of the command channel, allocated once on first use.
unsigned char* reply_buffer();

int wait_timeout_ms();
// Not exported: tests shorten the wait with it.
void set_wait_timeout_ms(int milliseconds);

// Closes the socket, then the event, each only if still open.
void close_handles();
void close_socket_once();
void close_event_once();

// Ends whatever connection is in use after a call broke off: its handles
// are closed and an opened library is ready again.
void abandon_connection();

// Forgets the whole connection without closing anything (tests start clean).
void reset_connection_for_tests();

}  // namespace vornen
