#include "text_checks.h"

#include <cstring>

#include "platform/platform.h"

namespace vornen {

bool is_hex_digit(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

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

namespace {
int digit_value(unsigned char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }
}  // namespace

int parse_mac_text(const char* text, std::uint8_t mac[6]) {
  if (text == nullptr) return -1;
  std::memset(mac, 0, 6);
  // Bounded: never reads past the terminator nor far past 17 characters.
  if (strnlen(text, kMacTextLength + 1) != kMacTextLength) return -1;
  const char separator = text[2];
  if (separator != '-' && separator != ':') return -1;
  for (int k = 1; k < 6; ++k) {
    if (text[3 * k - 1] != separator) return -1;
  }
  for (int k = 0; k < 6; ++k) {
    const auto hi = static_cast<unsigned char>(text[3 * k]);
    const auto lo = static_cast<unsigned char>(text[3 * k + 1]);
    if (!is_hex_digit(hi) || !is_hex_digit(lo)) {
      std::memset(mac, 0, 6);
      return -1;
    }
    mac[k] = static_cast<std::uint8_t>(digit_value(hi) << 4 | digit_value(lo));
  }
  return 0;
}

void encode_hex_pair(std::uint8_t byte, char out[2]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = kDigits[byte >> 4];
  out[1] = kDigits[byte & 0x0F];
}

}  // namespace vornen
