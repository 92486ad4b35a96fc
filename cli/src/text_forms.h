// Small text conversions of the command-line program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vornctl {

// Decodes \r \n \t \\ \0 and \xHH; nullopt for a broken escape.
std::optional<std::string> decode_escapes(const std::string& text);

// A MAC as people write it (upper or lower case, pairs separated by all "-"
// or all ":") in the form the library takes: upper case, separators kept.
// nullopt for anything else.
std::optional<std::string> normalise_mac(const std::string& text);
// The six bytes of a MAC text normalise_mac accepts.
bool mac_bytes(const std::string& text, std::uint8_t out[6]);
// "00-20-4A-8D-72-33" for six bytes.
std::string mac_text(const std::uint8_t mac[6]);
// "00:20:4a:8d:72:33", as ip neigh shows it.
std::string mac_text_lower(const std::uint8_t mac[6]);

// A dotted IPv4 address of four decimal parts, in network order.
std::optional<std::uint32_t> parse_ipv4(const std::string& text);
std::string ipv4_text(std::uint32_t address);
// A 32-bit number of this machine's order in network order.
std::uint32_t network_order(std::uint32_t value);

// The host-bit count of a contiguous netmask (255.255.255.0 gives 8).
std::optional<int> host_bits_of_netmask(const std::string& netmask);
std::string netmask_of_host_bits(int host_bits);

// A device's address, read as the library reads it when it gives a device its
// address and connects to it, so that every check looks at the address the
// device really gets. Only the plain form "A.B.C.D" (four decimal parts, no
// leading zeros) is taken: the library reads "192.168.16.010" as
// 192.168.16.8 and "10.5" as 10.0.0.5, which is seldom what was meant, so such
// a text is refused, and `why` (when given) says what it stands for.
std::optional<std::uint32_t> read_device_address(const std::string& text,
                                                 std::string* why = nullptr);

// The address to set, "A.B.C.D" or "A.B.C.D/PREFIX": the address part and,
// when a prefix was given, its host-bit count (32 - PREFIX). On failure `why`
// (when given) says what is wrong.
struct AddressToSet {
  std::string address;
  std::uint32_t value = 0;  // network order
  std::optional<int> host_bits;
};
std::optional<AddressToSet> parse_address_to_set(const std::string& text,
                                                 std::string* why = nullptr);

// A decimal number within [low, high].
std::optional<long> parse_number(const std::string& text, long low, long high);

// The text safe to show on a terminal: printable ASCII and well-formed UTF-8
// stay; control characters (C0, DEL, C1) and stray bytes become \xHH, and
// the backslash is doubled so that nothing reads as an escape by accident.
std::string printable(const std::string& text);
// Bytes as the trace shows them and ask shows a reply on a terminal: \r, \n
// and \\ as escapes (\" too when `quoted`), printable ASCII as it is, and
// every other byte, a control byte above all, as \xHH, so that no byte
// reaches a terminal as a command to it.
std::string escaped_bytes(std::string_view bytes, bool quoted);
// Upper-case hex of the bytes, two digits each.
std::string hex_text(const std::string& bytes);

}  // namespace vornctl
