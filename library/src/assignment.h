// Giving a device its address by its MAC: the PC's ARP entry, a touch of
// port 1, and the setup dialogue on port 9999.
#pragma once

namespace vornen {

inline constexpr int kSetupPort = 9999;
inline constexpr int kTouchPort = 1;

int set_ip_address(const char* mac_text, const char* address_text, int host_bits);
// The setup dialogue alone, on a fresh connection to the setup port.
int setup_dialogue(const char* address_text, const unsigned char octets[4], int host_bits);

}  // namespace vornen
