// The PC's own addresses and its routes' gateways on Windows, from IP Helper:
// the adapters' unicast addresses and the route table's next hops.
#include <map>

#include "neighbours.h"
#include "platform/platform.h"
#include "platform/win_adapter_list.h"
// netioapi.h needs the types of iphlpapi.h.
#include <netioapi.h>

#include "win_text.h"

namespace vornctl {

NetworkView read_network_view() {
  NetworkView view;
  view.neighbours = read_neighbours();
  vornen::platform::AdapterList list;
  std::map<NET_IFINDEX, std::string> names;
  if (vornen::platform::read_adapter_list(&list) == 0) {
    for (const auto* a = list.first; a != nullptr; a = a->Next) {
      const std::string name = utf8_text(a->FriendlyName != nullptr ? a->FriendlyName : L"");
      names[a->IfIndex] = name;
      for (const auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
        const std::uint32_t address = vornen::platform::ipv4_of(u);
        if (address != vornen::platform::kAddressNone) view.own.push_back({address, name});
      }
    }
  }
  MIB_IPFORWARD_TABLE2* routes = nullptr;
  if (::GetIpForwardTable2(AF_INET, &routes) == NO_ERROR) {
    for (ULONG i = 0; i < routes->NumEntries; ++i) {
      const MIB_IPFORWARD_ROW2& route = routes->Table[i];
      const std::uint32_t gateway = route.NextHop.Ipv4.sin_addr.s_addr;
      if (route.NextHop.si_family != AF_INET || gateway == 0) continue;
      view.gateways.push_back({gateway, names[route.InterfaceIndex]});
    }
    ::FreeMibTable(routes);
  }
  return view;
}

}  // namespace vornctl
