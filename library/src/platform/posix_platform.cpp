// POSIX backend. Windows' event objects are modelled by a small record that
// remembers the socket and mask it is bound to; the wait and the enumeration
// ask poll() about the socket, so events pending before the binding are seen.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "arp_by_table.h"
#include "platform.h"
#include "posix_clock.h"

namespace vornen::platform {
namespace {

struct PosixEvent {
  int fd = -1;
  long mask = 0;
  // The connect completion is reported once; after it the socket is no longer
  // watched for writability, or every wait would return at once.
  bool connect_reported = false;
};

PosixEvent* as_event(Event e) { return reinterpret_cast<PosixEvent*>(e); }
int as_fd(Socket s) { return static_cast<int>(s); }

int startup(std::uint16_t requested, std::uint16_t* granted) {
  *granted = requested;
  return 0;
}

void cleanup() {}

Socket open_query_socket() {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return fd < 0 ? kNoSocket : fd;
}

std::uint32_t translate_flags(unsigned int linux_flags) {
  std::uint32_t flags = 0;
  if (linux_flags & IFF_LOOPBACK) flags |= kAdapterLoopback;
  if (linux_flags & IFF_POINTOPOINT) flags |= kAdapterPointToPoint;
  return flags;
}

// A Linux PC often has more than one adapter (a container or virtual-machine
// bridge, Wi-Fi beside Ethernet), where the library alone would answer -15.
// VORNEN_INTERFACE names the one to use: the list then holds only its
// entries, and a name no adapter has leaves the list empty (-14). Read at
// each open, so a program may change it between opens.
const char* chosen_interface() {
  const char* name = std::getenv("VORNEN_INTERFACE");
  return name != nullptr && name[0] != '\0' ? name : nullptr;
}

int list_adapters(Socket, Adapter* out, int* count) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return -1;
  const char* only = chosen_interface();
  int n = 0;
  bool overflow = false;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    if (only != nullptr && std::strcmp(a->ifa_name, only) != 0) continue;
    if (n == kMaxAdapters) {
      overflow = true;
      break;
    }
    sockaddr_in address{};
    sockaddr_in netmask{};
    std::memcpy(&address, a->ifa_addr, sizeof address);
    if (a->ifa_netmask != nullptr) std::memcpy(&netmask, a->ifa_netmask, sizeof netmask);
    out[n].flags = translate_flags(a->ifa_flags);
    out[n].address = address.sin_addr.s_addr;
    out[n].netmask = netmask.sin_addr.s_addr;
    std::memset(out[n].name, 0, sizeof out[n].name);
    std::strncpy(out[n].name, a->ifa_name, sizeof out[n].name - 1);
    ++n;
  }
  ::freeifaddrs(list);
  if (overflow) return -1;
  *count = n;
  return 0;
}

std::uint32_t parse_dotted(const char* text) {
  // inet_aton takes the same shortened and octal/hex forms as inet_addr. As
  // with inet_addr, 255.255.255.255 comes out as the failure value, and the
  // callers hand it on to the resolver, which knows it.
  in_addr a{};
  if (::inet_aton(text, &a) == 0) return kAddressNone;
  return a.s_addr;
}

bool resolve(const char* name, std::uint32_t* address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &result) != 0 || result == nullptr) return false;
  sockaddr_in a{};
  std::memcpy(&a, result->ai_addr, sizeof a);
  *address = a.sin_addr.s_addr;
  ::freeaddrinfo(result);
  return true;
}

void format_dotted(std::uint32_t address, char* out) {
  in_addr a{};
  a.s_addr = address;
  ::inet_ntop(AF_INET, &a, out, 16);
}

Socket open_socket(SocketKind kind) {
  const bool datagram = kind == SocketKind::Datagram;
  int fd = ::socket(AF_INET, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC,
                    datagram ? 0 : IPPROTO_TCP);
  if (fd < 0) return kNoSocket;
  if (datagram) {
    // Discovery sends to the directed broadcast address, which Linux refuses
    // without this permission.
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  }
  return fd;
}

