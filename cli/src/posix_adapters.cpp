#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>

#include "adapters.h"

namespace vornctl {

bool adapter_exists(const std::string& name) { return ::if_nametoindex(name.c_str()) != 0; }

std::optional<AdapterState> adapter_of_broadcast(std::uint32_t broadcast, const std::string& name) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::optional<AdapterState> found;
  for (const ifaddrs* a = list; a != nullptr && !found; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_netmask == nullptr || a->ifa_addr->sa_family != AF_INET)
      continue;
    if ((a->ifa_flags & (IFF_LOOPBACK | IFF_POINTOPOINT)) != 0) continue;
    if (!name.empty() && name != a->ifa_name) continue;
    sockaddr_in address{}, netmask{};
    std::memcpy(&address, a->ifa_addr, sizeof address);
    std::memcpy(&netmask, a->ifa_netmask, sizeof netmask);
    const std::uint32_t mask = netmask.sin_addr.s_addr;
    if (((address.sin_addr.s_addr & mask) | ~mask) != broadcast) continue;
    found = AdapterState{a->ifa_name, address.sin_addr.s_addr, __builtin_popcount(mask),
                         (a->ifa_flags & IFF_UP) != 0, (a->ifa_flags & IFF_RUNNING) != 0};
  }
  ::freeifaddrs(list);
  return found;
}

}  // namespace vornctl
