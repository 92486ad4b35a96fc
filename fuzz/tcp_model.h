// The library's TCP primitives as a model at the level of the system calls.
// Each member scripts on the fake the calls that the primitive must make, with
// the outcome that the fuzz input chose, notes the call-log lines they must
// leave, and returns the code the primitive must return. A target runs its
// model first, then the library against the script so built, and compares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/fake_platform.h"

namespace vornen::fuzz {

// The one step of a connect that fails, if any.
enum class ConnectFailure : std::uint8_t {
  None,
  Socket,          // no socket
  Event,           // no event
  Select,          // binding the event
  Connect,         // refused at once
  Timeout,         // no event within the wait
  Enum,            // reading the events
  NoConnectEvent,  // events without the connect event
};

struct ConnectCourse {
  ConnectFailure failure = ConnectFailure::None;
  bool at_once = false;     // done at once rather than under way
  bool wait_fails = false;  // the wait fails, which goes on
  long extra_events = 0;    // read and close events along with the connect
};
// One byte: bits 0-2 the failure, bit 3 at once, bit 4 the wait fails, bits
// 5 and 6 a read and a close event along.
ConnectCourse decode_connect(Reader& in);

// What stops a TCP send at its `stall_at`-th call to the socket.
enum class Stall : std::uint8_t {
  None,
  Fails,   // the call fails
  Blocks,  // it would block; the socket then takes more
  Stuck,   // it would block and the socket takes nothing within the wait
};

struct SendCourse {
  int chunk = 0;  // most bytes one call takes; 0: all
  Stall stall = Stall::None;
  int stall_at = 0;
};
// Two bytes: the stall in bits 0-1 of the first and its call in bits 2-7,
// then the chunk.
SendCourse decode_send(Reader& in);

// What one wait on the connection brings.
enum class ArrivalKind : std::uint8_t { Piece, Timeout, EnumFails, CloseOnly, RecvFails };

struct Arrival {
  ArrivalKind kind = ArrivalKind::Piece;
  bool wait_fails = false;  // the wait fails, which goes on
  bool close_too = false;   // the close event comes with the read event
  std::size_t lead = 0;     // a piece: `lead` copies of `lead_byte`, then `bytes`
  char lead_byte = 0;
  std::string bytes;  // a piece of no bytes at all is an orderly close
  std::size_t size() const { return lead + bytes.size(); }
};

// The most bytes one piece may hold: what one read takes into the library's
// reply buffer.
inline constexpr std::size_t kLongestPiece = 2'000'000;

// One arrival from a kind byte and what it says follows:
//   bits 0-2: 0 to 3 a piece, 4 time-out, 5 failed enumeration, 6 close
//             without read, 7 failed read;
//   bit 3:    the wait fails first (and goes on);
//   bit 4:    the close event comes along with the read;
//   bits 5-6: for a piece, its form:
//             0 a length byte and that many bytes;
//             1 a 16-bit count and a byte it repeats, then a length byte and
//               that many bytes;
//             2 a long piece: a size class byte (0 a full 2,000,000 bytes,
//               1 just under that, 2 and 3 anywhere below), a size byte, the
//               byte it repeats, then a length byte and that many bytes last;
//             3 a 16-bit length and that many bytes.
// Repeated bytes are counted against `*budget`; once it is spent a piece
// holds its last bytes only.
Arrival decode_arrival(Reader& in, std::size_t* budget);

class TcpModel {
 public:
  // The connection as the call finds it: the library's connection state and,
  // when TCP connected, whether its socket and event are still open.
  TcpModel(fake::Fake& fake, int state, bool handles_open = false);

  // A connect to `target` ("A.B.C.D:port", as the call log writes it).
  int connect(const ConnectCourse& course, const std::string& target);
  // A send of `data`, taken by the socket as the course says.
  int send(const std::string& data, const SendCourse& course);
  // A send whose data pointer is null: it fails before any call.
  int send_without_data();
  // One receive asking for `capacity` bytes; `*got` is set on success.
  int receive(const Arrival& arrival, int capacity, std::size_t* got);
  int release();

  bool connected() const { return state_ == kConnected || state_ == kBroken; }
  bool ready() const { return state_ == kReady; }
  // Bytes the socket took, in order.
  const std::string& sent() const { return sent_; }
  // The call-log lines of the kinds compare_calls() looks at, in order.
  std::vector<std::string>& calls() { return calls_; }
  int shutdowns() const { return shutdowns_; }

 private:
  enum State { kReady, kConnected, kBroken, kOther };  // broken: connected, handles closed

  fake::Fake& fake_;
  State state_;
  std::string sent_;
  std::vector<std::string> calls_;
  int shutdowns_ = 0;
};

}  // namespace vornen::fuzz
