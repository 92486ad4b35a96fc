#include "arp_parameters.h"

#include <cstddef>
#include <cstring>

#include "platform.h"

namespace vornen::platform {
namespace {

// Longest address text the library passes (its host text check allows 16).
constexpr std::size_t kMaxAddressText = 16;
constexpr std::size_t kMacText = 17;

struct Word {
  const char* start;
  std::size_t length;
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The next blank-separated word from *cursor; false when only blanks remain.
bool next_word(const char** cursor, Word* word) {
  const char* p = *cursor;
  while (is_blank(*p)) ++p;
  if (*p == '\0') return false;
  word->start = p;
  while (*p != '\0' && !is_blank(*p)) ++p;
  word->length = static_cast<std::size_t>(p - word->start);
  *cursor = p;
  return true;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool parse_mac_any_case(const Word& text, std::uint8_t* mac) {
  if (text.length != kMacText) return false;
  const char separator = text.start[2];
  if (separator != '-' && separator != ':') return false;
  for (int k = 0; k < 6; ++k) {
    if (k > 0 && text.start[3 * k - 1] != separator) return false;
    const int hi = hex_value(text.start[3 * k]);
    const int lo = hex_value(text.start[3 * k + 1]);
    if (hi < 0 || lo < 0) return false;
    mac[k] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return true;
}

}  // namespace

bool parse_arp_parameters(const char* text, std::uint32_t (*read_address)(const char*),
                          ArpEntry* entry) {
  if (text == nullptr) return false;
  Word words[4];
  int count = 0;
  const char* cursor = text;
  while (count < 4 && next_word(&cursor, &words[count])) ++count;
  if (count != 3) return false;
  if (words[0].length != 2 || std::strncmp(words[0].start, "-s", 2) != 0) return false;
  if (words[1].length > kMaxAddressText) return false;
  char address[kMaxAddressText + 1];
  std::memcpy(address, words[1].start, words[1].length);
  address[words[1].length] = '\0';
  entry->address = read_address(address);
  if (entry->address == kAddressNone) return false;
  return parse_mac_any_case(words[2], entry->mac);
}

bool with_hyphen_mac(const char* text, char* out, std::size_t capacity) {
  if (capacity == 0) return false;
  const std::size_t length = std::strlen(text);
  if (length >= capacity) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, text, length + 1);
  const char* cursor = out;
  Word word{};
  for (int k = 0; k < 3; ++k) {
    if (!next_word(&cursor, &word)) return true;
  }
  char* mac = out + (word.start - out);
  for (std::size_t i = 0; i < word.length; ++i) {
    if (mac[i] == ':') mac[i] = '-';
  }
  return true;
}

}  // namespace vornen::platform
