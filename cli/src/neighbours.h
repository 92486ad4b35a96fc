// What the PC's own tables say about an address: its own addresses, the
// gateways of its routes and its neighbour (ARP) table, read from this
// network namespace. set looks here before it writes a permanent entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vornctl {

// Addresses are in network order throughout.
struct Neighbour {
  std::uint32_t address = 0;
  std::uint8_t mac[6] = {};
  bool permanent = false;
  std::string device;
};

struct Gateway {
  std::uint32_t address = 0;
  std::string device;
};

struct OwnAddress {
  std::uint32_t address = 0;
  std::string device;
};

struct NetworkView {
  std::vector<OwnAddress> own;
  std::vector<Gateway> gateways;
  std::vector<Neighbour> neighbours;
};

// The entries of /proc/net/arp that hold a MAC (complete or permanent);
// unresolved ones are left out.
std::vector<Neighbour> parse_arp_table(const std::string& text);
// The gateways of the routes in /proc/net/route.
std::vector<Gateway> parse_route_table(const std::string& text);

std::vector<Neighbour> read_neighbours();
NetworkView read_network_view();

std::optional<Neighbour> find_neighbour(const std::vector<Neighbour>& table, std::uint32_t address);

// Why giving `address` to the device `mac` would break something the PC
// relies on: the address is the PC's own, a gateway's, or in the neighbour
// table with another MAC. Empty when none of these holds.
std::string unsafe_reason(const NetworkView& view, std::uint32_t address,
                          const std::uint8_t mac[6]);

// "192.168.16.100 lladdr 00:20:4a:8d:72:33 dev pc0 PERMANENT", as ip neigh
// writes an entry.
std::string neighbour_text(const Neighbour& n);

}  // namespace vornctl
