#include "connection.h"

#include <memory>

namespace vornen {
namespace {
Connection g_connection;
int g_wait_ms = kDefaultWaitMs;
}  // namespace

Connection& connection() { return g_connection; }

unsigned char* reply_buffer() {
  // Static storage: nothing is allocated per call and nothing at load.
  static std::unique_ptr<unsigned char[]> buffer(new unsigned char[kReplyBufferSize]);
  return buffer.get();
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

void reset_connection_for_tests() {
  g_connection = Connection{};
  g_wait_ms = kDefaultWaitMs;
}

}  // namespace vornen
