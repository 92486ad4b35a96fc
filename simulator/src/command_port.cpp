#include "command_port.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "socket_io.h"

namespace devsim {
namespace {

using Clock = std::chrono::steady_clock;

struct Connection {
  UniqueFd fd;
  std::string inbox;  // received, not yet taken by a receive step
  std::string line;   // what the last receive step took; \L in texts
  long long total = 0;
  std::uint64_t hash = kFnvOffset;
  bool peer_closed = false;
  bool broken = false;  // reset by the peer, or the device is stopping
  Clock::time_point last_input = Clock::now();
};

bool alive(const Connection& connection) { return connection.fd.valid() && !connection.broken; }

// Reads whatever is there without blocking.
void read_available(Device& device, Connection& connection) {
  char buffer[65536];
  while (!connection.peer_closed) {
    const ssize_t length = ::recv(connection.fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (length == 0) {
      connection.peer_closed = true;
      log_event(device.log, "command peer closed");
    } else if (length < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        connection.broken = true;
        log_event(device.log, "command recv failed: " + std::string(std::strerror(errno)));
      }
      return;
    } else {
      const std::string_view bytes(buffer, static_cast<std::size_t>(length));
      connection.inbox += bytes;
      connection.total += length;
      connection.hash = fnv1a64(connection.hash, bytes);
      connection.last_input = Clock::now();
      log_event(device.log,
                "command recv " + std::to_string(length) + " bytes " + hex_preview(bytes));
    }
  }
}

int remaining_ms(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// Waits for input until `deadline` (or without limit), reading all that arrives.
// False when the wait ended because the connection or the device is done.
bool pump(Device& device, Connection& connection, std::optional<Clock::time_point> deadline) {
  if (connection.peer_closed) {
    // Nothing more can arrive; only the time still passes.
    if (!deadline) return false;
    if (!pause_ms(device.stop.get(), remaining_ms(*deadline))) connection.broken = true;
    return alive(connection);
  }
  const int timeout = deadline ? remaining_ms(*deadline) : -1;
  const Wait wait = wait_for(connection.fd.get(), POLLIN, device.stop.get(), timeout);
  if (wait == Wait::ready) read_available(device, connection);
  if (wait == Wait::stopped || wait == Wait::failed) connection.broken = true;
  return alive(connection);
}

void wait_until(Device& device, Connection& connection, Clock::time_point deadline) {
  while (alive(connection) && Clock::now() < deadline) {
    if (!pump(device, connection, deadline)) return;
  }
}

// Sends everything while still reading, so a peer that writes while we write never stalls us.
bool send_reading(Device& device, Connection& connection, std::string_view bytes) {
  while (!bytes.empty() && alive(connection)) {
    const ssize_t sent =
        ::send(connection.fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      log_event(device.log, "command send failed: " + std::string(std::strerror(errno)));
      connection.broken = true;
      return false;
    }
    const auto events = static_cast<short>(POLLOUT | (connection.peer_closed ? 0 : POLLIN));
    pollfd watched[2] = {{connection.fd.get(), events, 0}, {device.stop.get(), POLLIN, 0}};
    if (::poll(watched, 2, -1) < 0 && errno != EINTR) connection.broken = true;
    if (watched[1].revents != 0) connection.broken = true;
    if ((watched[0].revents & POLLIN) != 0) read_available(device, connection);
  }
  return bytes.empty();
}

bool receive(Device& device, Connection& connection, const CommandStep& step) {
  while (alive(connection)) {
    const bool idle =
        step.kind == StepKind::recv_idle &&
        Clock::now() - connection.last_input >= std::chrono::milliseconds(step.number);
    if (auto taken = take_input(step, connection.inbox, idle)) {
      connection.line = std::move(*taken);
      return true;
    }
    if (connection.peer_closed) return false;
    std::optional<Clock::time_point> deadline;
    if (step.kind == StepKind::recv_idle && !connection.inbox.empty()) {
      deadline = connection.last_input + std::chrono::milliseconds(step.number);
    }
    pump(device, connection, deadline);
  }
  return false;
}

void send_step(Device& device, Connection& connection, const CommandStep& step) {
  const std::string bytes = expand_text(step.text, connection.line).value_or("");
  if (send_reading(device, connection, bytes)) {
    log_event(device.log,
              "command sent " + std::to_string(bytes.size()) + " bytes " + hex_preview(bytes));
  }
}

void trickle_step(Device& device, Connection& connection, const CommandStep& step) {
  const std::string bytes = expand_text(step.text, connection.line).value_or("");
  for (std::size_t i = 0; i < bytes.size() && alive(connection); ++i) {
    if (i > 0)
      wait_until(device, connection, Clock::now() + std::chrono::milliseconds(step.number));
    if (!send_reading(device, connection, std::string_view(bytes).substr(i, 1))) return;
  }
  if (alive(connection)) {
    log_event(device.log,
              "command trickled " + std::to_string(bytes.size()) + " bytes " + hex_preview(bytes));
  }
}

void large_step(Device& device, Connection& connection, const CommandStep& step) {
  // A whole number of pattern rounds, so every chunk starts with "A".
  constexpr std::size_t kChunk = 26 * 2520;
  const std::string chunk = large_pattern(0, kChunk);
  const auto length = static_cast<std::size_t>(step.number);
  for (std::size_t sent = 0; sent < length;) {
    const std::size_t piece = std::min(kChunk, length - sent);
    if (!send_reading(device, connection, std::string_view(chunk).substr(0, piece))) return;
    sent += piece;
  }
  if (send_reading(device, connection, "\r")) {
    log_event(device.log, "command sent large " + std::to_string(length) + " bytes and CR");
  }
}

void hold(Device& device, Connection& connection) {
  while (alive(connection) && pump(device, connection, std::nullopt)) {
  }
}

void run_script(Device& device, Connection& connection, const std::vector<CommandStep>& steps) {
  for (std::size_t at = 0; at < steps.size() && alive(connection); ++at) {
    const CommandStep& step = steps[at];
    switch (step.kind) {
      case StepKind::recv_line:
      case StepKind::recv_bytes:
      case StepKind::recv_idle:
        if (!receive(device, connection, step)) return;
        break;
      case StepKind::send:
        send_step(device, connection, step);
        break;
      case StepKind::trickle:
        trickle_step(device, connection, step);
        break;
      case StepKind::sleep:
        wait_until(device, connection, Clock::now() + std::chrono::milliseconds(step.number));
        break;
      case StepKind::large:
        large_step(device, connection, step);
        break;
      case StepKind::close:
        log_event(device.log, "command close");
        ::shutdown(connection.fd.get(), SHUT_WR);
        hold(device, connection);
        return;
      case StepKind::reset:
        log_event(device.log, "command reset");
        reset_connection(connection.fd);
        return;
      case StepKind::hold:
        hold(device, connection);
        return;
      case StepKind::repeat:
        at = static_cast<std::size_t>(-1);  // the loop's ++at starts again at 0
        break;
    }
  }
  // A script that runs out keeps the connection and counts what still arrives.
  hold(device, connection);
}

}  // namespace

std::string large_pattern(std::size_t offset, std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>('A' + (offset + i) % 26);
  return bytes;
}

void run_command_port(Device& device, const std::vector<CommandStep>& steps, UniqueFd listener) {
  while (wait_for(listener.get(), POLLIN, device.stop.get(), -1) == Wait::ready) {
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    Connection connection;
    connection.fd.reset(
        ::accept4(listener.get(), reinterpret_cast<sockaddr*>(&from), &from_length, SOCK_CLOEXEC));
    if (!connection.fd.valid()) continue;
    log_event(device.log, "command conn from " + endpoint_text(from));
    run_script(device, connection, steps);
    connection.fd.reset();
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llX", static_cast<unsigned long long>(connection.hash));
    log_event(device.log, "command conn closed total " + std::to_string(connection.total) +
                              " bytes fnv1a64 " + hash);
  }
}

}  // namespace devsim
