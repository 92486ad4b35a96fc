#include "text_forms.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text_checks.h"

namespace vornctl {

namespace {

int hex_value(char c) { return vornen::hex_digit_value(c, vornen::HexLetters::EitherCase); }

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::optional<std::string> decode_escapes(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      case '\\':
        out += '\\';
        break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        int hi = hex_value(text[i + 1]);
        int lo = hex_value(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::optional<std::string> normalise_mac(const std::string& text) {
  std::uint8_t mac[6];
  if (!mac_bytes(text, mac)) return std::nullopt;
  std::string out = mac_text(mac);
  std::replace(out.begin(), out.end(), '-', text[2]);
  return out;
}

bool mac_bytes(const std::string& text, std::uint8_t out[6]) {
  return vornen::read_mac_text(text.data(), text.size(), vornen::HexLetters::EitherCase, out);
}

std::string mac_text(const std::uint8_t mac[6]) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::string mac_text_lower(const std::uint8_t mac[6]) {
  char text[18];
  std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::optional<std::uint32_t> parse_ipv4(const std::string& text) {
  std::uint8_t octets[4];
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != '.') return std::nullopt;
      ++at;
    }
    const std::size_t start = at;
    unsigned value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 3)
      value = value * 10 + static_cast<unsigned>(text[at++] - '0');
    if (at == start || value > 255) return std::nullopt;
    octets[part] = static_cast<std::uint8_t>(value);
  }
  if (at != text.size()) return std::nullopt;
  std::uint32_t address;
  static_assert(sizeof address == sizeof octets);
  std::memcpy(&address, octets, sizeof address);
  return address;
}

std::string ipv4_text(std::uint32_t address) {
  std::uint8_t o[4];
  std::memcpy(o, &address, sizeof o);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", o[0], o[1], o[2], o[3]);
  return text;
}

std::uint32_t network_order(std::uint32_t value) {
  const std::uint8_t o[4] = {
      static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
      static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  std::uint32_t out;
  std::memcpy(&out, o, sizeof out);
  return out;
}

std::optional<int> host_bits_of_netmask(const std::string& netmask) {
  const auto mask = parse_ipv4(netmask);
  if (!mask) return std::nullopt;
  const std::uint8_t* o = reinterpret_cast<const std::uint8_t*>(&*mask);
  const std::uint32_t value = (std::uint32_t{o[0]} << 24) | (std::uint32_t{o[1]} << 16) |
                              (std::uint32_t{o[2]} << 8) | std::uint32_t{o[3]};
  const std::uint32_t hosts = ~value;
  // Contiguous: the host part is a run of ones at the bottom.
  if ((hosts & (hosts + 1)) != 0) return std::nullopt;
  return __builtin_popcount(hosts);
}

std::string netmask_of_host_bits(int host_bits) {
  const std::uint32_t value = host_bits >= 32 ? 0 : ~((std::uint32_t{1} << host_bits) - 1);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", value >> 24, (value >> 16) & 0xFF,
                (value >> 8) & 0xFF, value & 0xFF);
  return text;
}

std::optional<std::uint32_t> read_device_address(const std::string& text, std::string* why) {
  std::uint32_t address = 0;
  // The library takes upper-case hex digits only; "0x" never reaches it.
  if (text.find('\0') != std::string::npos || !vornen::read_address_text(text.c_str(), &address)) {
    if (why != nullptr) *why = "not an address: '" + text + "'";
    return std::nullopt;
  }
  const std::string plain = ipv4_text(address);
  if (text == plain) return address;
  if (why != nullptr) {
    const bool shortened = std::count(text.begin(), text.end(), '.') < 3;
    *why = "'" + text + "' would be " + plain +
           (shortened ? " (an address of fewer than four parts fills the missing ones with zeros)"
                      : " (a part with a leading 0 is read as octal)") +
           "; write the address as four decimal numbers without leading zeros";
  }
  return std::nullopt;
}

std::optional<AddressToSet> parse_address_to_set(const std::string& text, std::string* why) {
  AddressToSet out;
  const std::size_t slash = text.find('/');
  out.address = text.substr(0, slash);
  const auto value = read_device_address(out.address, why);
  if (!value) return std::nullopt;
  out.value = *value;
  if (slash != std::string::npos) {
    const auto prefix = parse_number(text.substr(slash + 1), 0, 32);
    if (!prefix) {
      if (why != nullptr) *why = "not an address with a prefix: '" + text + "'";
      return std::nullopt;
    }
    out.host_bits = 32 - static_cast<int>(*prefix);
  }
  return out;
}

std::optional<long> parse_number(const std::string& text, long low, long high) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value < low || value > high) return std::nullopt;
  return value;
}

namespace {

// Length of the well-formed UTF-8 sequence at `at` that encodes a character
// a terminal shows as such (U+00A0 and above); 0 for anything else.
std::size_t shown_sequence(const std::string& text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead >= 0xF5 || at + length > text.size()) return 0;
  std::uint32_t code = lead & (0xFFu >> (length + 1));
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(text[at + i]);
    if ((b & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b & 0x3Fu);
  }
  const std::uint32_t lowest[] = {0, 0, 0xA0, 0x800, 0x10000};
  if (code < lowest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '\\') {
      out += "\\\\";
      ++i;
    } else if (b >= 0x20 && b < 0x7F) {
      out += text[i++];
    } else if (const std::size_t n = shown_sequence(text, i); n != 0) {
      out.append(text, i, n);
      i += n;
    } else {
      out += "\\x";
      out += kHexDigits[b >> 4];
      out += kHexDigits[b & 15];
      ++i;
    }
  }
  return out;
}

std::string escaped_bytes(std::string_view bytes, bool quoted) {
  std::string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\\' || (quoted && c == '"')) {
      text += '\\';
      text += c;
    } else if (b < 0x20 || b >= 0x7F) {
      text += "\\x";
      text += kHexDigits[b >> 4];
      text += kHexDigits[b & 15];
    } else {
      text += c;
    }
  }
  return text;
}

std::string hex_text(const std::string& bytes) {
  std::string out;
  out.reserve(2 * bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
  }
  return out;
}

}  // namespace vornctl