void shutdown_socket(Socket s) { ::shutdown(as_fd(s), SHUT_RDWR); }
void close_socket(Socket s) { ::close(as_fd(s)); }

Event create_event() { return reinterpret_cast<Event>(new (std::nothrow) PosixEvent); }

int event_select(Socket s, Event e, long mask) {
  PosixEvent* ev = as_event(e);
  int flags = ::fcntl(as_fd(s), F_GETFL);
  if (flags < 0 || ::fcntl(as_fd(s), F_SETFL, flags | O_NONBLOCK) != 0) return -1;
  ev->fd = as_fd(s);
  ev->mask = mask;
  return 0;
}

short poll_events_for(const PosixEvent& ev) {
  short events = 0;
  if (ev.mask & (kEventRead | kEventClose)) events |= POLLIN | POLLRDHUP;
  if ((ev.mask & kEventConnect) && !ev.connect_reported) events |= POLLOUT;
  return events;
}

Milliseconds monotonic_ms() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return to_milliseconds(t.tv_sec, t.tv_nsec);
}

// poll() that resumes after a signal with the time left.
int poll_bounded(pollfd* p, int timeout_ms) {
  const Milliseconds deadline = monotonic_ms() + timeout_ms;
  for (;;) {
    int r = ::poll(p, 1, time_left(deadline, monotonic_ms()));
    if (r >= 0 || errno != EINTR) return r;
  }
}

// Linux ends a connect to an address that nobody answers (no ARP reply)
// after about 3 s with "host unreachable". The event model knows no such end:
// only a peer's answer, a refusal included, completes a connect, and silence
// lasts until the wait is over.
bool connect_unanswered(const PosixEvent& ev, short revents) {
  if (!(ev.mask & kEventConnect) || ev.connect_reported || !(revents & POLLERR)) return false;
  int error = 0;
  socklen_t len = sizeof error;
  if (::getsockopt(ev.fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) return false;
  return error == EHOSTUNREACH || error == ENETUNREACH || error == EHOSTDOWN || error == ETIMEDOUT;
}

WaitResult wait_event(Event e, int timeout_ms) {
  PosixEvent* ev = as_event(e);
  if (ev == nullptr || ev->fd < 0) return WaitResult::Failed;
  const int timeout = timeout_ms < 0 ? 0 : timeout_ms;
  const Milliseconds deadline = monotonic_ms() + timeout;
  pollfd p{ev->fd, poll_events_for(*ev), 0};
  int r = poll_bounded(&p, timeout);
  if (r < 0) return WaitResult::Failed;
  if (r == 0) return WaitResult::Timeout;
  if (connect_unanswered(*ev, p.revents)) {
    pollfd none{-1, 0, 0};
    const int left = time_left(deadline, monotonic_ms());
    if (left > 0) poll_bounded(&none, left);
    return WaitResult::Timeout;
  }
  return WaitResult::Signalled;
}

int enum_events(Socket s, Event e, long* flags) {
  PosixEvent* ev = as_event(e);
  if (ev == nullptr || ev->fd != as_fd(s)) return -1;
  pollfd p{ev->fd, poll_events_for(*ev), 0};
  if (::poll(&p, 1, 0) < 0) return -1;
  long found = 0;
  if ((ev->mask & kEventConnect) && !ev->connect_reported &&
      (p.revents & (POLLOUT | POLLERR | POLLHUP))) {
    // A refusal completes the connect as well; the caller decides.
    found |= kEventConnect;
    ev->connect_reported = true;
  } else if (p.revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) {
    int type = 0;
    socklen_t len = sizeof type;
    ::getsockopt(ev->fd, SOL_SOCKET, SO_TYPE, &type, &len);
    if (type == SOCK_DGRAM) {
      if (p.revents & POLLIN) found |= kEventRead;
    } else {
      int pending = 0;
      ::ioctl(ev->fd, FIONREAD, &pending);
      if (pending > 0) {
        found |= kEventRead;
      } else if (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLIN)) {
        // Orderly close or reset with nothing left to read.
        found |= kEventClose;
      }
    }
  }
  *flags = found & ev->mask;
  return 0;
}

