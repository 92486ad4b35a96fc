#include "trace.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "neighbours.h"
#include "platform/arp_parameters.h"
#include "text_forms.h"

namespace vornctl {

namespace platform = vornen::platform;

namespace {

using Clock = std::chrono::steady_clock;

// One trace per process: the table entries are plain functions.
const platform::Operations* g_inner = nullptr;
int g_fd = -1;
Clock::time_point g_start;
std::string g_label;

constexpr int kShownBytes = 256;

const platform::Operations& inner() { return *g_inner; }

// One line, written with one write so that the lines of several worker
// processes sharing standard error do not mix.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - g_start).count();
  char line[2048];
  int n = std::snprintf(line, sizeof line, "%10.3f ms %s%s", ms, g_label.c_str(),
                        g_label.empty() ? "" : ": ");
  va_list args;
  va_start(args, format);
  n += std::vsnprintf(line + n, sizeof line - static_cast<std::size_t>(n) - 1, format, args);
  va_end(args);
  if (n > static_cast<int>(sizeof line) - 2) n = static_cast<int>(sizeof line) - 2;
  line[n++] = '\n';
  const int saved = errno;
  ssize_t ignored = ::write(g_fd, line, static_cast<std::size_t>(n));
  (void)ignored;
  errno = saved;
}

std::string dotted(std::uint32_t address) { return ipv4_text(address); }

// Events are handles of the backend's own (pointers on POSIX); the trace
// numbers them 1, 2, ... in the order it first sees them.
long event_number(platform::Event e) {
  static std::vector<platform::Event> seen;
  for (std::size_t i = 0; i < seen.size(); ++i)
    if (seen[i] == e) return static_cast<long>(i) + 1;
  seen.push_back(e);
  return static_cast<long>(seen.size());
}

std::string event_names(long flags) {
  std::string out;
  const struct {
    long bit;
    const char* name;
  } names[] = {{platform::kEventRead, "read"},
               {platform::kEventConnect, "connect"},
               {platform::kEventClose, "close"}};
  for (const auto& n : names) {
    if ((flags & n.bit) == 0) continue;
    if (!out.empty()) out += '|';
    out += n.name;
  }
  return out.empty() ? "none" : out;
}

// What a failed call's errno says, where the backend left one.
std::string why(int saved_errno) {
  return saved_errno != 0 ? std::string(" (") + std::strerror(saved_errno) + ")" : "";
}

int startup(std::uint16_t requested, std::uint16_t* granted) {
  const int r = inner().startup(requested, granted);
  if (r == 0)
    say("socket layer started, asked %d.%d, granted %d.%d", requested & 0xFF, requested >> 8,
        *granted & 0xFF, *granted >> 8);
  else
    say("socket layer start failed: %d", r);
  return r;
}

void cleanup() {
  say("socket layer stopped");
  inner().cleanup();
}

platform::Socket open_query_socket() {
  const platform::Socket s = inner().open_query_socket();
  say("adapter query socket %ld", static_cast<long>(s));
  return s;
}

int list_adapters(platform::Socket query, platform::Adapter* out, int* count) {
  const int r = inner().list_adapters(query, out, count);
  if (r != 0) {
    say("adapter list failed: %d", r);
    return r;
  }
  say("adapter list: %d", *count);
  for (int i = 0; i < *count; ++i) {
    const platform::Adapter& a = out[i];
    say("  adapter %s %s/%d%s%s", a.name[0] != '\0' ? a.name : "-", dotted(a.address).c_str(),
        __builtin_popcount(a.netmask), (a.flags & platform::kAdapterLoopback) ? " loopback" : "",
        (a.flags & platform::kAdapterPointToPoint) ? " point-to-point" : "");
  }
  return r;
}

std::uint32_t parse_dotted(const char* text) { return inner().parse_dotted(text); }

bool resolve(const char* name, std::uint32_t* address) {
  const bool ok = inner().resolve(name, address);
  if (ok)
    say("resolve %s: %s", printable(name).c_str(), dotted(*address).c_str());
  else
    say("resolve %s: unknown", printable(name).c_str());
  return ok;
}

void format_dotted(std::uint32_t address, char* out) { inner().format_dotted(address, out); }

platform::Socket open_socket(platform::SocketKind kind) {
  errno = 0;
  const platform::Socket s = inner().open_socket(kind);
  const int e = errno;
  const char* what = kind == platform::SocketKind::Stream ? "TCP" : "UDP";
  if (s == platform::kNoSocket)
    say("%s socket failed%s", what, why(e).c_str());
  else
    say("%s socket %ld", what, static_cast<long>(s));
  return s;
}

void shutdown_socket(platform::Socket s) {
  say("shutdown socket %ld, both directions", static_cast<long>(s));
  inner().shutdown(s);
}

void close_socket(platform::Socket s) {
  say("close socket %ld", static_cast<long>(s));
  inner().close_socket(s);
}

platform::Event create_event() {
  const platform::Event e = inner().create_event();
  if (e == platform::kNoEvent)
    say("event: failed");
  else
    say("event %ld", event_number(e));
  return e;
}

int event_select(platform::Socket s, platform::Event e, long mask) {
  const int r = inner().event_select(s, e, mask);
  say("event %ld bound to socket %ld for %s%s", event_number(e), static_cast<long>(s),
      event_names(mask).c_str(), r != 0 ? ": failed" : "");
  return r;
}

platform::WaitResult wait_event(platform::Event e, int timeout_ms) {
  const auto start = Clock::now();
  const platform::WaitResult r = inner().wait_event(e, timeout_ms);
  const double waited = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  const char* outcome = r == platform::WaitResult::Signalled ? "signalled"
                        : r == platform::WaitResult::Timeout ? "timed out"
                                                             : "failed";
  say("wait on event %ld (up to %d ms): %s after %.1f ms", event_number(e), timeout_ms, outcome,
      waited);
  return r;
}

int enum_events(platform::Socket s, platform::Event e, long* flags) {
  const int r = inner().enum_events(s, e, flags);
  if (r == 0)
    say("events on socket %ld: %s", static_cast<long>(s), event_names(*flags).c_str());
  else
    say("events on socket %ld: could not be read", static_cast<long>(s));
  return r;
}

void close_event(platform::Event e) {
  say("close event %ld", event_number(e));
  inner().close_event(e);
}

int connect_socket(platform::Socket s, std::uint32_t address, std::uint16_t port) {
  errno = 0;
  const int r = inner().connect(s, address, port);
  const int e = errno;
  say("connect socket %ld to %s:%u: %s%s", static_cast<long>(s), dotted(address).c_str(), port,
      r == 0                       ? "done"
      : r == platform::kWouldBlock ? "under way"
                                   : "failed",
      r == platform::kFailed ? why(e).c_str() : "");
  return r;
}

int send_bytes(platform::Socket s, const void* data, int length) {
  errno = 0;
  const int r = inner().send(s, data, length);
  const int e = errno;
  if (r >= 0)
    say("send on socket %ld: %s", static_cast<long>(s), traced_bytes(data, r).c_str());
  else
    say("send on socket %ld of %d bytes: %s%s", static_cast<long>(s), length,
        r == platform::kWouldBlock ? "would block" : "failed", why(e).c_str());
  return r;
}

int wait_writable(platform::Socket s, int timeout_ms) {
  const int r = inner().wait_writable(s, timeout_ms);
  say("wait until socket %ld takes more (up to %d ms): %s", static_cast<long>(s), timeout_ms,
      r == 0 ? "ready" : "timed out or failed");
  return r;
}

int recv_bytes(platform::Socket s, void* buffer, int capacity) {
  errno = 0;
  const int r = inner().recv(s, buffer, capacity);
  const int e = errno;
  if (r > 0)
    say("recv on socket %ld: %s", static_cast<long>(s), traced_bytes(buffer, r).c_str());
  else if (r == 0)
    say("recv on socket %ld: 0 bytes, the peer closed", static_cast<long>(s));
  else
    say("recv on socket %ld: failed%s", static_cast<long>(s), why(e).c_str());
  return r;
}

int send_to(platform::Socket s, const void* data, int length, std::uint32_t address,
            std::uint16_t port) {
  errno = 0;
  const int r = inner().send_to(s, data, length, address, port);
  const int e = errno;
  if (r >= 0)
    say("datagram to %s:%u: %s", dotted(address).c_str(), port, traced_bytes(data, r).c_str());
  else
    say("datagram to %s:%u of %d bytes: failed%s", dotted(address).c_str(), port, length,
        why(e).c_str());
  return r;
}

int bind_any(platform::Socket s, std::uint16_t port) {
  const int r = inner().bind_any(s, port);
  say("bind socket %ld to port %u: %s", static_cast<long>(s), port, r == 0 ? "done" : "failed");
  return r;
}

int recv_from(platform::Socket s, void* buffer, int capacity, std::uint32_t* source) {
  errno = 0;
  const int r = inner().recv_from(s, buffer, capacity, source);
  const int e = errno;
  if (r >= 0)
    say("datagram from %s: %s", dotted(*source).c_str(), traced_bytes(buffer, r).c_str());
  else
    say("datagram on socket %ld: failed%s", static_cast<long>(s), why(e).c_str());
  return r;
}

void run_arp(const char* parameters) {
  inner().run_arp(parameters);
  platform::ArpEntry entry{};
  if (!platform::parse_arp_parameters(parameters, inner().parse_dotted, &entry)) {
    say("neighbour entry from \"arp %s\": not an entry", printable(parameters).c_str());
    return;
  }
  // The backend does not report the outcome; the table itself says it.
  if (const auto now = permanent_entry(read_neighbours(), entry.address, entry.mac))
    say("neighbour entry written (\"arp %s\"): %s", printable(parameters).c_str(),
        neighbour_text(*now).c_str());
  else
    say("neighbour entry %s lladdr %s (\"arp %s\"): not in the table afterwards",
        dotted(entry.address).c_str(), mac_text_lower(entry.mac).c_str(),
        printable(parameters).c_str());
}

void sleep_ms(int milliseconds) {
  say("pause %d ms", milliseconds);
  inner().sleep_ms(milliseconds);
}

constexpr platform::Operations kTraced = {
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
    .run_arp = run_arp,
    .sleep_ms = sleep_ms,
};

}  // namespace

std::string traced_bytes(const void* data, int length) {
  const auto* bytes = static_cast<const char*>(data);
  const int shown = length < kShownBytes ? length : kShownBytes;
  const std::string part(bytes, static_cast<std::size_t>(shown));
  const std::string text = escaped_bytes(part, true);
  const char* more = shown < length ? "..." : "";
  return std::to_string(length) + (length == 1 ? " byte " : " bytes ") + hex_text(part) + more +
         " \"" + text + "\"" + more;
}

Trace::Trace(int fd) {
  g_inner = &platform::ops();
  g_fd = fd;
  g_start = Clock::now();
  platform::use(&kTraced);
}

Trace::~Trace() {
  platform::use(g_inner);
  g_inner = nullptr;
}

void Trace::set_label(const std::string& label) { g_label = label; }

}  // namespace vornctl
