#include "arp_parameters.h"

#include <cstddef>
#include <cstring>

#include "platform.h"
#include "text_checks.h"

namespace vornen::platform {
namespace {

// Longest address text the library passes (its host text check allows 16).
constexpr std::size_t kMaxAddressText = 16;

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
  return read_mac_text(words[2].start, words[2].length, HexLetters::EitherCase, entry->mac);
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