void close_event(Event e) { delete as_event(e); }

sockaddr_in make_address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = address;
  return a;
}

int connect_socket(Socket s, std::uint32_t address, std::uint16_t port) {
  sockaddr_in a = make_address(address, port);
  if (::connect(as_fd(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return 0;
  return errno == EINPROGRESS || errno == EWOULDBLOCK ? kWouldBlock : kFailed;
}

int send_bytes(Socket s, const void* data, int length) {
  ssize_t n = ::send(as_fd(s), data, static_cast<size_t>(length), MSG_NOSIGNAL);
  if (n >= 0) return static_cast<int>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : kFailed;
}

int wait_writable(Socket s, int timeout_ms) {
  pollfd p{as_fd(s), POLLOUT, 0};
  int r = poll_bounded(&p, timeout_ms < 0 ? 0 : timeout_ms);
  if (r <= 0) return -1;
  return (p.revents & (POLLERR | POLLHUP | POLLNVAL)) ? -1 : 0;
}

int recv_bytes(Socket s, void* buffer, int capacity) {
  for (;;) {
    ssize_t n = ::recv(as_fd(s), buffer, static_cast<size_t>(capacity < 0 ? 0 : capacity), 0);
    if (n >= 0) return static_cast<int>(n);
    if (errno != EINTR) return kFailed;
  }
}

int send_to(Socket s, const void* data, int length, std::uint32_t address, std::uint16_t port) {
  sockaddr_in a = make_address(address, port);
  ssize_t n = ::sendto(as_fd(s), data, static_cast<size_t>(length), MSG_NOSIGNAL,
                       reinterpret_cast<sockaddr*>(&a), sizeof a);
  if (n >= 0) return static_cast<int>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : kFailed;
}

int bind_any(Socket s, std::uint16_t port) {
  sockaddr_in a = make_address(htonl(INADDR_ANY), port);
  return ::bind(as_fd(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

int recv_from(Socket s, void* buffer, int capacity, std::uint32_t* source) {
  sockaddr_in from{};
  socklen_t len = sizeof from;
  // MSG_TRUNC makes Linux report the datagram's real length, so that a
  // datagram longer than the buffer fails as it does on Windows.
  ssize_t n = ::recvfrom(as_fd(s), buffer, static_cast<size_t>(capacity < 0 ? 0 : capacity),
                         MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &len);
  *source = from.sin_addr.s_addr;
  if (n < 0 || n > capacity) return kFailed;
  return static_cast<int>(n);
}

void sleep_ms(int milliseconds) {
  timespec t{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1'000'000L};
  while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

constexpr Operations kPosix = {
    .startup = startup,
    .cleanup = cleanup,
    .open_query_socket = open_query_socket,
    .list_adapters = list_adapters,
    .parse_dotted = parse_dotted,
    .resolve = resolve,
    .format_dotted = format_dotted,
    .open_socket = open_socket,
    .shutdown = shutdown_socket,
    .close_socket = close_socket,
    .create_event = create_event,
    .event_select = event_select,
    .wait_event = wait_event,
    .enum_events = enum_events,
    .close_event = close_event,
    .connect = connect_socket,
    .send = send_bytes,
    .wait_writable = wait_writable,
    .recv = recv_bytes,
    .send_to = send_to,
    .bind_any = bind_any,
    .recv_from = recv_from,
    .run_arp = run_arp_by_table,
    .sleep_ms = sleep_ms,
};

}  // namespace

const Operations& native() { return kPosix; }

}  // namespace vornen::platform
