#include "scan.h"

#include <cstring>

#include "VornEN.h"
#include "connection.h"
#include "discovery.h"
#include "platform/platform.h"
#include "udp.h"

namespace vornen {

int scan_devices(std::vector<FoundDevice>* found) {
  Connection& c = connection();
  if (c.broadcast[0] == '\0') return ERR_ILLEGALSTATE_ONCONNECTION;
  int r = discovery_query(c.broadcast);
  if (r != 0) return r;
  for (;;) {
    unsigned char reply[kDiscoveryReplyCapacity];
    FoundDevice device{};
    r = udp_receive(reply, kDiscoveryReplyCapacity, kDiscoveryReplyLength, device.address);
    if (r != 0) break;
    std::memcpy(device.mac, reply + kDiscoveryMacOffset, sizeof device.mac);
    found->push_back(device);
    platform::ops().sleep_ms(10);
  }
  udp_end();
  return r == ERR_UDP_TIMEOUT_ONREAD ? 0 : r;
}

}  // namespace vornen
