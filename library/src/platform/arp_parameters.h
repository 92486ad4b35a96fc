// The parameter text of the "arp" command, "-s ADDRESS MAC ", read back into
// its parts by the backends that make the entry themselves.
#pragma once

#include <cstdint>

namespace vornen::platform {

struct ArpEntry {
  std::uint32_t address;  // network order
  std::uint8_t mac[6];
};

// Accepts "-s", a dotted address and a MAC in the hyphen or colon form,
// separated and ended by blanks; false for anything else.
bool parse_arp_parameters(const char* text, ArpEntry* entry);

}  // namespace vornen::platform
