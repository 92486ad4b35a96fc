#include "setup_port.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "interface.h"
#include "setup_session.h"
#include "socket_io.h"

namespace devsim {
namespace {

constexpr std::string_view kGreeting = "*** devsim setup ***\r\nPress M for the menu\r\n";
constexpr std::string_view kMenu =
    "Setup menu\r\n 0 Network\r\n S Save (S0 then records)\r\n RS Restart\r\nYour choice ? ";
// A peer that goes quiet this long is dropped, so the next one is not locked out.
constexpr int kIdleLimitMs = 30000;
// After "RS" the peer has this long to close before the new address is set.
constexpr int kCloseGraceMs = 1000;

struct Connection {
  UniqueFd fd;
  std::string peer;
  long long received = 0;
  SetupSession session;
  std::optional<SetupTarget> accepted;
  bool reset = false;
};

void send_text(Device& device, Connection& connection, std::string_view text) {
  if (send_all(connection.fd.get(), text, device.stop.get())) {
    log_event(device.log,
              "setup sent " + std::to_string(text.size()) + " bytes " + quoted_text(text));
  }
}

void handle_events(Device& device, const SetupBehaviour& behaviour, Connection& connection,
                   const std::vector<SetupEvent>& events) {
  for (const SetupEvent& event : events) {
    switch (event.kind) {
      case SetupEvent::Kind::menu:
        log_event(device.log, "setup menu requested");
        if (!behaviour.silent && !behaviour.no_menu) send_text(device, connection, kMenu);
        break;
      case SetupEvent::Kind::command:
        log_event(device.log, "setup command " + quoted_text(event.text));
        break;
      case SetupEvent::Kind::record_ok:
        log_event(device.log, "setup record " + event.text + " ok");
        break;
      case SetupEvent::Kind::record_error:
        log_error(device.log, "setup error " + event.text);
        break;
      case SetupEvent::Kind::accepted:
        log_event(device.log, "setup records accepted " + format_ipv4(event.target.address) +
                                  " host-bits " + std::to_string(event.target.host_bits));
        connection.accepted = event.target;
        break;
      case SetupEvent::Kind::rejected:
        log_error(device.log, "setup error records rejected, address kept: " + event.text);
        break;
    }
  }
}

void record_raw(const UniqueFd& raw_log, std::string_view bytes) {
  if (!raw_log.valid()) return;
  while (!bytes.empty()) {
    const ssize_t written = ::write(raw_log.get(), bytes.data(), bytes.size());
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Reads and answers until "RS", the peer closes, or the reset limit is reached.
void converse(Device& device, const SetupBehaviour& behaviour, Connection& connection,
              const UniqueFd& raw_log) {
  if (!behaviour.silent) send_text(device, connection, kGreeting);
  char buffer[4096];
  while (!connection.session.finished) {
    if (behaviour.reset_after >= 0 && connection.received >= behaviour.reset_after) {
      log_event(device.log, "setup reset after " + std::to_string(connection.received) + " bytes");
      reset_connection(connection.fd);
      connection.reset = true;
      return;
    }
    const Wait wait = wait_for(connection.fd.get(), POLLIN, device.stop.get(), kIdleLimitMs);
    if (wait == Wait::timeout) log_event(device.log, "setup idle limit reached");
    if (wait != Wait::ready) return;
    std::size_t want = sizeof buffer;
    if (behaviour.reset_after >= 0) {
      // Bytes past the limit stay unread, so the reset happens exactly there.
      want = std::min(want, static_cast<std::size_t>(behaviour.reset_after - connection.received));
    }
    const ssize_t length = ::recv(connection.fd.get(), buffer, want, 0);
    if (length <= 0) return;
    const std::string_view bytes(buffer, static_cast<std::size_t>(length));
    connection.received += length;
    log_event(device.log, "setup recv " + std::to_string(length) + " bytes " + hex_preview(bytes) +
                              " " + quoted_text(bytes));
    record_raw(raw_log, bytes);
    handle_events(device, behaviour, connection, feed_setup(connection.session, bytes));
  }
}

// Lets the peer close first, so the last segments still reach the old address.
void close_gently(Device& device, Connection& connection) {
  ::shutdown(connection.fd.get(), SHUT_WR);
  char buffer[512];
  while (wait_for(connection.fd.get(), POLLIN, device.stop.get(), kCloseGraceMs) == Wait::ready) {
    if (::recv(connection.fd.get(), buffer, sizeof buffer, 0) <= 0) break;
  }
  connection.fd.reset();
}

void apply(Device& device, const SetupTarget& target) {
  const Ipv4Prefix address{target.address, 32 - target.host_bits};
  const std::string text = format_ipv4(target.address) + " host-bits " +
                           std::to_string(target.host_bits) + " prefix " +
                           std::to_string(address.prefix);
  std::lock_guard lock(device.address_mutex);
  if (const int result = replace_addresses(device.interface, address); result != 0) {
    log_error(device.log, "address set failed " + text + ": " + std::strerror(-result));
  } else {
    log_event(device.log, "address set " + text);
  }
}

}  // namespace

void run_setup_port(Device& device, const SetupBehaviour& behaviour, UniqueFd listener,
                    UniqueFd raw_log) {
  while (wait_for(listener.get(), POLLIN, device.stop.get(), -1) == Wait::ready) {
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    Connection connection;
    connection.fd.reset(
        ::accept4(listener.get(), reinterpret_cast<sockaddr*>(&from), &from_length, SOCK_CLOEXEC));
    if (!connection.fd.valid()) continue;
    connection.peer = endpoint_text(from);
    log_event(device.log, "setup conn from " + connection.peer);
    converse(device, behaviour, connection, raw_log);
    if (!connection.reset) close_gently(device, connection);
    log_event(device.log,
              "setup conn closed total " + std::to_string(connection.received) + " bytes");
    if (connection.accepted) apply(device, *connection.accepted);
  }
}

}  // namespace devsim
