// Small text conversions of the command-line program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vornctl {

// Decodes \r \n \t \\ \0 and \xHH; nullopt for a broken escape.
std::optional<std::string> decode_escapes(const std::string& text);
// Host-bit count of a netmask the devices take: 255.255.255.0 gives 8.
std::optional<int> host_bits_of_netmask(const std::string& netmask);
// "00-20-4A-8D-72-33" for six bytes.
std::string mac_text(const std::uint8_t mac[6]);
std::optional<long> parse_number(const std::string& text, long low, long high);

}  // namespace vornctl
