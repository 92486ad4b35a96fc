// The parameter text of the "arp" command, "-s ADDRESS MAC ", read back into
// its parts by the backends that make the entry themselves.
#pragma once

#include <cstddef>
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

// Windows' arp takes the MAC only in the hyphen form and ignores an entry in
// the colon form without a word. Copies `text` into `out` (room for
// `capacity` bytes, terminator included) with the colons of its third word,
// the MAC, made hyphens; the rest, blanks included, stays as it is. False,
// and `out` empty, when the copy would not fit.
bool with_hyphen_mac(const char* text, char* out, std::size_t capacity);

}  // namespace vornen::platform
