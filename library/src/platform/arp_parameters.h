// The parameter text of the "arp" command, "-s ADDRESS MAC ", read back into
// its parts by the backends that make the entry themselves.
#pragma once

#include <cstdint>

namespace vornen::platform {

struct ArpEntry {
  std::uint32_t address;  // network order
  std::uint8_t mac[6];
};

// Accepts "-s", an address and a MAC in the hyphen or colon form, separated
// and ended by blanks; false for anything else. The address is read by
// `read_address` (a backend's parse_dotted), so that the entry names the
// address every other step of the assignment uses, shortened and octal forms
// included. Allocates nothing.
bool parse_arp_parameters(const char* text, std::uint32_t (*read_address)(const char*),
                          ArpEntry* entry);

}  // namespace vornen::platform
