// The discovery reply loop of En_Get_IPAddress over any datagrams, sources,
// time-outs and failures: result, capacity and buffer must be what the rules
// give, nothing may be written past the capacity, the query must be the
// four query bytes to the broadcast port, and every call must end in the
// state it should with each handle closed once.
//
// Input, front to back (past its end everything reads as zero):
//   flags     1 byte: bit 0 no buffer, bit 1 library not opened, bit 2 colons
//             in the MAC text, bit 3 guard bytes after the buffer instead of
//             an exact allocation
//   fail      1 byte: the step of the query's send that fails, fuzz::Fail
//             modulo its count
//   capacity  1 byte, signed
//   MAC       6 bytes: the wanted MAC
//   arrivals  until the input ends, each a kind byte:
//             bits 0-2: 0 the wanted reply, 1 a 30-byte reply, 2 a datagram of
//             any length, 3 time-out, 4 failed enumeration, 5 no read event,
//             6 failed read, 7 failed binding of the event;
//             bit 3: the wait fails first (and goes on);
//             for 0 to 2 then the source address (4 bytes, network order)
//             and, for 1, 30 bytes, for 2, a length byte and that many bytes.
#include <arpa/inet.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "VornEN.h"
#include "connection.h"
#include "fuzz_platform.h"

using vornen::fuzz::Arrival;
using vornen::fuzz::Fail;
using vornen::fuzz::require;
using vornen::platform::WaitResult;

