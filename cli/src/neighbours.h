// What the PC's own tables say about an address: its own addresses, the
// gateways of its routes and its neighbour (ARP) table, read from this
// network namespace. set looks here before it writes a permanent entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/neighbour_table.h"

namespace vornctl {

// Addresses are in network order throughout.
using vornen::platform::Neighbour;

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

// The gateways of the routes in /proc/net/route.
std::vector<Gateway> parse_route_table(const std::string& text);

// The entries of the neighbour table that hold a MAC (resolved or
// permanent); unresolved ones are left out, as is everything when the table
// cannot be read.
std::vector<Neighbour> read_neighbours();
NetworkView read_network_view();

std::optional<Neighbour> find_neighbour(const std::vector<Neighbour>& table, std::uint32_t address);
// The permanent entry `address` -> `mac` in `table`, the one an assignment
// writes; nullopt when the address has none, or one for another MAC.
std::optional<Neighbour> permanent_entry(const std::vector<Neighbour>& table, std::uint32_t address,
                                         const std::uint8_t mac[6]);

// Why giving `address` to the device `mac` would break something the PC
// relies on: the address is the PC's own, a gateway's, or in the neighbour
// table with another MAC. Empty when none of these holds.
std::string unsafe_reason(const NetworkView& view, std::uint32_t address,
                          const std::uint8_t mac[6]);

// "192.168.16.100 lladdr 00:20:4a:8d:72:33 dev pc0 PERMANENT", as ip neigh
// writes an entry.
std::string neighbour_text(const Neighbour& n);

}  // namespace vornctl
