// A scripted stand-in for the operating system, for the unit tests and the
// fuzz targets alike. A test lists the calls it expects, in order, with what
// each returns; the fake answers them one by one and notes every call that was
// not expected, every handle used or closed after its close (or never made)
// and every handle left open. Address conversion, pauses, closes and the arp
// start are not scripted: they are answered at once and written to the call
// log (conversions only counted).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

namespace vornen::fake {

enum class Call {
  Startup,
  OpenQuerySocket,
  ListAdapters,
  OpenSocket,
  CreateEvent,
  EventSelect,
  WaitEvent,
  EnumEvents,
  Connect,
  Send,
  WaitWritable,
  Recv,
  SendTo,
  BindAny,
  RecvFrom,
};

const char* name_of(Call call);

struct Step {
  Call call;
  int result = 0;
  std::uint16_t granted = 0x0202;                               // Startup
  std::vector<platform::Adapter> adapters;                      // ListAdapters
  long flags = 0;                                               // EnumEvents
  platform::WaitResult wait = platform::WaitResult::Signalled;  // WaitEvent
  std::string bytes;                                            // Recv, RecvFrom: what arrives
  std::size_t lead = 0;  // Recv: this many `lead_byte` arrive before `bytes`
  char lead_byte = 0;
  std::uint32_t source = 0;  // RecvFrom
  bool fail = false;         // OpenSocket, CreateEvent, OpenQuerySocket: no handle

  Step& returns(int value) {
    result = value;
    return *this;
  }
  Step& failing() {
    fail = true;
    return *this;
  }
  // A long piece that the script need not hold: `count` copies of `byte`
  // before the step's bytes.
  Step& led_by(std::size_t count, char byte) {
    lead = count;
    lead_byte = byte;
    return *this;
  }
};

class Fake {
 public:
  Fake();
  ~Fake();
  Fake(const Fake&) = delete;
  Fake& operator=(const Fake&) = delete;

  Step& expect(Call call);
  // Shorthands for the common steps.
  Step& expect_startup(std::uint16_t granted = 0x0202);
  Step& expect_adapters(std::vector<platform::Adapter> adapters);
  Step& expect_wait(platform::WaitResult result);
  Step& expect_events(long flags);
  Step& expect_recv(std::string bytes);
  Step& expect_datagram(std::string bytes, const char* source);
  // A whole successful connect: socket, event, binding, connect, wait, events.
  void expect_connect();
  // A whole successful UDP send: socket, event, one datagram of `length`.
  void expect_udp_send(int length);

  // Names that the resolver knows, with their address.
  void add_host(const std::string& name, const char* dotted);

  // Everything that went wrong: unexpected calls, double closes, steps left.
  std::vector<std::string> problems() const;
  bool script_done() const { return script_.empty(); }
  int open_handles() const { return static_cast<int>(open_sockets_.size() + open_events_.size()); }
  const std::vector<std::string>& log() const { return log_; }
  // Bytes handed to send(), in order, over all sockets.
  const std::string& sent() const { return sent_; }
  int count(const std::string& prefix) const;
  int startups() const { return startups_; }
  int cleanups() const { return cleanups_; }
  // Dotted-text conversions asked for.
  int parses() const { return parses_; }

  // Called by the operation table.
  Step* next(Call call);
  void note(std::string line) { log_.push_back(std::move(line)); }
  platform::Socket new_socket();
  platform::Event new_event();
  void close_socket(platform::Socket s);
  void close_event(platform::Event e);
  // Notes a call on a handle that is not open.
  void using_socket(platform::Socket s, const char* call);
  void using_event(platform::Event e, const char* call);
  void record_send(const void* data, int length) {
    sent_.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
  }
  bool resolve(const char* name, std::uint32_t* address) const;
  void started() { ++startups_; }
  void cleaned() { ++cleanups_; }
  void parsed() { ++parses_; }

 private:
  std::deque<Step> script_;
  std::vector<std::string> log_;
  std::vector<std::string> errors_;
  std::vector<std::pair<std::string, std::uint32_t>> hosts_;
  std::set<platform::Socket> open_sockets_;
  std::set<platform::Event> open_events_;
  std::string sent_;
  platform::Socket next_socket_ = 100;
  platform::Event next_event_ = 1000;
  int startups_ = 0;
  int cleanups_ = 0;
  int parses_ = 0;
};

// Address in network order from dotted text, for scripting adapters.
std::uint32_t address(const char* dotted);

}  // namespace vornen::fake
