// The PC's own addresses and its routes' gateways on Linux: getifaddrs and
// /proc/net/route of this network namespace.
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "neighbours.h"

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

}  // namespace vornctl
