#include "arp_parameters.h"

#include <cstring>
#include <string>
#include <vector>

namespace vornen::platform {
namespace {

std::vector<std::string> split_blanks(const char* text) {
  std::vector<std::string> words;
  std::string word;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == ' ' || *p == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += *p;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool parse_dotted_strict(const std::string& text, std::uint32_t* address) {
  unsigned parts[4];
  int count = 0;
  unsigned value = 0;
  int digits = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : '.';
    if (c == '.') {
      if (digits == 0 || count == 4) return false;
      parts[count++] = value;
      value = 0;
      digits = 0;
    } else if (c >= '0' && c <= '9' && digits < 3) {
      value = value * 10 + static_cast<unsigned>(c - '0');
      ++digits;
    } else {
      return false;
    }
  }
  if (count != 4) return false;
  std::uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) {
    if (parts[i] > 255) return false;
    bytes[i] = static_cast<std::uint8_t>(parts[i]);
  }
  std::memcpy(address, bytes, 4);
  return true;
}

bool parse_mac_any_case(const std::string& text, std::uint8_t* mac) {
  if (text.size() != 17) return false;
  const char separator = text[2];
  if (separator != '-' && separator != ':') return false;
  for (int k = 0; k < 6; ++k) {
    if (k > 0 && text[static_cast<std::size_t>(3 * k - 1)] != separator) return false;
    int hi = hex_value(text[static_cast<std::size_t>(3 * k)]);
    int lo = hex_value(text[static_cast<std::size_t>(3 * k + 1)]);
    if (hi < 0 || lo < 0) return false;
    mac[k] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return true;
}

}  // namespace

bool parse_arp_parameters(const char* text, ArpEntry* entry) {
  if (text == nullptr) return false;
  std::vector<std::string> words = split_blanks(text);
  if (words.size() != 3 || words[0] != "-s") return false;
  return parse_dotted_strict(words[1], &entry->address) && parse_mac_any_case(words[2], entry->mac);
}

}  // namespace vornen::platform
