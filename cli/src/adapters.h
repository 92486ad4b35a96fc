// The PC's network adapters as the system lists them, for what the library
// does not say: whether a named adapter exists, whether the one in use is up,
// and its prefix.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vornctl {

struct AdapterState {
  std::string name;
  std::uint32_t address = 0;  // network order
  int prefix = 0;
  bool up = false;       // switched on (ip link set NAME up)
  bool running = false;  // with a link to the network (carrier)
};

bool adapter_exists(const std::string& name);

// The adapter whose directed broadcast address is `broadcast` (network
// order), as the library chose it at open; with `name` not empty, only that
// adapter.
std::optional<AdapterState> adapter_of_broadcast(std::uint32_t broadcast, const std::string& name);
// The adapter the opened library uses, known to it by its broadcast address
// only; `name` as for adapter_of_broadcast.
std::optional<AdapterState> adapter_in_use(const std::string& name);

}  // namespace vornctl
