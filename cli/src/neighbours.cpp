#include "neighbours.h"

#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "text_forms.h"

namespace vornctl {

namespace {

// Flag of /proc/net/route: the route goes through a gateway.
constexpr unsigned kRouteGateway = 0x2;

std::string file_text(const char* path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::optional<unsigned long> hex_number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  if (*end != '\0') return std::nullopt;
  return v;
}

}  // namespace

std::vector<Gateway> parse_route_table(const std::string& text) {
  std::vector<Gateway> out;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, destination, gateway, flags;
    if (!(fields >> device >> destination >> gateway >> flags)) continue;
    // The kernel prints the address as the 32-bit word it holds in memory,
    // so the number read back is the address in network order again.
    const auto g = hex_number(gateway);
    const auto f = hex_number(flags);
    if (!g || !f || (*f & kRouteGateway) == 0 || *g == 0) continue;
    out.push_back({static_cast<std::uint32_t>(*g), device});
  }
  return out;
}

std::vector<Neighbour> read_neighbours() {
  std::vector<Neighbour> table;
  const auto keep = [](const Neighbour& entry, void* context) {
    static_cast<std::vector<Neighbour>*>(context)->push_back(entry);
  };
  if (vornen::platform::read_neighbours(keep, &table, nullptr) !=
      vornen::platform::NeighbourResult::Done)
    table.clear();
  return table;
}

NetworkView read_network_view() {
  NetworkView view;
  view.neighbours = read_neighbours();
  view.gateways = parse_route_table(file_text("/proc/net/route"));
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) == 0) {
    std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, ::freeifaddrs);
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
      if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
      sockaddr_in in{};
      std::memcpy(&in, a->ifa_addr, sizeof in);
      view.own.push_back({in.sin_addr.s_addr, a->ifa_name});
    }
  }
  return view;
}

std::optional<Neighbour> find_neighbour(const std::vector<Neighbour>& table,
                                        std::uint32_t address) {
  for (const Neighbour& n : table)
    if (n.address == address) return n;
  return std::nullopt;
}

std::optional<Neighbour> permanent_entry(const std::vector<Neighbour>& table, std::uint32_t address,
                                         const std::uint8_t mac[6]) {
  const auto entry = find_neighbour(table, address);
  if (entry && entry->permanent && std::memcmp(entry->mac, mac, sizeof entry->mac) == 0)
    return entry;
  return std::nullopt;
}

std::string unsafe_reason(const NetworkView& view, std::uint32_t address,
                          const std::uint8_t mac[6]) {
  const std::string a = ipv4_text(address);
  for (const OwnAddress& o : view.own)
    if (o.address == address) return a + " is this PC's own address (" + o.device + ")";
  for (const Gateway& g : view.gateways)
    if (g.address == address) return a + " is the gateway of a route on " + g.device;
  if (auto n = find_neighbour(view.neighbours, address);
      n && std::memcmp(n->mac, mac, sizeof n->mac) != 0)
    return a + " is in the neighbour table with another MAC: " + neighbour_text(*n);
  return "";
}

std::string neighbour_text(const Neighbour& n) {
  return ipv4_text(n.address) + " lladdr " + mac_text_lower(n.mac) + " dev " + n.interface_name +
         (n.permanent ? " PERMANENT" : "");
}

}  // namespace vornctl
