#include "startup.h"

#include "VornEN.h"
#include "connection.h"
#include "platform/platform.h"

namespace vornen {

namespace {
constexpr std::uint16_t kSocketLayerVersion = 0x0202;
}

namespace {

int start_socket_layer() {
  const auto& os = platform::ops();
  std::uint16_t granted = 0;
  if (os.startup(kSocketLayerVersion, &granted) != 0) return ERR_WSASTARTUPFAIL;
  if (granted != kSocketLayerVersion) {
    os.cleanup();
    return ERR_WINSOCKVERSIONFAIL;
  }
  return 0;
}

}  // namespace

int open_library() {
  int r = start_socket_layer();
  return r != 0 ? r : adapter_check();
}

int adapter_check() {
  const auto& os = platform::ops();
  Connection& c = connection();
  // A connection still in use is forgotten, not closed: its handles stay with
  // whoever made them.
  c.state = kClosed;
  platform::Socket query = os.open_query_socket();
  if (query == platform::kNoSocket) return ERR_SOCKETONINFO;
  // Zeroed so that a backend without adapter names leaves them empty.
  platform::Adapter adapters[platform::kMaxAdapters] = {};
  int count = 0;
  if (os.list_adapters(query, adapters, &count) != 0) {
    os.close_socket(query);
    return ERR_WSAIOCTLONINFO;
  }
  if (count > platform::kMaxAdapters) count = platform::kMaxAdapters;
  int usable = 0;
  for (int i = 0; i < count; ++i) {
    const platform::Adapter& a = adapters[i];
    if ((a.flags & (platform::kAdapterLoopback | platform::kAdapterPointToPoint)) != 0) continue;
    ++usable;
    // The last usable adapter's text stays, also when there are several.
    os.format_dotted((a.address & a.netmask) | ~a.netmask, c.broadcast);
  }
  os.close_socket(query);
  if (usable == 0) return ERR_NONETWORKINTERFACEONINFO;
  if (usable > 1) return ERR_TOOMANYNONETWORKINTERFACE;
  c.state = kReady;
  return 0;
}

int close_library() {
  Connection& c = connection();
  c.broadcast[0] = '\0';
  platform::ops().cleanup();
  c.state = kClosed;
  return 0;
}

}  // namespace vornen
