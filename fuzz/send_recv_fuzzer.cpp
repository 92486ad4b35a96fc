// The reply collection of En_SendRecvStr over any pieces, capacities and
// terminators: result, size slot and caller's buffer must be what the
// collection rules give, nothing may be written past the capacity, the data
// must go out whole, and every call must end released and ready with each
// handle closed once.
//
// Input, front to back (past its end everything reads as zero):
//   flags       1 byte: bit 0 no size slot, bit 1 no buffer, bit 2 no data,
//               bit 3 guard bytes after the buffer instead of an exact
//               allocation, bit 4 connect done at once, bit 5 the connect's
//               wait fails (and goes on)
//   fail        1 byte: the step that fails, fuzz::Fail modulo its count
//   capacity    2 bytes, little-endian, signed
//   terminator  4 bytes, little-endian; only the low 8 bits count
//   length      1 byte, signed: how many data bytes are sent
//   chunk       1 byte: most bytes one send takes, 0 for all
//   data        max(length, 0) bytes
//   pieces      until the input ends, each a kind byte:
//               bits 0-2: 0 to 3 bytes, 4 time-out, 5 failed enumeration,
//               6 close without read, 7 failed recv;
//               bit 3: the wait fails first (and goes on);
//               bit 4: the close comes along with the read;
//               bit 5: a long piece;
//               for bytes a length byte (a long piece: times 256 plus a
//               second byte) and that many bytes; 0 is an orderly close.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "fuzz_platform.h"

using vornen::fuzz::Arrival;
using vornen::fuzz::Fail;
using vornen::fuzz::require;
using vornen::platform::WaitResult;

