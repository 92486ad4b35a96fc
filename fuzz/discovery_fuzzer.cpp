// The discovery reply loop of En_Get_IPAddress over any datagrams, sources,
// time-outs and failures: result, capacity and buffer must be what the rules
// give, nothing may be written past the address text, the query must be the
// four query bytes to the broadcast port, the calls must be exactly those
// the rules give, and every call must end in the state it should with each
// handle closed once.
//
// Input, front to back (past its end everything reads as zero):
//   flags     1 byte: bit 0 no buffer, bit 1 library not opened, bit 2 colons
//             in the MAC text, bit 3 guard bytes after the buffer instead of
//             an exact allocation, bit 4 opened but not ready
//   query     1 byte, modulo 7: 0 sent, 1 the resolver fails, 2 no socket,
//             3 no event, 4 the send fails, 5 it would block, 6 it sends
//             all but one byte
//   capacity  1 byte: bits 6-7 the class (0 and 1 the byte minus 32, 2
//             INT32_MAX minus bits 0-5, 3 INT32_MIN plus bits 0-5)
//   MAC       6 bytes: the wanted MAC
//   arrivals  until the input ends, each a kind byte:
//             bits 0-2: 0 the wanted reply, 1 a 30-byte reply, 2 a datagram of
//             any length, 3 time-out, 4 failed enumeration, 5 no read event,
//             6 failed read, 7 failed binding of the event;
//             bit 3: the wait fails first (and goes on);
//             for 0 to 2 then the source address (4 bytes, network order)
//             and, for 1, 30 bytes, for 2, a length byte and that many bytes.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "fake_checks.h"
#include "fuzz_input.h"
#include "text_rules.h"

using vornen::fake::Call;
using vornen::fuzz::require;
using vornen::platform::WaitResult;

