// The reply collection of En_SendRecvStr over any pieces, capacities and
// terminators: result, size slot and caller's buffer must be what the
// collection rules give, nothing may be written past what the capacity and
// the pieces allow, the data must go out whole, every read must ask for the
// whole reply buffer, and every call must end released and ready with each
// handle closed once.
//
// Capacities come in classes, so that the limits of a 32-bit count are
// reached as often as small ones; pieces of up to a full 2,000,000-byte read
// are made by the fake from a few input bytes. The caller's buffer is only as
// large as what the capacity and the pieces let the library write, so that
// any byte beyond is an overflow that AddressSanitizer reports.
//
// Input, front to back (past its end everything reads as zero):
//   flags       1 byte: bit 0 no size slot, bit 1 no buffer, bit 2 no data,
//               bit 3 guard bytes after the buffer instead of an exact
//               allocation, bit 4 the library is not ready
//   connect     1 byte, as decode_connect() reads it
//   send        2 bytes, as decode_send() reads them
//   capacity    5 bytes: a class byte, then what the class reads of the
//               next four:
//               0 a 16-bit signed value; 1 INT32_MAX minus a byte;
//               2 INT32_MIN plus a byte; 3 2,000,000 plus a signed byte;
//               4 4,000,000 plus a signed 16-bit value; 5 all the piece bytes
//               that arrive plus a signed byte; 6 a raw 32-bit value;
//               7 INT32_MAX - 2,000,000 times (a byte modulo 4) plus a
//               signed byte, at most INT32_MAX
//   terminator  4 bytes, little-endian; only the low 8 bits count
//   length      1 byte, signed: how many data bytes are sent
//   data        max(length, 0) bytes
//   arrivals    until the input ends, each as decode_arrival() reads it
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "fake_checks.h"
#include "fuzz_input.h"
#include "tcp_model.h"

using vornen::fuzz::Arrival;
using vornen::fuzz::ArrivalKind;
using vornen::fuzz::Reader;
using vornen::fuzz::require;

namespace {

constexpr const char* kHost = "192.168.16.100";
constexpr const char* kTarget = "192.168.16.100:14001";
constexpr char kFill = '\x5A';
constexpr std::size_t kGuard = 16;
// Repeated bytes over all pieces of one input: three full reads and more.
constexpr std::size_t kRepeatBudget = 3 * vornen::fuzz::kLongestPiece + 100'000;

struct Call {
  bool has_size = true;
  bool has_buffer = true;
  bool has_data = true;
  bool guarded = false;
  bool ready = true;
  std::int32_t capacity = 0;
  std::int32_t terminator = 0;
  std::int32_t length = 0;
  std::string data;
};

// A stretch of the caller's buffer: `count` copies of `fill`, or `bytes`.
struct Stretch {
  std::size_t count = 0;
  char fill = 0;
  std::string bytes;
};

struct Outcome {
  int result = 0;
  std::int32_t size = 0;         // on success with a size slot
  std::vector<Stretch> stored;   // what the caller's buffer holds from its start
  std::size_t stored_count = 0;  // its length
};

std::int32_t capacity_of(Reader& in, const std::vector<Arrival>& arrivals) {
  const std::uint8_t cls = in.byte();
  switch (cls & 7) {
    case 0:
      return in.int16();
    case 1:
      return INT32_MAX - in.byte();
    case 2:
      return INT32_MIN + in.byte();
    case 3:
      return 2'000'000 + static_cast<std::int8_t>(in.byte());
    case 4:
      return 4'000'000 + in.int16();
    case 5: {
      // The pieces up to the first that is no piece or a close.
      std::int64_t total = 0;
      for (const Arrival& a : arrivals) {
        if (a.kind != ArrivalKind::Piece || a.size() == 0) break;
        total += static_cast<std::int64_t>(a.size());
      }
      return static_cast<std::int32_t>(total + static_cast<std::int8_t>(in.byte()));
    }
    case 6:
      return in.int32();
    default: {
      const std::int64_t below = std::int64_t{2'000'000} * (in.byte() % 4);
      const std::int64_t v = std::int64_t{INT32_MAX} - below + static_cast<std::int8_t>(in.byte());
      return static_cast<std::int32_t>(std::min<std::int64_t>(v, INT32_MAX));
    }
  }
}

// The collection rules: each byte goes into the caller's buffer while the
// count is below the capacity; the terminator is stored and ends the call; a
// byte that finds the buffer full ends it and is dropped, and so is the rest
// of its piece.
struct Collector {
  std::int64_t capacity;
  char stop;
  Outcome& o;
  bool ended = false;

