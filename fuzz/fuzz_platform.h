// A permissive stand-in for the operating system, for the fuzz targets. It
// answers every call at once from a script that a target decodes from its
// input, never in a fixed order, and stops the run at the first misuse: a
// handle used or closed after its close, a call no target expects. The real
// backend is not linked into the fuzz build at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "platform/platform.h"

namespace vornen::fuzz {

// The step of a TCP connect or UDP send that fails, if any. A step that the
// call at hand does not take has no effect.
enum class Fail : std::uint8_t {
  None,
  Resolve,              // the resolver knows no such name
  Socket,               // no socket
  Event,                // no event
  Select,               // binding the event for the connect
  Connect,              // connect refused at once
  ConnectTimeout,       // no event within the wait
  ConnectEnum,          // reading the events of the connect
  ConnectWithoutEvent,  // events without the connect event
  Send,                 // TCP send fails
  SendStuck,            // TCP send would block and the socket never takes more
  SendTo,               // datagram send fails
  SendToWouldBlock,     // datagram send would block
  SendToShort,          // datagram sent in part
  Count,
};

// What one wait on the connection brings, up to the bytes read.
struct Arrival {
  platform::WaitResult wait = platform::WaitResult::Signalled;  // Timeout ends it there
  bool select_fails = false;                                    // UDP: binding the event
  bool enum_fails = false;
  long flags = platform::kEventRead;
  bool read_fails = false;
  std::string bytes;  // empty: an orderly close (TCP), an empty datagram (UDP)
  std::uint32_t source = 0;
};

struct Script {
  Fail fail = Fail::None;
  bool resolves = true;             // for names that are not dotted text
  bool connect_at_once = false;     // connect done at once rather than under way
  bool connect_wait_fails = false;  // the connect's wait fails, which goes on
  int send_chunk = 0;               // most bytes one TCP send takes; 0: all
  std::deque<Arrival> arrivals;     // none left: every wait times out
};

// What the library did, for the targets' checks.
struct Record {
  int sockets_made = 0;
  int events_made = 0;
  int open_handles = 0;
  int parse_calls = 0;
  int resolve_calls = 0;
  std::string last_name;  // text given to the last parse or resolve
  std::string sent;       // bytes taken by TCP sends and datagram sends
  std::uint32_t sent_to = 0;
  std::uint16_t sent_port = 0;
  int reads = 0;  // recv and recv_from calls
};

// Installs the table; call before the first library call.
void install();
// A new script for the next call; the record starts empty.
void start(Script script);
const Script& script();
const Record& record();

// Stops the run with the message when the condition does not hold.
void require(bool condition, const char* what);

// Reads a fuzz input front to back; past its end every read gives zeros.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::int16_t int16() {
    const std::uint16_t lo = byte();
    return static_cast<std::int16_t>(lo | static_cast<std::uint16_t>(byte() << 8));
  }
  std::int32_t int32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
    return static_cast<std::int32_t>(v);
  }
  // Up to n bytes, fewer where the input ends.
  std::string bytes(std::size_t n) {
    const std::size_t take = n < size_ - pos_ ? n : (pos_ < size_ ? size_ - pos_ : 0);
    std::string out(reinterpret_cast<const char*>(data_ + pos_), take);
    pos_ += take;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace vornen::fuzz
