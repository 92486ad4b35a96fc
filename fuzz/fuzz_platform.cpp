#include "fuzz_platform.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace vornen::fuzz {
namespace {

struct World {
  Script script;
  Record record;
  std::set<platform::Socket> sockets;
  std::set<platform::Event> events;
  platform::Socket next_socket = 100;
  platform::Event next_event = 1000;
  bool connecting = false;  // a connect is under way: its wait and events come next
};

World g_world;

Script& s() { return g_world.script; }
Record& rec() { return g_world.record; }

void unexpected(const char* call) {
  std::fprintf(stderr, "fuzz platform: unexpected call %s\n", call);
  std::abort();
}

void socket_in_use(platform::Socket socket, const char* call) {
  if (g_world.sockets.count(socket) == 0) {
    std::fprintf(stderr, "fuzz platform: %s on socket %ld, which is not open\n", call,
                 static_cast<long>(socket));
    std::abort();
  }
}

void event_in_use(platform::Event event, const char* call) {
  if (g_world.events.count(event) == 0) {
    std::fprintf(stderr, "fuzz platform: %s on event %ld, which is not open\n", call,
                 static_cast<long>(event));
    std::abort();
  }
}

Arrival* front() { return s().arrivals.empty() ? nullptr : &s().arrivals.front(); }
void drop_front() { s().arrivals.pop_front(); }

int startup(std::uint16_t, std::uint16_t*) {
  unexpected("startup");
  return -1;
}
void cleanup() { unexpected("cleanup"); }
platform::Socket open_query_socket() {
  unexpected("open_query_socket");
  return platform::kNoSocket;
}
int list_adapters(platform::Socket, platform::Adapter*, int*) {
  unexpected("list_adapters");
  return -1;
}

std::uint32_t parse_dotted(const char* text) {
  ++rec().parse_calls;
  rec().last_name = text;
  in_addr a{};
  return ::inet_aton(text, &a) == 0 ? platform::kAddressNone : a.s_addr;
}

bool resolve(const char* name, std::uint32_t* address) {
  ++rec().resolve_calls;
  rec().last_name = name;
  if (s().fail == Fail::Resolve) return false;
  in_addr a{};
  if (::inet_aton(name, &a) != 0) {
    *address = a.s_addr;
    return true;
  }
  if (!s().resolves) return false;
  *address = 0x0D0C0B0Au;  // 10.11.12.13
  return true;
}

void format_dotted(std::uint32_t address, char* out) {
  in_addr a{};
  a.s_addr = address;
  ::inet_ntop(AF_INET, &a, out, 16);
}

platform::Socket open_socket(platform::SocketKind) {
  if (s().fail == Fail::Socket) return platform::kNoSocket;
  ++rec().sockets_made;
  g_world.sockets.insert(g_world.next_socket);
  return g_world.next_socket++;
}

void shutdown_socket(platform::Socket socket) { socket_in_use(socket, "shutdown"); }

void close_socket(platform::Socket socket) {
  socket_in_use(socket, "close_socket");
  g_world.sockets.erase(socket);
}

platform::Event create_event() {
  if (s().fail == Fail::Event) return platform::kNoEvent;
  ++rec().events_made;
  g_world.events.insert(g_world.next_event);
  return g_world.next_event++;
}

int event_select(platform::Socket socket, platform::Event event, long mask) {
  socket_in_use(socket, "event_select");
  event_in_use(event, "event_select");
  if ((mask & platform::kEventConnect) != 0) return s().fail == Fail::Select ? -1 : 0;
  // A datagram receive binds the event anew each time.
  Arrival* a = front();
  if (a != nullptr && a->select_fails) {
    drop_front();
    return -1;
  }
  return 0;
}

platform::WaitResult wait_event(platform::Event event, int) {
  event_in_use(event, "wait_event");
  if (g_world.connecting) {
    if (s().fail == Fail::ConnectTimeout) return platform::WaitResult::Timeout;
    return s().connect_wait_fails ? platform::WaitResult::Failed : platform::WaitResult::Signalled;
  }
  Arrival* a = front();
  if (a == nullptr) return platform::WaitResult::Timeout;
  const platform::WaitResult w = a->wait;
  if (w == platform::WaitResult::Timeout) drop_front();
  return w;
}

int enum_events(platform::Socket socket, platform::Event event, long* flags) {
  socket_in_use(socket, "enum_events");
  event_in_use(event, "enum_events");
  if (g_world.connecting) {
    g_world.connecting = false;
    if (s().fail == Fail::ConnectEnum) return -1;
    *flags =
        s().fail == Fail::ConnectWithoutEvent ? platform::kEventClose : platform::kEventConnect;
    return 0;
  }
  Arrival* a = front();
  if (a == nullptr) {
    *flags = 0;
    return 0;
  }
  if (a->enum_fails) {
    drop_front();
    return -1;
  }
  *flags = a->flags;
  // Events without a read are used up by reading them.
  if ((a->flags & platform::kEventRead) == 0) drop_front();
  return 0;
}

void close_event(platform::Event event) {
  event_in_use(event, "close_event");
  g_world.events.erase(event);
}

int connect_socket(platform::Socket socket, std::uint32_t, std::uint16_t) {
  socket_in_use(socket, "connect");
  if (s().fail == Fail::Connect) return platform::kFailed;
  g_world.connecting = true;
  return s().connect_at_once ? 0 : platform::kWouldBlock;
}

int send_bytes(platform::Socket socket, const void* data, int length) {
  socket_in_use(socket, "send");
  if (s().fail == Fail::Send) return platform::kFailed;
  if (s().fail == Fail::SendStuck) return platform::kWouldBlock;
  const int taken = s().send_chunk > 0 ? std::min(s().send_chunk, length) : length;
  if (taken > 0) rec().sent.append(static_cast<const char*>(data), static_cast<std::size_t>(taken));
  return taken;
}

int wait_writable(platform::Socket socket, int) {
  socket_in_use(socket, "wait_writable");
  return s().fail == Fail::SendStuck ? -1 : 0;
}

int recv_bytes(platform::Socket socket, void* buffer, int capacity) {
  socket_in_use(socket, "recv");
  ++rec().reads;
  Arrival* a = front();
  if (a == nullptr) return platform::kFailed;  // nothing pending on a non-blocking socket
  if (a->read_fails) {
    drop_front();
    return platform::kFailed;
  }
  if (a->bytes.empty()) {
    drop_front();
    return 0;
  }
  // A stream: what does not fit stays for the next read.
  const int n = std::min(std::max(capacity, 0), static_cast<int>(a->bytes.size()));
  std::memcpy(buffer, a->bytes.data(), static_cast<std::size_t>(n));
  a->bytes.erase(0, static_cast<std::size_t>(n));
  if (a->bytes.empty()) drop_front();
  return n;
}

int send_to(platform::Socket socket, const void* data, int length, std::uint32_t address,
            std::uint16_t port) {
  socket_in_use(socket, "send_to");
  rec().sent.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
  rec().sent_to = address;
  rec().sent_port = port;
  switch (s().fail) {
    case Fail::SendTo:
      return platform::kFailed;
    case Fail::SendToWouldBlock:
      return platform::kWouldBlock;
    case Fail::SendToShort:
      return length - 1;
    default:
      return length;
  }
}

int bind_any(platform::Socket socket, std::uint16_t) {
  socket_in_use(socket, "bind_any");
  return -1;  // the send gave the socket its port already
}

int recv_from(platform::Socket socket, void* buffer, int capacity, std::uint32_t* source) {
  socket_in_use(socket, "recv_from");
  ++rec().reads;
  Arrival* a = front();
  if (a == nullptr) return platform::kFailed;
  const Arrival got = *a;
  drop_front();
  if (got.read_fails) return platform::kFailed;
  *source = got.source;
  if (static_cast<int>(got.bytes.size()) > capacity) return platform::kFailed;
  std::memcpy(buffer, got.bytes.data(), got.bytes.size());
  return static_cast<int>(got.bytes.size());
}

void run_arp(const char*) { unexpected("run_arp"); }

void sleep_ms(int) {}

constexpr platform::Operations kTable = {
    startup,       cleanup,     open_query_socket, list_adapters,  parse_dotted, resolve,
    format_dotted, open_socket, shutdown_socket,   close_socket,   create_event, event_select,
    wait_event,    enum_events, close_event,       connect_socket, send_bytes,   wait_writable,
    recv_bytes,    send_to,     bind_any,          recv_from,      run_arp,      sleep_ms,
};

}  // namespace

void install() { platform::use(&kTable); }

void start(Script script) {
  // Handles of an earlier run were checked by its target; start afresh.
  g_world = World{};
  g_world.script = std::move(script);
}

const Script& script() { return g_world.script; }

const Record& record() {
  g_world.record.open_handles = static_cast<int>(g_world.sockets.size() + g_world.events.size());
  return g_world.record;
}

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace vornen::fuzz
