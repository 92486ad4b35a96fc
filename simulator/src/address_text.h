// MAC and IPv4 address texts as the command line and the log write them.
// The simulator stands for a device, a peer apart from the library, so it
// reads these texts with its own code and shares none with the library: a
// fault in the library's text rules cannot hide in a test that runs both.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace devsim {

using Mac = std::array<unsigned char, 6>;
using Ipv4 = std::array<unsigned char, 4>;

struct Ipv4Prefix {
  Ipv4 address{};
  int prefix = 24;
};

// Six hex pairs separated all by "-" or all by ":"; either case.
std::optional<Mac> parse_mac(std::string_view text);
std::string format_mac(const Mac& mac);

// Strict dotted quad: four decimal octets 0..255, no spaces or leading signs.
std::optional<Ipv4> parse_ipv4(std::string_view text);
std::string format_ipv4(const Ipv4& address);

// "A.B.C.D" or "A.B.C.D/N"; without "/N" the prefix is `default_prefix`.
std::optional<Ipv4Prefix> parse_ipv4_prefix(std::string_view text, int default_prefix);

// Upper-case hex pairs, "48656C6C6F".
std::string hex_text(std::string_view bytes);

}  // namespace devsim