namespace {

constexpr const char* kBroadcast = "192.168.16.255";
constexpr char kFill = '\x5A';
constexpr std::size_t kGuard = 16;
constexpr const char kQuery[] = {'\0', '\0', '\0', '\xF6'};

struct Outcome {
  int result = 0;
  bool queried = false;  // the query was handed to the socket
  std::string text;      // the device's address on success
};

int send_failure(Fail fail) {
  switch (fail) {
    case Fail::Resolve:
      return ERR_GETHOSTBYNAME;
    case Fail::Socket:
      return ERR_UDP_SOCKET;
    case Fail::Event:
      return ERR_WSACREATEEVENT;
    case Fail::SendTo:
      return ERR_UDP_SENDTO;
    case Fail::SendToWouldBlock:
    case Fail::SendToShort:
      return ERR_UDP_CANNOTSENDFULLDATA;
    default:
      return 0;
  }
}

std::string dotted(std::uint32_t address) {
  char text[16];
  in_addr a{};
  a.s_addr = address;
  ::inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

// What the call must give, worked out from the rules alone.
Outcome expected(bool opened, const std::string& mac, const vornen::fuzz::Script& script) {
  Outcome o;
  if (!opened) {
    o.result = ERR_ILLEGALSTATE_ONCONNECTION;
    return o;
  }
  // A failed lookup, socket or event leaves nothing to send with.
  o.queried =
      script.fail != Fail::Resolve && script.fail != Fail::Socket && script.fail != Fail::Event;
  if ((o.result = send_failure(script.fail)) != 0) return o;
  for (const Arrival& a : script.arrivals) {
    if (a.select_fails) {
      o.result = ERR_EVENTSELECT;
    } else if (a.wait == WaitResult::Timeout) {
      o.result = ERR_NODEVICE_FORMAC;
    } else if (a.enum_fails) {
      o.result = ERR_NETWORKEVENT_ONREAD;
    } else if ((a.flags & vornen::platform::kEventRead) == 0) {
      o.result = ERR_UDP_UNEXPECTEDEVENT_ONREAD;
    } else if (a.read_fails || a.bytes.empty() || a.bytes.size() > 100) {
      o.result = ERR_UDP_RECV;
    } else if (a.bytes.size() != 30) {
      o.result = ERR_UDP_ILLEGAL_RECV_DATA_BYTE;
    } else if (a.bytes.compare(24, 6, mac) == 0) {
      o.text = dotted(a.source);
      return o;
    } else {
      continue;  // another device
    }
    return o;
  }
  o.result = ERR_NODEVICE_FORMAC;  // nothing more arrives
  return o;
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

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vornen::fuzz::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  vornen::fuzz::Script script;
  const std::uint8_t flags = in.byte();
  const bool has_buffer = (flags & 1) == 0;
  const bool opened = (flags & 2) == 0;
  const char separator = (flags & 4) != 0 ? ':' : '-';
  const bool guarded = (flags & 8) != 0;
  script.fail = static_cast<Fail>(in.byte() % static_cast<std::uint8_t>(Fail::Count));
  const std::int32_t capacity = static_cast<std::int8_t>(in.byte());
  std::string mac = in.bytes(6);
  mac.resize(6, '\0');
  while (!in.empty()) {
    const std::uint8_t kind = in.byte();
    Arrival a;
    if ((kind & 8) != 0) a.wait = WaitResult::Failed;
    switch (kind & 7) {
      case 3:
        a.wait = WaitResult::Timeout;
        break;
      case 4:
        a.enum_fails = true;
        break;
      case 5:
        a.flags = 0;
        break;
      case 6:
        a.read_fails = true;
        break;
      case 7:
        a.select_fails = true;
        break;
      default: {
        for (int i = 0; i < 4; ++i) a.source |= static_cast<std::uint32_t>(in.byte()) << (8 * i);
        if ((kind & 7) == 0) {
          a.bytes = std::string(24, '\x11') + mac;
        } else if ((kind & 7) == 1) {
          a.bytes = in.bytes(30);
        } else {
          a.bytes = in.bytes(in.byte());
        }
        break;
      }
    }
    script.arrivals.push_back(std::move(a));
  }

  char mac_text[18];
  std::snprintf(mac_text, sizeof mac_text, "%02X%c%02X%c%02X%c%02X%c%02X%c%02X",
                static_cast<unsigned char>(mac[0]), separator, static_cast<unsigned char>(mac[1]),
                separator, static_cast<unsigned char>(mac[2]), separator,
                static_cast<unsigned char>(mac[3]), separator, static_cast<unsigned char>(mac[4]),
                separator, static_cast<unsigned char>(mac[5]));

  Outcome want;
  const bool checked = capacity >= 16 && has_buffer;
  if (!checked) {
    want.result = ERR_ILLEGAL_INPUT_PARAMETER;
  } else {
    want = expected(opened, mac, script);
  }

  const std::size_t room = static_cast<std::size_t>(std::max<std::int32_t>(capacity, 0));
  const std::size_t total = room + (guarded ? kGuard : 0);
  auto buffer = std::make_unique<char[]>(total);
  std::memset(buffer.get(), kFill, total);
  std::int32_t slot = capacity;

  vornen::reset_connection_for_tests();
  vornen::Connection& c = vornen::connection();
  if (opened) {
    c.state = vornen::kReady;
    std::strcpy(c.broadcast, kBroadcast);
  }
  const int state_before = c.state;
  vornen::fuzz::start(script);
  const int r = En_Get_IPAddress(mac_text, has_buffer ? buffer.get() : nullptr, &slot);
  const auto& rec = vornen::fuzz::record();

  require(documented(r), "En_Get_IPAddress returns one of its documented codes");
  require(r == want.result, "En_Get_IPAddress returns what the rules give");
  if (r != 0) {
    require(slot == capacity, "the capacity is unchanged on failure");
  } else {
    require(slot >= 7 && slot <= 15 && slot <= capacity, "the length of a dotted address");
    require(slot == static_cast<std::int32_t>(want.text.size()), "the length of the text");
  }
  const std::string written = r == 0 ? want.text + '\0' : checked ? std::string(1, '\0') : "";
  for (std::size_t i = 0; i < total; ++i) {
    const char at = i < written.size() ? written[i] : kFill;
    require(buffer[i] == at, "the buffer holds the address text, or is emptied, and no more");
  }
  if (want.queried) {
    require(rec.sent == std::string(kQuery, sizeof kQuery), "the query is its four bytes");
    require(rec.sent_port == 30718, "the query goes to the discovery port");
    require(rec.sent_to == ::inet_addr(kBroadcast), "the query goes to the broadcast address");
  } else {
    require(rec.sent.empty(), "nothing is sent without a socket and event");
  }
  if (!opened || !checked) require(rec.sockets_made == 0, "no socket before the checks pass");
  require(c.state == state_before, "the call ends in the state it began in");
  require(!c.socket_open && !c.event_open, "the connection holds no handle afterwards");
  require(rec.open_handles == 0, "every handle made is closed");
  return 0;
}
