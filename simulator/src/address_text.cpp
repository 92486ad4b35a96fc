#include "address_text.h"

#include <charconv>
#include <cstdio>

namespace devsim {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<int> parse_small_number(std::string_view text, int max) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > max) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<Mac> parse_mac(std::string_view text) {
  if (text.size() != 17) return std::nullopt;
  const char separator = text[2];
  if (separator != '-' && separator != ':') return std::nullopt;
  Mac mac{};
  for (std::size_t i = 0; i < 6; ++i) {
    const std::size_t at = i * 3;
    if (i > 0 && text[at - 1] != separator) return std::nullopt;
    const int high = hex_digit(text[at]);
    const int low = hex_digit(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    mac[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return mac;
}

std::string format_mac(const Mac& mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::optional<Ipv4> parse_ipv4(std::string_view text) {
  Ipv4 address{};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t dot = i < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const auto octet = parse_small_number(text.substr(0, dot), 255);
    if (!octet) return std::nullopt;
    address[i] = static_cast<unsigned char>(*octet);
    text.remove_prefix(i < 3 ? dot + 1 : dot);
  }
  return address;
}

std::string format_ipv4(const Ipv4& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
         std::to_string(address[2]) + "." + std::to_string(address[3]);
}

std::optional<Ipv4Prefix> parse_ipv4_prefix(std::string_view text, int default_prefix) {
  Ipv4Prefix result;
  result.prefix = default_prefix;
  const std::size_t slash = text.find('/');
  if (slash != std::string_view::npos) {
    const auto prefix = parse_small_number(text.substr(slash + 1), 32);
    if (!prefix) return std::nullopt;
    result.prefix = *prefix;
    text = text.substr(0, slash);
  }
  const auto address = parse_ipv4(text);
  if (!address) return std::nullopt;
  result.address = *address;
  return result;
}

std::string hex_text(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace devsim
