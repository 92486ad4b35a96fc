#include "udp.h"

#include <cstring>

#include "VornEN.h"
#include "connection.h"
#include "platform/platform.h"

namespace vornen {

int udp_send(const char* target, int port, const void* data, int length) {
  Connection& c = connection();
  if (c.state != kReady) return ERR_UDP_ILLEGALSTATE_ONSEND;
  const auto& os = platform::ops();
  c.udp_port = port;
  // The target goes straight to the resolver, which takes dotted text too.
  std::uint32_t address = 0;
  if (target == nullptr || !os.resolve(target, &address)) return ERR_GETHOSTBYNAME;

  platform::Socket s = os.open_socket(platform::SocketKind::Datagram);
  if (s == platform::kNoSocket) return ERR_UDP_SOCKET;
  c.socket = s;
  c.socket_open = true;
  platform::Event e = os.create_event();
  if (e == platform::kNoEvent) {
    close_handles();
    return ERR_WSACREATEEVENT;
  }
  c.event = e;
  c.event_open = true;
  int n = os.send_to(s, data, length, address, static_cast<std::uint16_t>(port));
  if (n == platform::kFailed) {
    close_handles();
    return ERR_UDP_SENDTO;
  }
  if (n != length) {
    close_handles();
    return ERR_UDP_CANNOTSENDFULLDATA;
  }
  c.state = kUdpPending;
  return 0;
}

int udp_receive(void* buffer, int capacity, int expected, char sender[kSenderTextSize]) {
  Connection& c = connection();
  if (c.state != kUdpPending) return ERR_UDP_ILLEGALSTATE_ONRECEIVE;
  const auto& os = platform::ops();
  if (!c.socket_open || !c.event_open ||
      os.event_select(c.socket, c.event, platform::kEventRead) != 0) {
    close_handles();
    return ERR_EVENTSELECT;
  }
  // The socket already has the port the send gave it, so this bind is
  // refused; replies come back to that port. Its outcome is not looked at.
  (void)os.bind_any(c.socket, static_cast<std::uint16_t>(c.udp_port));
  if (os.wait_event(c.event, wait_timeout_ms()) == platform::WaitResult::Timeout) {
    return ERR_UDP_TIMEOUT_ONREAD;
  }
  int result = 0;
  long events = 0;
  if (os.enum_events(c.socket, c.event, &events) != 0) {
    result = ERR_NETWORKEVENT_ONREAD;
  } else if ((events & platform::kEventRead) == 0) {
    result = ERR_UDP_UNEXPECTEDEVENT_ONREAD;
  } else {
    std::uint32_t source = 0;
    int n = os.recv_from(c.socket, buffer, capacity, &source);
    char text[kSenderTextSize] = {};
    os.format_dotted(source, text);
    std::memcpy(sender, text, kSenderTextSize);
    if (n <= 0) {
      result = ERR_UDP_RECV;
    } else if (n != expected) {
      result = ERR_UDP_ILLEGAL_RECV_DATA_BYTE;
    } else {
      return 0;
    }
  }
  close_event_once();
  close_socket_once();
  return result;
}

int udp_end() {
  Connection& c = connection();
  if (c.state != kUdpPending) return ERR_UDP_ILLEGALSTATE_ONEND;
  c.state = kReady;
  close_event_once();
  close_socket_once();
  return 0;
}

}  // namespace vornen
