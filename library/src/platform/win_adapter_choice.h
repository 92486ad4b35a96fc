// The adapter that VORNEN_INTERFACE names on Windows. Windows' adapter list
// has one entry per IPv4 address and no names, so a PC with a virtual switch,
// a VPN or Wi-Fi beside the cable has several; the variable says which of
// them the library uses.
#pragma once

#include <cstdint>

#include "platform.h"

namespace vornen::platform {

struct AdapterChoice {
  bool active = false;  // the variable is set and not empty
  int count = 0;        // addresses of the named adapter; none for an unknown name
  std::uint32_t addresses[kMaxAdapters] = {};  // network order
};

// Reads VORNEN_INTERFACE from the process environment (as SetEnvironmentVariable
// leaves it) and, when it is set, the IPv4 addresses it picks: all those of the
// adapter whose friendly name it is (compared as Windows compares adapter
// names, without regard to case), or else the one address whose dotted form
// it is. Returns 0, or -1 when the adapters could not be read.
int read_adapter_choice(AdapterChoice* choice);

// True when the choice keeps the entry with this address.
bool chosen(const AdapterChoice& choice, std::uint32_t address);

}  // namespace vornen::platform
