#include "neighbours.h"

#include <cstring>

#include "text_forms.h"

namespace vornctl {

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