namespace {

constexpr const char* kBroadcast = "192.168.16.255";
constexpr char kFill = '\x5A';
constexpr std::size_t kGuard = 16;
constexpr std::size_t kLongestText = 16;  // 15 characters and the terminator
const std::string kQuery("\0\0\0\xF6", 4);

enum class Query : std::uint8_t { Sent, Resolve, Socket, Event, SendTo, WouldBlock, Short, Count };

enum Kind : std::uint8_t {
  kWanted,
  kReply,
  kDatagram,
  kTimeout,
  kEnumFails,
  kNoRead,
  kReadFails,
  kSelectFails
};

struct Arrival {
  std::uint8_t kind = kWanted;
  bool wait_fails = false;
  std::uint32_t source = 0;
  std::string bytes;
};

struct Outcome {
  int result = 0;
  bool emptied = false;  // the buffer's first byte was set to 0
  std::string text;      // the device's address on success
  std::string sent;      // what the datagram send was given
  std::vector<std::string> calls;
};

// What the call must give, worked out from the rules alone; scripts the fake
// on the way.
Outcome expected(bool opened, bool ready, Query query, const std::string& mac,
                 const std::vector<Arrival>& arrivals, vornen::fake::Fake& fake) {
  Outcome o;
  o.emptied = true;
  if (!opened) {
    o.result = ERR_ILLEGALSTATE_ONCONNECTION;
    return o;
  }
  auto query_failed = [&](int code) {
    o.calls.push_back("sleep 10");  // after the query, whatever it gave
    o.result = code;
    return o;
  };
  if (!ready) return query_failed(ERR_UDP_ILLEGALSTATE_ONSEND);
  o.calls.push_back(std::string("resolve ") + kBroadcast);
  if (query == Query::Resolve) return query_failed(ERR_GETHOSTBYNAME);
  fake.add_host(kBroadcast, kBroadcast);
  if (query == Query::Socket) {
    fake.expect(Call::OpenSocket).failing();
    return query_failed(ERR_UDP_SOCKET);
  }
  fake.expect(Call::OpenSocket);
  o.calls.push_back("socket datagram");
  if (query == Query::Event) {
    fake.expect(Call::CreateEvent).failing();
    return query_failed(ERR_WSACREATEEVENT);
  }
  fake.expect(Call::CreateEvent);
  const int length = static_cast<int>(kQuery.size());
  fake.expect(Call::SendTo)
      .returns(query == Query::SendTo       ? vornen::platform::kFailed
               : query == Query::WouldBlock ? vornen::platform::kWouldBlock
               : query == Query::Short      ? length - 1
                                            : length);
  o.calls.push_back(std::string("sendto ") + kBroadcast + ":30718 4");
  o.sent = kQuery;
  if (query == Query::SendTo) return query_failed(ERR_UDP_SENDTO);
  if (query != Query::Sent) return query_failed(ERR_UDP_CANNOTSENDFULLDATA);
  o.calls.push_back("sleep 10");

  for (std::size_t i = 0;; ++i) {
    // Nothing more arrives: the next wait times out.
    Arrival a;
    if (i < arrivals.size()) {
      a = arrivals[i];
    } else {
      a.kind = kTimeout;
    }
    fake.expect(Call::EventSelect).returns(a.kind == kSelectFails ? -1 : 0);
    o.calls.push_back("event_select mask 1");
    if (a.kind == kSelectFails) {
      o.result = ERR_EVENTSELECT;
      return o;
    }
    fake.expect(Call::BindAny).returns(-1);
    o.calls.push_back("bind 30718");
    fake.expect_wait(a.kind == kTimeout ? WaitResult::Timeout
                     : a.wait_fails     ? WaitResult::Failed
                                        : WaitResult::Signalled);
    o.calls.push_back("wait 5000");
    if (a.kind == kTimeout) {
      o.result = ERR_NODEVICE_FORMAC;
      return o;
    }
    fake.expect(Call::EnumEvents).returns(a.kind == kEnumFails ? -1 : 0).flags =
        a.kind == kNoRead ? vornen::platform::kEventClose : vornen::platform::kEventRead;
    if (a.kind == kEnumFails) {
      o.result = ERR_NETWORKEVENT_ONREAD;
      return o;
    }
    if (a.kind == kNoRead) {
      o.result = ERR_UDP_UNEXPECTEDEVENT_ONREAD;
      return o;
    }
    auto& read = fake.expect(Call::RecvFrom);
    read.source = a.source;
    if (a.kind == kReadFails) {
      read.returns(vornen::platform::kFailed);
      o.result = ERR_UDP_RECV;
      return o;
    }
    read.bytes = a.bytes;
    if (a.bytes.empty() || a.bytes.size() > 100) {
      o.result = ERR_UDP_RECV;
      return o;
    }
    if (a.bytes.size() != 30) {
      o.result = ERR_UDP_ILLEGAL_RECV_DATA_BYTE;
      return o;
    }
    o.calls.push_back("sleep 10");
    if (a.bytes.compare(24, 6, mac) == 0) {
      o.text = vornen::fuzz::dotted_text(a.source);
      return o;
    }
  }
}

std::int32_t capacity_of(std::uint8_t b) {
  switch (b >> 6) {
    case 0:
    case 1:
      return b - 32;
    case 2:
      return INT32_MAX - (b & 63);
    default:
      return INT32_MIN + (b & 63);
  }
}

bool documented(int r) {
  switch (r) {
    case 0:
    case ERR_ILLEGAL_INPUT_PARAMETER:
    case ERR_ILLEGALSTATE_ONCONNECTION:
    case ERR_NODEVICE_FORMAC:
    case ERR_UDP_ILLEGALSTATE_ONSEND:
    case ERR_GETHOSTBYNAME:
    case ERR_UDP_SOCKET:
    case ERR_WSACREATEEVENT:
    case ERR_UDP_SENDTO:
    case ERR_UDP_CANNOTSENDFULLDATA:
    case ERR_EVENTSELECT:
    case ERR_NETWORKEVENT_ONREAD:
    case ERR_UDP_UNEXPECTEDEVENT_ONREAD:
    case ERR_UDP_RECV:
    case ERR_UDP_ILLEGAL_RECV_DATA_BYTE:
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  const std::uint8_t flags = in.byte();
  const bool has_buffer = (flags & 1) == 0;
  const bool opened = (flags & 2) == 0;
  const char separator = (flags & 4) != 0 ? ':' : '-';
  const bool guarded = (flags & 8) != 0;
  const bool ready = (flags & 16) == 0;
  const auto query = static_cast<Query>(in.byte() % static_cast<std::uint8_t>(Query::Count));
  const std::int32_t capacity = capacity_of(in.byte());
  std::string mac = in.bytes(6);
  mac.resize(6, '\0');
  std::vector<Arrival> arrivals;
  while (!in.empty()) {
    const std::uint8_t kind = in.byte();
    Arrival a;
    a.kind = kind & 7;
    a.wait_fails = (kind & 8) != 0;
    if (a.kind <= kDatagram) {
      a.source = in.uint32();
      if (a.kind == kWanted) {
        a.bytes = std::string(24, '\x11') + mac;
      } else if (a.kind == kReply) {
        a.bytes = in.bytes(30);
      } else {
        a.bytes = in.bytes(in.byte());
      }
    }
    arrivals.push_back(std::move(a));
  }

  char mac_text[18];
  std::snprintf(mac_text, sizeof mac_text, "%02X%c%02X%c%02X%c%02X%c%02X%c%02X",
                static_cast<unsigned char>(mac[0]), separator, static_cast<unsigned char>(mac[1]),
                separator, static_cast<unsigned char>(mac[2]), separator,
                static_cast<unsigned char>(mac[3]), separator, static_cast<unsigned char>(mac[4]),
                separator, static_cast<unsigned char>(mac[5]));

  vornen::fake::Fake fake;
  Outcome want;
  if (capacity < 16 || !has_buffer) {
    want.result = ERR_ILLEGAL_INPUT_PARAMETER;
  } else {
    want = expected(opened, ready, query, mac, arrivals, fake);
  }

  // The buffer: what the capacity allows of the longest address text, so
  // that a byte written past the text is caught.
  const std::size_t room = static_cast<std::size_t>(std::max<std::int32_t>(capacity, 0));
  const std::size_t total = std::min(room, kLongestText) + (guarded ? kGuard : 0);
  std::unique_ptr<char[]> buffer(new char[total]);
  std::memset(buffer.get(), kFill, total);
  std::int32_t slot = capacity;

  vornen::reset_connection_for_tests();
  vornen::Connection& c = vornen::connection();
  if (opened) {
    c.state = ready ? vornen::kReady : vornen::kClosed;
    std::strcpy(c.broadcast, kBroadcast);
  }
  const int state_before = c.state;
  const int r = En_Get_IPAddress(mac_text, has_buffer ? buffer.get() : nullptr, &slot);

  require(documented(r), "En_Get_IPAddress returns one of its documented codes");
  require(r == want.result, "En_Get_IPAddress returns what the rules give");
  if (r != 0) {
    require(slot == capacity, "the capacity is unchanged on failure");
  } else {
    require(slot >= 7 && slot <= 15 && slot <= capacity, "the length of a dotted address");
    require(slot == static_cast<std::int32_t>(want.text.size()), "the length of the text");
  }
  const std::string written = r == 0 ? want.text + '\0' : want.emptied ? std::string(1, '\0') : "";
  for (std::size_t i = 0; i < total; ++i) {
    const char at = i < written.size() ? written[i] : kFill;
    require(buffer[i] == at, "the buffer holds the address text, or is emptied, and no more");
  }
  require(fake.sent() == want.sent, "the query is its four bytes, sent once");
  vornen::fuzz::require_clean(fake);
  vornen::fuzz::compare_calls(fake, want.calls);
  require(c.state == state_before, "the call ends in the state it began in");
  require(!c.socket_open && !c.event_open, "the connection holds no handle afterwards");
  require(fake.open_handles() == 0, "every handle made is closed");
  return 0;
}
