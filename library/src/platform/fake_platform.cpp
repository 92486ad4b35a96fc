#include "fake_platform.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace vornen::fake {
namespace {

Fake* g_fake = nullptr;

Fake& fake() { return *g_fake; }

int startup(std::uint16_t, std::uint16_t* granted) {
  Step* s = fake().next(Call::Startup);
  if (s == nullptr) return -1;
  if (s->result == 0) {
    *granted = s->granted;
    fake().started();
  }
  return s->result;
}

void cleanup() {
  fake().note("cleanup");
  fake().cleaned();
}

platform::Socket open_query_socket() {
  Step* s = fake().next(Call::OpenQuerySocket);
  if (s == nullptr || s->fail) return platform::kNoSocket;
  return fake().new_socket();
}

int list_adapters(platform::Socket query, platform::Adapter* out, int* count) {
  fake().using_socket(query, "list_adapters");
  Step* s = fake().next(Call::ListAdapters);
  if (s == nullptr) return -1;
  if (s->result != 0) return s->result;
  // The area holds 20 entries; a longer list fails the query as on Windows.
  if (s->adapters.size() > platform::kMaxAdapters) return -1;
  std::copy(s->adapters.begin(), s->adapters.end(), out);
  *count = static_cast<int>(s->adapters.size());
  return 0;
}

std::uint32_t parse_dotted(const char* text) {
  fake().parsed();
  in_addr a{};
  return ::inet_aton(text, &a) == 0 ? platform::kAddressNone : a.s_addr;
}

bool resolve(const char* name, std::uint32_t* address) {
  fake().note(std::string("resolve ") + name);
  return fake().resolve(name, address);
}

void format_dotted(std::uint32_t address, char* out) {
  in_addr a{};
  a.s_addr = address;
  ::inet_ntop(AF_INET, &a, out, 16);
}

platform::Socket open_socket(platform::SocketKind kind) {
  Step* s = fake().next(Call::OpenSocket);
  if (s == nullptr || s->fail) return platform::kNoSocket;
  fake().note(kind == platform::SocketKind::Stream ? "socket stream" : "socket datagram");
  return fake().new_socket();
}

void shutdown_socket(platform::Socket s) {
  fake().using_socket(s, "shutdown");
  fake().note("shutdown " + std::to_string(s));
}
void close_socket(platform::Socket s) { fake().close_socket(s); }

platform::Event create_event() {
  Step* s = fake().next(Call::CreateEvent);
  if (s == nullptr || s->fail) return platform::kNoEvent;
  return fake().new_event();
}

int event_select(platform::Socket socket, platform::Event event, long mask) {
  fake().using_socket(socket, "event_select");
  fake().using_event(event, "event_select");
  Step* s = fake().next(Call::EventSelect);
  fake().note("event_select mask " + std::to_string(mask));
  return s == nullptr ? -1 : s->result;
}

platform::WaitResult wait_event(platform::Event event, int timeout_ms) {
  fake().using_event(event, "wait_event");
  Step* s = fake().next(Call::WaitEvent);
  fake().note("wait " + std::to_string(timeout_ms));
  return s == nullptr ? platform::WaitResult::Failed : s->wait;
}

int enum_events(platform::Socket socket, platform::Event event, long* flags) {
  fake().using_socket(socket, "enum_events");
  fake().using_event(event, "enum_events");
  Step* s = fake().next(Call::EnumEvents);
  if (s == nullptr) return -1;
  if (s->result == 0) *flags = s->flags;
  return s->result;
}

void close_event(platform::Event e) { fake().close_event(e); }

int connect_socket(platform::Socket socket, std::uint32_t address, std::uint16_t port) {
  fake().using_socket(socket, "connect");
  Step* s = fake().next(Call::Connect);
  char text[16];
  format_dotted(address, text);
  fake().note(std::string("connect ") + text + ":" + std::to_string(port));
  return s == nullptr ? platform::kFailed : s->result;
}

int send_bytes(platform::Socket socket, const void* data, int length) {
  fake().using_socket(socket, "send");
  Step* s = fake().next(Call::Send);
  if (s == nullptr) return platform::kFailed;
  // A step's result is the count taken; 0 in the script means "all of it".
  int taken = s->result == 0 ? length : s->result;
  if (taken > 0) fake().record_send(data, std::min(taken, length));
  fake().note("send " + std::to_string(length) + " -> " + std::to_string(taken));
  return taken;
}

int wait_writable(platform::Socket socket, int timeout_ms) {
  fake().using_socket(socket, "wait_writable");
  Step* s = fake().next(Call::WaitWritable);
  fake().note("wait_writable " + std::to_string(timeout_ms));
  return s == nullptr ? -1 : s->result;
}

int recv_bytes(platform::Socket socket, void* buffer, int capacity) {
  fake().using_socket(socket, "recv");
  Step* s = fake().next(Call::Recv);
  if (s == nullptr) return platform::kFailed;
  if (s->result < 0) return s->result;
  // The lead bytes first, then the step's bytes, as far as the capacity goes.
  const std::size_t room = static_cast<std::size_t>(std::max(capacity, 0));
  const std::size_t lead = std::min(room, s->lead);
  const std::size_t rest = std::min(room - lead, s->bytes.size());
  auto* out = static_cast<unsigned char*>(buffer);
  if (lead > 0) std::memset(out, static_cast<unsigned char>(s->lead_byte), lead);
  if (rest > 0) std::memcpy(out + lead, s->bytes.data(), rest);
  const int n = static_cast<int>(lead + rest);
  fake().note("recv " + std::to_string(capacity) + " -> " + std::to_string(n));
  return n;
}

int send_to(platform::Socket socket, const void* data, int length, std::uint32_t address,
            std::uint16_t port) {
  fake().using_socket(socket, "sendto");
  Step* s = fake().next(Call::SendTo);
  char text[16];
  format_dotted(address, text);
  fake().note("sendto " + std::string(text) + ":" + std::to_string(port) + " " +
              std::to_string(length));
  if (s == nullptr) return platform::kFailed;
  fake().record_send(data, length);
  return s->result == 0 ? length : s->result;
}

int bind_any(platform::Socket socket, std::uint16_t port) {
  fake().using_socket(socket, "bind");
  Step* s = fake().next(Call::BindAny);
  fake().note("bind " + std::to_string(port));
  return s == nullptr ? -1 : s->result;
}

int recv_from(platform::Socket socket, void* buffer, int capacity, std::uint32_t* source) {
  fake().using_socket(socket, "recvfrom");
  Step* s = fake().next(Call::RecvFrom);
  if (s == nullptr) return platform::kFailed;
  *source = s->source;
  if (s->result < 0) return s->result;
  if (static_cast<int>(s->bytes.size()) > capacity) return platform::kFailed;
  std::memcpy(buffer, s->bytes.data(), s->bytes.size());
  return static_cast<int>(s->bytes.size());
}

void run_arp(const char* parameters) { fake().note(std::string("arp ") + parameters); }

void sleep_ms(int milliseconds) { fake().note("sleep " + std::to_string(milliseconds)); }

constexpr platform::Operations kFake = {
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

const char* name_of(Call call) {
  static const char* const names[] = {
      "Startup",   "OpenQuerySocket", "ListAdapters", "OpenSocket", "CreateEvent",  "EventSelect",
      "WaitEvent", "EnumEvents",      "Connect",      "Send",       "WaitWritable", "Recv",
      "SendTo",    "BindAny",         "RecvFrom"};
  return names[static_cast<int>(call)];
}

std::uint32_t address(const char* dotted) {
  in_addr a{};
  ::inet_aton(dotted, &a);
  return a.s_addr;
}

Fake::Fake() {
  g_fake = this;
  platform::use(&kFake);
}

Fake::~Fake() {
  platform::use(nullptr);
  g_fake = nullptr;
}

Step& Fake::expect(Call call) {
  script_.push_back(Step{});
  script_.back().call = call;
  return script_.back();
}

Step& Fake::expect_startup(std::uint16_t granted) {
  Step& s = expect(Call::Startup);
  s.granted = granted;
  return s;
}

Step& Fake::expect_adapters(std::vector<platform::Adapter> adapters) {
  expect(Call::OpenQuerySocket);
  Step& s = expect(Call::ListAdapters);
  s.adapters = std::move(adapters);
  return s;
}

Step& Fake::expect_wait(platform::WaitResult result) {
  Step& s = expect(Call::WaitEvent);
  s.wait = result;
  return s;
}

Step& Fake::expect_events(long flags) {
  Step& s = expect(Call::EnumEvents);
  s.flags = flags;
  return s;
}

Step& Fake::expect_recv(std::string bytes) {
  Step& s = expect(Call::Recv);
  s.bytes = std::move(bytes);
  return s;
}

Step& Fake::expect_datagram(std::string bytes, const char* source) {
  Step& s = expect(Call::RecvFrom);
  s.bytes = std::move(bytes);
  s.source = address(source);
  return s;
}

void Fake::expect_connect() {
  expect(Call::OpenSocket);
  expect(Call::CreateEvent);
  expect(Call::EventSelect);
  expect(Call::Connect).returns(platform::kWouldBlock);
  expect_wait(platform::WaitResult::Signalled);
  expect_events(platform::kEventConnect);
}

void Fake::expect_udp_send(int length) {
  expect(Call::OpenSocket);
  expect(Call::CreateEvent);
  expect(Call::SendTo).returns(length);
}

void Fake::add_host(const std::string& name, const char* dotted) {
  hosts_.emplace_back(name, address(dotted));
}

bool Fake::resolve(const char* name, std::uint32_t* addr) const {
  for (const auto& [host, value] : hosts_) {
    if (host == name) {
      *addr = value;
      return true;
    }
  }
  return false;
}

Step* Fake::next(Call call) {
  if (script_.empty()) {
    errors_.push_back(std::string("unexpected call ") + name_of(call) + " after the script ended");
    return nullptr;
  }
  if (script_.front().call != call) {
    errors_.push_back(std::string("expected ") + name_of(script_.front().call) + ", got " +
                      name_of(call));
    return nullptr;
  }
  static thread_local Step current;
  current = script_.front();
  script_.pop_front();
  return &current;
}

platform::Socket Fake::new_socket() {
  open_sockets_.insert(next_socket_);
  return next_socket_++;
}

platform::Event Fake::new_event() {
  open_events_.insert(next_event_);
  return next_event_++;
}

void Fake::close_socket(platform::Socket s) {
  note("close_socket " + std::to_string(s));
  if (open_sockets_.erase(s) == 0) errors_.push_back("socket closed twice or never opened");
}

void Fake::close_event(platform::Event e) {
  note("close_event " + std::to_string(e));
  if (open_events_.erase(e) == 0) errors_.push_back("event closed twice or never opened");
}

void Fake::using_socket(platform::Socket s, const char* call) {
  if (open_sockets_.count(s) == 0)
    errors_.push_back(std::string(call) + " on socket " + std::to_string(s) +
                      ", which is not open");
}

void Fake::using_event(platform::Event e, const char* call) {
  if (open_events_.count(e) == 0)
    errors_.push_back(std::string(call) + " on event " + std::to_string(e) + ", which is not open");
}

int Fake::count(const std::string& prefix) const {
  return static_cast<int>(std::count_if(log_.begin(), log_.end(), [&](const std::string& line) {
    return line.rfind(prefix, 0) == 0;
  }));
}

std::vector<std::string> Fake::problems() const {
  std::vector<std::string> all = errors_;
  for (const Step& s : script_)
    all.push_back(std::string("expected call not made: ") + name_of(s.call));
  return all;
}

}  // namespace vornen::fake
