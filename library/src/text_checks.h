// Checks on the 8-bit texts callers pass: host texts, MAC texts, hex digits,
// and the hex pairs in which setup records travel. 0 passes, -1 fails.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vornen {

inline constexpr int kHostTextMax = 16;
inline constexpr int kMacTextLength = 17;

// Which letters a hex digit may be: the exports take upper case only;
// vornctl takes MACs as people write them and passes them on in upper case.
enum class HexLetters { Upper, EitherCase };

// The value of a hex digit, or -1 for any other character.
int hex_digit_value(char c, HexLetters letters);
bool is_hex_digit(unsigned char c);
int check_host_text(const char* text);
// The address an assignment gives a device for `text`, read as the system's
// dotted conversion reads it (inet_aton: a part with a leading 0 is octal,
// fewer than four parts fill the last one's room); a text that only the
// resolver knows, or 255.255.255.255, is no such address and gives false.
// Asks no resolver. `address` is in network order.
bool read_address_text(const char* text, std::uint32_t* address);
// The one MAC text rule: six pairs of hex digits separated by all "-" or all
// ":", exactly `length` characters. True and the six bytes, or false with
// `mac` in an unspecified state. Allocates nothing.
bool read_mac_text(const char* text, std::size_t length, HexLetters letters, std::uint8_t mac[6]);
// A MAC text as the exports take it: upper case, ended by its terminator.
// Output is zeroed before any failure after the null test; a null text leaves
// it untouched.
int parse_mac_text(const char* text, std::uint8_t mac[6]);
void encode_hex_pair(std::uint8_t byte, char out[2]);

}  // namespace vornen