  std::int64_t room() const {
    return std::max<std::int64_t>(capacity - static_cast<std::int64_t>(o.stored_count), 0);
  }
  void store(std::size_t count, char fill) {
    o.stored.push_back({count, fill, {}});
    o.stored_count += count;
  }
  void run(std::size_t count, char byte) {
    if (ended || count == 0) return;
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(room(), count));
    if (n == 0) {
      ended = true;
    } else if (byte == stop) {
      store(1, byte);
      ended = true;
    } else {
      store(n, byte);
      ended = n < count;
    }
  }
  void bytes(const std::string& piece) {
    if (ended || piece.empty()) return;
    const auto span = static_cast<std::size_t>(std::min<std::int64_t>(room(), piece.size()));
    const std::size_t hit = piece.find(stop);
    const std::size_t n = hit < span ? hit + 1 : span;
    if (n > 0) {
      o.stored.push_back({n, 0, piece.substr(0, n)});
      o.stored_count += n;
    }
    ended = hit < span || n < piece.size();
  }
};

// What the call must give, worked out from the rules alone; scripts the fake
// on the way.
Outcome expected(const Call& call, const vornen::fuzz::ConnectCourse& connect,
                 const vornen::fuzz::SendCourse& send, const std::vector<Arrival>& arrivals,
                 vornen::fuzz::TcpModel& tcp, std::size_t* arrived) {
  Outcome o;
  *arrived = 0;
  if ((call.length < 1 && (!call.has_size || call.capacity < 1)) ||
      (call.has_size && !call.has_buffer)) {
    o.result = ERR_ILLEGAL_INPUT_PARAMETER;
    return o;
  }
  auto finish = [&](int r) {
    tcp.release();
    o.result = r;
    return o;
  };
  if (const int r = tcp.connect(connect, kTarget); r != 0) return finish(r);
  if (call.length >= 1) {
    const int r = call.has_data ? tcp.send(call.data, send) : tcp.send_without_data();
    if (r != 0) return finish(r);
  }
  tcp.calls().push_back("sleep 10");
  if (!call.has_size) return finish(0);

  Collector collect{call.capacity, static_cast<char>(call.terminator & 0xFF), o};
  for (std::size_t i = 0;; ++i) {
    // Nothing more arrives: the next wait times out.
    Arrival a;
    if (i < arrivals.size()) {
      a = arrivals[i];
    } else {
      a.kind = ArrivalKind::Timeout;
    }
    std::size_t got = 0;
    if (const int r = tcp.receive(a, static_cast<int>(vornen::fuzz::kLongestPiece), &got); r != 0)
      return finish(r);
    *arrived += got;
    if (got == 0) break;  // the device closed in order
    collect.run(a.lead, a.lead_byte);
    collect.bytes(a.bytes);
    if (collect.ended) break;
  }
  o.size = static_cast<std::int32_t>(o.stored_count);
  return finish(0);
}

bool documented(int r) {
  return r == 0 || r == ERR_ILLEGAL_INPUT_PARAMETER ||
         (r <= ERR_ILLEGALSTATE_ONCONNECTION && r >= ERR_UNEXPECTEDEVENT_ONCONNECTION) ||
         r == ERR_SENDERR || (r <= ERR_TIMEOUT_ONREAD && r >= ERR_UNEXPECTEDEVENT_ONREAD);
}

