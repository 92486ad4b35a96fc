// En_Open and En_Close in any order over adapter lists of any shape and any
// failure of the socket layer: after each call the result, the connection
// state, the local broadcast address and the count of socket-layer starts and
// stops must be what a model of the rules gives; the query socket is closed
// once, and a connection that was in use is neither closed nor released.
//
// Input: calls until the input ends, each an operation byte:
//   bits 0-1: 0 and 3 En_Open, 1 En_Close, 2 leave a connection in use (bit
//             2: a UDP exchange rather than a TCP connection, bit 3: with its
//             socket and event open)
// and for En_Open then
//   start     1 byte: bits 0-1: 1 the start fails, 2 another version is
//             granted (2 bytes follow, little-endian), else it starts
//   query     1 byte: bits 0-1: 1 no query socket, 2 the list query fails
//   count     1 byte, modulo 32: how many adapters the list holds (above 20
//             the query fails, as it does on the system)
//   adapters  each its flags, address and netmask, 4 bytes each, the
//             address and netmask in network order
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "fake_checks.h"
#include "fuzz_input.h"
#include "text_rules.h"

using vornen::fake::Call;
using vornen::fuzz::require;

namespace {

constexpr std::uint16_t kVersion = 0x0202;

// What the rules say the library holds.
struct Model {
  int state = vornen::kClosed;
  std::string broadcast;
  int startups = 0;
  int cleanups = 0;
  int handles = 0;  // of a connection left in use
};

int open_call(vornen::fuzz::Reader& in, vornen::fake::Fake& fake, Model& m) {
  const std::uint8_t start = in.byte();
  if ((start & 3) == 1) {
    fake.expect(Call::Startup).returns(10091);
    return ERR_WSASTARTUPFAIL;
  }
  const std::uint16_t granted = (start & 3) == 2 ? in.uint16() : kVersion;
  fake.expect_startup(granted);
  ++m.startups;
  if (granted != kVersion) {
    ++m.cleanups;
    return ERR_WINSOCKVERSIONFAIL;
  }
  m.state = vornen::kClosed;
  const std::uint8_t query = in.byte();
  if ((query & 3) == 1) {
    fake.expect(Call::OpenQuerySocket).failing();
    return ERR_SOCKETONINFO;
  }
  fake.expect(Call::OpenQuerySocket);
  if ((query & 3) == 2) {
    fake.expect(Call::ListAdapters).returns(-1);
    return ERR_WSAIOCTLONINFO;
  }
  std::vector<vornen::platform::Adapter> list(in.byte() % 32);
  for (auto& a : list) {
    a.flags = in.uint32();
    a.address = in.uint32();
    a.netmask = in.uint32();
    a.name[0] = '\0';
  }
  fake.expect(Call::ListAdapters).adapters = list;
  if (list.size() > vornen::platform::kMaxAdapters) return ERR_WSAIOCTLONINFO;
  int usable = 0;
  for (const auto& a : list) {
    // Only the loop-back and point-to-point bits decide.
    if ((a.flags & 0x0C) != 0) continue;
    ++usable;
    m.broadcast = vornen::fuzz::dotted_text((a.address & a.netmask) | ~a.netmask);
  }
  if (usable == 0) return ERR_NONETWORKINTERFACEONINFO;
  if (usable > 1) return ERR_TOOMANYNONETWORKINTERFACE;
  m.state = vornen::kReady;
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  vornen::reset_connection_for_tests();
  vornen::Connection& c = vornen::connection();
  vornen::fake::Fake fake;
  Model m;
  while (!in.empty()) {
    const std::uint8_t op = in.byte();
    int r = 0;
    int want = 0;
    switch (op & 3) {
      case 1:
        m.broadcast.clear();
        ++m.cleanups;
        m.state = vornen::kClosed;
        r = En_Close();
        break;
      case 2:
        // As a call broken off between its steps would leave it; the handles
        // belong to that connection, which closes them itself.
        vornen::close_handles();
        m.state = (op & 4) != 0 ? vornen::kUdpPending : vornen::kTcpConnected;
        m.handles = (op & 8) != 0 ? 2 : 0;
        c.state = m.state;
        if (m.handles != 0) {
          c.socket = fake.new_socket();
          c.event = fake.new_event();
          c.socket_open = c.event_open = true;
        }
        break;
      default:
        want = open_call(in, fake, m);
        r = En_Open();
        break;
    }
    require(r == want, "the call returns what the rules give");
    require(c.state == m.state, "the connection is in the state the result says");
    require(strnlen(c.broadcast, sizeof c.broadcast) < sizeof c.broadcast,
            "the local broadcast address is a terminated text");
    require(c.broadcast == m.broadcast, "the local broadcast address is the model's");
    require(fake.startups() == m.startups && fake.cleanups() == m.cleanups,
            "the socket layer is started and stopped as the rules say");
    require(fake.open_handles() == m.handles, "the query socket is closed; nothing else is");
    require(c.socket_open == (m.handles != 0) && c.event_open == (m.handles != 0),
            "a connection in use keeps its handles");
    vornen::fuzz::require_clean(fake);
  }
  vornen::close_handles();
  require(fake.open_handles() == 0, "every handle made is closed");
  vornen::fuzz::require_clean(fake);
  return 0;
}