namespace {

constexpr const char* kHost = "192.168.16.100";
constexpr char kFill = '\x5A';
constexpr std::size_t kGuard = 16;

struct Call {
  bool has_size = true;
  bool has_buffer = true;
  bool has_data = true;
  bool guarded = false;
  std::int32_t capacity = 0;
  std::int32_t terminator = 0;
  std::int32_t length = 0;
  std::string data;
};

struct Outcome {
  int result = 0;
  bool sent = false;       // the data went out
  bool collected = false;  // the reply was read
  std::int32_t size = 0;   // on success with a size slot
  std::string stored;      // what the caller's buffer holds from its start
};

int connect_failure(Fail fail) {
  switch (fail) {
    case Fail::Socket:
      return ERR_SOCKET;
    case Fail::Event:
      return ERR_WSACREATEEVENT;
    case Fail::Select:
      return ERR_EVENTSELECT;
    case Fail::Connect:
      return ERR_CONNECT;
    case Fail::ConnectTimeout:
      return ERR_TIMEOUT_ONCONNECTION;
    case Fail::ConnectEnum:
      return ERR_NETWORKEVENT_ONCONNECTION;
    case Fail::ConnectWithoutEvent:
      return ERR_UNEXPECTEDEVENT_ONCONNECTION;
    default:
      return 0;
  }
}

// What the call must give, worked out from the rules alone.
Outcome expected(const Call& call, const vornen::fuzz::Script& script) {
  Outcome o;
  if (call.length < 1 && (!call.has_size || call.capacity < 1)) {
    o.result = ERR_ILLEGAL_INPUT_PARAMETER;
    return o;
  }
  // Nothing may be written through a missing buffer: refused up front.
  if (call.has_size && !call.has_buffer) {
    o.result = ERR_ILLEGAL_INPUT_PARAMETER;
    return o;
  }
  if ((o.result = connect_failure(script.fail)) != 0) return o;
  if (call.length >= 1) {
    if (!call.has_data || script.fail == Fail::Send || script.fail == Fail::SendStuck) {
      o.result = ERR_SENDERR;
      return o;
    }
    o.sent = true;
  }
  if (!call.has_size) return o;
  o.collected = true;
  const auto stop = static_cast<char>(call.terminator & 0xFF);
  for (const Arrival& a : script.arrivals) {
    if (a.wait == WaitResult::Timeout) {
      o.result = ERR_TIMEOUT_ONREAD;
      return o;
    }
    if (a.enum_fails) {
      o.result = ERR_NETWORKEVENT_ONREAD;
      return o;
    }
    if ((a.flags & vornen::platform::kEventRead) == 0) {
      o.result = ERR_UNEXPECTEDEVENT_ONREAD;
      return o;
    }
    if (a.read_fails) {
      o.result = ERR_RECVFAIL;
      return o;
    }
    if (a.bytes.empty()) {
      o.size = static_cast<std::int32_t>(o.stored.size());
      return o;
    }
    for (char b : a.bytes) {
      if (static_cast<std::int32_t>(o.stored.size()) >= call.capacity) {
        o.size = static_cast<std::int32_t>(o.stored.size());
        return o;
      }
      o.stored.push_back(b);
      if (b == stop) {
        o.size = static_cast<std::int32_t>(o.stored.size());
        return o;
      }
    }
  }
  o.result = ERR_TIMEOUT_ONREAD;  // nothing more arrives
  return o;
}

bool documented(int r) {
  return r == 0 || r == ERR_ILLEGAL_INPUT_PARAMETER ||
         (r <= ERR_ILLEGALSTATE_ONCONNECTION && r >= ERR_UNEXPECTEDEVENT_ONCONNECTION) ||
         r == ERR_SENDERR || (r <= ERR_TIMEOUT_ONREAD && r >= ERR_UNEXPECTEDEVENT_ONREAD);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vornen::fuzz::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  vornen::fuzz::Script script;
  Call call;
  const std::uint8_t flags = in.byte();
  call.has_size = (flags & 1) == 0;
  call.has_buffer = (flags & 2) == 0;
  call.has_data = (flags & 4) == 0;
  call.guarded = (flags & 8) != 0;
  script.connect_at_once = (flags & 16) != 0;
  script.connect_wait_fails = (flags & 32) != 0;
  script.fail = static_cast<Fail>(in.byte() % static_cast<std::uint8_t>(Fail::Count));
  call.capacity = in.int16();
  call.terminator = in.int32();
  call.length = static_cast<std::int8_t>(in.byte());
  script.send_chunk = in.byte();
  call.data = in.bytes(static_cast<std::size_t>(std::max(call.length, 0)));
  call.data.resize(static_cast<std::size_t>(std::max(call.length, 0)), '\0');
  while (!in.empty()) {
    const std::uint8_t kind = in.byte();
    Arrival a;
    if ((kind & 8) != 0) a.wait = WaitResult::Failed;
    switch (kind & 7) {
      case 4:
        a.wait = WaitResult::Timeout;
        break;
      case 5:
        a.enum_fails = true;
        break;
      case 6:
        a.flags = vornen::platform::kEventClose;
        break;
      case 7:
        a.read_fails = true;
        break;
      default: {
        if ((kind & 16) != 0) a.flags |= vornen::platform::kEventClose;
        std::size_t n = in.byte();
        if ((kind & 32) != 0) n = n * 256 + in.byte();
        a.bytes = in.bytes(n);
        break;
      }
    }
    script.arrivals.push_back(std::move(a));
  }
  const Outcome want = expected(call, script);

  // The caller's buffer: exactly the capacity, so that ASan sees any byte
  // past it, or the capacity and guard bytes that are checked afterwards.
  const std::size_t room = static_cast<std::size_t>(std::max<std::int32_t>(call.capacity, 0));
  const std::size_t total = room + (call.guarded ? kGuard : 0);
  auto buffer = std::make_unique<char[]>(total);
  std::memset(buffer.get(), kFill, total);
  auto bytes = std::make_unique<char[]>(call.data.size() + 1);
  std::memcpy(bytes.get(), call.data.data(), call.data.size());
  std::int32_t slot = call.capacity;

  vornen::reset_connection_for_tests();
  vornen::Connection& c = vornen::connection();
  c.state = vornen::kReady;
  std::strcpy(c.broadcast, "192.168.16.255");
  vornen::fuzz::start(script);
  const int r = En_SendRecvStr(kHost, call.has_data ? bytes.get() : nullptr, call.length,
                               call.has_buffer ? buffer.get() : nullptr,
                               call.has_size ? &slot : nullptr, call.terminator);
  const auto& rec = vornen::fuzz::record();

  require(documented(r), "En_SendRecvStr returns one of its documented codes");
  require(r == want.result, "En_SendRecvStr returns what the rules give");
  if (r != 0) {
    require(slot == call.capacity, "the size slot is unchanged on failure");
  } else if (call.has_size) {
    require(slot >= 0 && slot <= std::max<std::int32_t>(call.capacity, 0),
            "the size slot is within the capacity on success");
    require(slot == want.size, "the size slot holds the bytes stored");
  }
  for (std::size_t i = 0; i < total; ++i) {
    const char at = i < want.stored.size() ? want.stored[i] : kFill;
    require(buffer[i] == at, "the buffer holds the reply so far and nothing else");
  }
  require(rec.sent == (want.sent ? call.data : std::string()), "the data goes out whole, once");
  if (!want.collected) require(rec.reads == 0, "no reply is read unless asked for");
  if (r == ERR_ILLEGAL_INPUT_PARAMETER) require(rec.sockets_made == 0, "no socket after -1005");
  require(c.state == vornen::kReady, "the call ends ready");
  require(!c.socket_open && !c.event_open, "the connection holds no handle afterwards");
  require(rec.open_handles == 0, "every handle made is closed");
  return 0;
}
