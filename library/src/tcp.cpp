#include "tcp.h"

#include "VornEN.h"
#include "connection.h"
#include "platform/platform.h"

namespace vornen {

namespace {
constexpr int kConnectPauseMs = 20;
}

bool host_address(const char* host, std::uint32_t* address) {
  const auto& os = platform::ops();
  *address = os.parse_dotted(host);
  if (*address != platform::kAddressNone) return true;
  return os.resolve(host, address);
}

int tcp_connect(const char* host, int port) {
  Connection& c = connection();
  if (c.state != kReady) return ERR_ILLEGALSTATE_ONCONNECTION;
  const auto& os = platform::ops();
  std::uint32_t address = 0;
  if (!host_address(host, &address)) return ERR_GETHOSTBYNAME;

  platform::Socket s = os.open_socket(platform::SocketKind::Stream);
  if (s == platform::kNoSocket) return ERR_SOCKET;
  c.socket = s;
  c.socket_open = true;
  platform::Event e = os.create_event();
  if (e == platform::kNoEvent) {
    close_handles();
    return ERR_WSACREATEEVENT;
  }
  c.event = e;
  c.event_open = true;
  if (os.event_select(
          s, e, platform::kEventRead | platform::kEventConnect | platform::kEventClose) != 0) {
    close_handles();
    return ERR_EVENTSELECT;
  }
  if (os.connect(s, address, static_cast<std::uint16_t>(port)) == platform::kFailed) {
    close_handles();
    return ERR_CONNECT;
  }
  os.sleep_ms(kConnectPauseMs);
  if (os.wait_event(e, wait_timeout_ms()) == platform::WaitResult::Timeout) {
    close_handles();
    return ERR_TIMEOUT_ONCONNECTION;
  }
  long events = 0;
  if (os.enum_events(s, e, &events) != 0) {
    close_handles();
    return ERR_NETWORKEVENT_ONCONNECTION;
  }
  // A refusal completes the connect as well; the error it carries is not
  // looked at, the dialogue that follows finds out.
  if ((events & platform::kEventConnect) == 0) {
    close_handles();
    return ERR_UNEXPECTEDEVENT_ONCONNECTION;
  }
  c.state = kTcpConnected;
  return 0;
}

int tcp_send(const void* data, int length) {
  Connection& c = connection();
  if (c.state != kTcpConnected) return ERR_ILLEGALSTATE_ONWRITE;
  const auto& os = platform::ops();
  const auto* bytes = static_cast<const unsigned char*>(data);
  bool failed = !c.socket_open || (bytes == nullptr && length > 0);
  int sent = 0;
  // A send the socket takes only in part goes on with the rest, so that no
  // byte is lost; a socket that takes nothing within the wait fails the send.
  while (!failed && sent < length) {
    int n = os.send(c.socket, bytes + sent, length - sent);
    if (n > 0) {
      sent += n;
    } else if (n == platform::kFailed || os.wait_writable(c.socket, wait_timeout_ms()) != 0) {
      failed = true;
    }
  }
  if (failed) {
    close_handles();
    c.state = kReady;
    return ERR_SENDERR;
  }
  return 0;
}

int tcp_receive(void* buffer, std::int32_t* size) {
  Connection& c = connection();
  if (c.state != kTcpConnected) return ERR_ILLEGALSTATE_ONREAD;
  // Between a failed receive and the release there is nothing left to read.
  if (!c.socket_open || !c.event_open) {
    close_handles();
    return ERR_RECVFAIL;
  }
  const auto& os = platform::ops();
  if (os.wait_event(c.event, wait_timeout_ms()) == platform::WaitResult::Timeout) {
    close_handles();
    return ERR_TIMEOUT_ONREAD;
  }
  long events = 0;
  if (os.enum_events(c.socket, c.event, &events) != 0) {
    close_handles();
    return ERR_NETWORKEVENT_ONREAD;
  }
  if ((events & platform::kEventRead) == 0) {
    close_handles();
    return ERR_UNEXPECTEDEVENT_ONREAD;
  }
  int n = os.recv(c.socket, buffer, *size);
  if (n < 0) {
    close_handles();
    return ERR_RECVFAIL;
  }
  *size = n;
  return 0;
}

int tcp_release() {
  Connection& c = connection();
  if (c.state != kTcpConnected) return ERR_ILLEGALSTATE_ONRELSEASE;
  c.state = kReady;
  if (c.socket_open) platform::ops().shutdown(c.socket);
  close_handles();
  return 0;
}

}  // namespace vornen
