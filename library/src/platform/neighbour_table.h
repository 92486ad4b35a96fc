// The system's IPv4 neighbour (ARP) table: read, add a permanent entry,
// delete an entry. Plain data in and out, and result codes, so that every
// system's backend fits behind it: rtnetlink on Linux
// (posix_neighbour_table.cpp), IP Helper's neighbour rows on Windows
// (win_neighbour_table.cpp). The
// library writes the entry an assignment needs through it; vornctl reads the
// table before it writes and removes what it left.
#pragma once

#include <cstdint>

namespace vornen::platform {

struct Neighbour {
  std::uint32_t address;  // network order
  std::uint8_t mac[6];
  bool permanent;            // written by hand, never aged out by the system
  unsigned interface_index;  // the system's index of the adapter
  // The system's name of that adapter (UTF-8; on Windows its friendly name,
  // cut at a character's end where longer), or empty.
  char interface_name[128];
};

enum class NeighbourResult {
  Done,
  NoRight,   // changing the table needs the network-administration right
  NotFound,  // no such entry
  Failed,    // anything else; the system's error code says what
};

// Calls `visit` with each entry that holds a device's MAC (resolved or
// permanent; entries still being resolved, or that failed to resolve, are
// left out, as are the system's own entries for broadcast and multicast
// addresses). `system_error` (when given) receives the system's error code
// on failure (errno, or a Windows error code). Allocates nothing itself
// (Windows' IP Helper hands out a table of its own).
NeighbourResult read_neighbours(void (*visit)(const Neighbour& entry, void* context), void* context,
                                int* system_error) noexcept;

// Writes (or replaces) the permanent entry `address` -> `mac` on the
// adapter `interface_index`. Allocates nothing.
NeighbourResult add_permanent_neighbour(std::uint32_t address, const std::uint8_t mac[6],
                                        unsigned interface_index, int* system_error) noexcept;

// Removes the entry for `address` on the adapter `interface_index`.
NeighbourResult delete_neighbour(std::uint32_t address, unsigned interface_index,
                                 int* system_error) noexcept;

// The adapter on whose link `address` is reached directly, as the system's
// "arp -s" chooses it when no adapter is named; 0 when the address is
// reached through a gateway, is local or a broadcast address, has no route,
// or the system does not answer. Allocates nothing.
unsigned link_interface_of(std::uint32_t address) noexcept;

}  // namespace vornen::platform
