// The library's text rules stated once more, apart from its own code, for the
// fuzz targets' models: the MAC text parse, the scan of the host text check,
// and dotted text to and from an address in network order.
#pragma once

#include <arpa/inet.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace vornen::fuzz {

inline int upper_hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Six pairs of upper-case hex digits, five separators all "-" or all ":".
inline std::optional<std::array<std::uint8_t, 6>> reference_mac(const std::string& t) {
  if (t.size() != 17) return std::nullopt;
  const char separator = t[2];
  if (separator != '-' && separator != ':') return std::nullopt;
  std::array<std::uint8_t, 6> mac{};
  for (std::size_t k = 0; k < 6; ++k) {
    if (k < 5 && t[3 * k + 2] != separator) return std::nullopt;
    const int hi = upper_hex_value(t[3 * k]);
    const int lo = upper_hex_value(t[3 * k + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    mac[k] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return mac;
}

// The scan of the host text check: 1 to 16 characters, each a digit, a
// letter A to F or a dot. A text that passes goes to the conversion, and to
// the resolver when the conversion rejects it.
inline bool host_text_scans(const std::string& text) {
  if (text.empty() || text.size() > 16) return false;
  for (char c : text) {
    if (upper_hex_value(c) < 0 && c != '.') return false;
  }
  return true;
}

// The system's dotted-text conversion, shortened and octal forms included.
inline std::optional<std::uint32_t> dotted_value(const std::string& text) {
  in_addr a{};
  if (::inet_aton(text.c_str(), &a) == 0) return std::nullopt;
  return a.s_addr;
}

// Dotted decimal text of an address in network order, first byte first.
inline std::string dotted_text(std::uint32_t address) {
  const auto* b = reinterpret_cast<const unsigned char*>(&address);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

}  // namespace vornen::fuzz
