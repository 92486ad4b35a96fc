// Checks on the 8-bit texts callers pass: host texts, MAC texts, hex digits,
// and the hex pairs in which setup records travel. 0 passes, -1 fails.
#pragma once

#include <cstdint>

namespace vornen {

inline constexpr int kHostTextMax = 16;
inline constexpr int kMacTextLength = 17;

bool is_hex_digit(unsigned char c);
int check_host_text(const char* text);
// Output is zeroed before any failure after the null test; a null text leaves
// it untouched.
int parse_mac_text(const char* text, std::uint8_t mac[6]);
void encode_hex_pair(std::uint8_t byte, char out[2]);

}  // namespace vornen
