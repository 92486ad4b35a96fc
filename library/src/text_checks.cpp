#include "text_checks.h"

#include <cstring>

#include "platform/platform.h"

namespace vornen {

int hex_digit_value(char c, HexLetters letters) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (letters == HexLetters::EitherCase && c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool is_hex_digit(unsigned char c) {
  return hex_digit_value(static_cast<char>(c), HexLetters::Upper) >= 0;
}

namespace {

// The characters a host text may hold: hex digits and dots, at most
// kHostTextMax of them.
bool host_characters_pass(const char* text) {
  if (text == nullptr || text[0] == '\0') return false;
  for (int i = 0; text[i] != '\0'; ++i) {
    // A 17th character fails whatever it is; the scan goes no further.
    if (i >= kHostTextMax) return false;
    const auto c = static_cast<unsigned char>(text[i]);
    if (!is_hex_digit(c) && c != '.') return false;
  }
  return true;
}

}  // namespace

int check_host_text(const char* text) {
  if (!host_characters_pass(text)) return -1;
  const auto& os = platform::ops();
  if (os.parse_dotted(text) != platform::kAddressNone) return 0;
  std::uint32_t resolved = 0;
  return os.resolve(text, &resolved) ? 0 : -1;
}

bool read_address_text(const char* text, std::uint32_t* address) {
  if (!host_characters_pass(text)) return false;
  const std::uint32_t read = platform::ops().parse_dotted(text);
  if (read == platform::kAddressNone) return false;
  *address = read;
  return true;
}

bool read_mac_text(const char* text, std::size_t length, HexLetters letters, std::uint8_t mac[6]) {
  if (length != static_cast<std::size_t>(kMacTextLength)) return false;
  const char separator = text[2];
  if (separator != '-' && separator != ':') return false;
  for (int k = 0; k < 6; ++k) {
    if (k > 0 && text[3 * k - 1] != separator) return false;
    const int hi = hex_digit_value(text[3 * k], letters);
    const int lo = hex_digit_value(text[3 * k + 1], letters);
    if (hi < 0 || lo < 0) return false;
    mac[k] = static_cast<std::uint8_t>(hi << 4 | lo);
  }
  return true;
}

int parse_mac_text(const char* text, std::uint8_t mac[6]) {
  if (text == nullptr) return -1;
  std::memset(mac, 0, 6);
  // Bounded: never reads past the terminator nor far past 17 characters.
  const std::size_t length = strnlen(text, kMacTextLength + 1);
  if (read_mac_text(text, length, HexLetters::Upper, mac)) return 0;
  std::memset(mac, 0, 6);
  return -1;
}

void encode_hex_pair(std::uint8_t byte, char out[2]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = kDigits[byte >> 4];
  out[1] = kDigits[byte & 0x0F];
}

}  // namespace vornen
