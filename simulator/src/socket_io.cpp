#include "socket_io.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace devsim {

Wait wait_for(int fd, short events, int stop_fd, int timeout_ms) {
  pollfd watched[2] = {{fd, events, 0}, {stop_fd, POLLIN, 0}};
  while (true) {
    const int count = ::poll(watched, 2, timeout_ms);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return Wait::failed;
    if (count == 0) return Wait::timeout;
    if (watched[1].revents != 0) return Wait::stopped;
    return Wait::ready;
  }
}

bool pause_ms(int stop_fd, int ms) {
  pollfd watched{stop_fd, POLLIN, 0};
  const int count = ::poll(&watched, 1, ms);
  return count == 0;
}

bool send_all(int fd, std::string_view bytes, int stop_fd) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (wait_for(fd, POLLOUT, stop_fd, -1) != Wait::ready) return false;
      continue;
    }
    return false;
  }
  return true;
}

void reset_connection(UniqueFd& fd) {
  const linger abort{1, 0};
  ::setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  fd.reset();
}

UniqueFd listen_tcp(unsigned short port) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return fd;
  const int on = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) < 0 ||
      ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 ||
      ::listen(fd.get(), 8) < 0) {
    fd.reset();
  }
  return fd;
}

UniqueFd bind_udp(unsigned short port) {
  UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return fd;
  const int on = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) < 0 ||
      ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) < 0 ||
      ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
    fd.reset();
  }
  return fd;
}

std::string endpoint_text(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace devsim