bool all_are(const char* p, std::size_t n, char c) {
  return n == 0 || (p[0] == c && std::memcmp(p, p + 1, n - 1) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  Call call;
  const std::uint8_t flags = in.byte();
  call.has_size = (flags & 1) == 0;
  call.has_buffer = (flags & 2) == 0;
  call.has_data = (flags & 4) == 0;
  call.guarded = (flags & 8) != 0;
  call.ready = (flags & 16) == 0;
  const auto connect = vornen::fuzz::decode_connect(in);
  const auto send = vornen::fuzz::decode_send(in);
  // The capacity class that counts the arrivals needs them first: its
  // bytes come from a reader of their own, over the same place.
  Reader capacity_in = in;
  in.byte();
  in.bytes(4);  // the most any class reads besides its class byte
  call.terminator = in.int32();
  call.length = static_cast<std::int8_t>(in.byte());
  call.data = in.bytes(static_cast<std::size_t>(std::max(call.length, 0)));
  call.data.resize(static_cast<std::size_t>(std::max(call.length, 0)), '\0');
  std::vector<Arrival> arrivals;
  std::size_t budget = kRepeatBudget;
  while (!in.empty()) arrivals.push_back(vornen::fuzz::decode_arrival(in, &budget));
  call.capacity = capacity_of(capacity_in, arrivals);

  vornen::fake::Fake fake;
  vornen::fuzz::TcpModel tcp(fake, call.ready ? vornen::kReady : vornen::kClosed);
  std::size_t arrived = 0;
  const Outcome want = expected(call, connect, send, arrivals, tcp, &arrived);

  // The caller's buffer: as much as the library may write, which is what
  // the capacity allows of what arrives, and nothing more unless guarded.
  const std::size_t room = static_cast<std::size_t>(std::max<std::int32_t>(call.capacity, 0));
  const std::size_t writable = std::min(room, arrived);
  const std::size_t total = writable + (call.guarded ? kGuard : 0);
  std::unique_ptr<char[]> buffer(new char[total]);
  std::memset(buffer.get(), kFill, total);
  auto bytes = std::make_unique<char[]>(call.data.size() + 1);
  std::memcpy(bytes.get(), call.data.data(), call.data.size());
  std::int32_t slot = call.capacity;

  vornen::reset_connection_for_tests();
  vornen::Connection& c = vornen::connection();
  c.state = call.ready ? vornen::kReady : vornen::kClosed;
  std::strcpy(c.broadcast, "192.168.16.255");
  const int r = En_SendRecvStr(kHost, call.has_data ? bytes.get() : nullptr, call.length,
                               call.has_buffer ? buffer.get() : nullptr,
                               call.has_size ? &slot : nullptr, call.terminator);

  require(documented(r), "En_SendRecvStr returns one of its documented codes");
  require(r == want.result, "En_SendRecvStr returns what the rules give");
  if (r != 0) {
    require(slot == call.capacity, "the size slot is unchanged on failure");
  } else if (call.has_size) {
    require(slot >= 0 && slot <= std::max<std::int32_t>(call.capacity, 0),
            "the size slot is within the capacity on success");
    require(slot == want.size, "the size slot holds the bytes stored");
  }
  std::size_t at = 0;
  for (const Stretch& s : want.stored) {
    const bool same = s.bytes.empty()
                          ? all_are(buffer.get() + at, s.count, s.fill)
                          : std::memcmp(buffer.get() + at, s.bytes.data(), s.count) == 0;
    require(same, "the buffer holds the reply so far");
    at += s.count;
  }
  require(all_are(buffer.get() + at, total - at, kFill), "nothing else is written to the buffer");
  require(fake.sent() == tcp.sent(), "the data goes out whole, once");
  if (r == ERR_ILLEGAL_INPUT_PARAMETER) require(fake.log().empty(), "no call after -1005");
  vornen::fuzz::require_clean(fake);
  vornen::fuzz::compare_calls(fake, tcp.calls());
  require(fake.count("shutdown") == tcp.shutdowns(), "a connection made is shut down once");
  require(c.state == (call.ready ? vornen::kReady : vornen::kClosed),
          "the call ends in the state it began in");
  require(!c.socket_open && !c.event_open, "the connection holds no handle afterwards");
  require(fake.open_handles() == 0, "every handle made is closed");
  return 0;
}
