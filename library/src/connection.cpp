#include "connection.h"

namespace vornen {
namespace {
Connection g_connection;
int g_wait_ms = kDefaultWaitMs;
}  // namespace

Connection& connection() { return g_connection; }

unsigned char* reply_buffer() {
  // Zero-initialised static storage: no allocation, no work at load or unload,
  // and pages are only mapped in when a reply first uses them.
  static unsigned char buffer[kReplyBufferSize];
  return buffer;
}

int wait_timeout_ms() { return g_wait_ms; }
void set_wait_timeout_ms(int milliseconds) { g_wait_ms = milliseconds; }

void close_socket_once() {
  if (g_connection.socket_open) {
    platform::ops().close_socket(g_connection.socket);
    g_connection.socket_open = false;
    g_connection.socket = platform::kNoSocket;
  }
}

void close_event_once() {
  if (g_connection.event_open) {
    platform::ops().close_event(g_connection.event);
    g_connection.event_open = false;
    g_connection.event = platform::kNoEvent;
  }
}

void close_handles() {
  close_socket_once();
  close_event_once();
}

void abandon_connection() {
  close_handles();
  if (g_connection.state != kClosed) g_connection.state = kReady;
}

void reset_connection_for_tests() {
  g_connection = Connection{};
  g_wait_ms = kDefaultWaitMs;
}

}  // namespace vornen
