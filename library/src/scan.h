// Every device that answers one discovery query, for programs that list them.
#pragma once

#include <cstdint>
#include <vector>

namespace vornen {

struct FoundDevice {
  std::uint8_t mac[6];
  char address[16];
};

// Sends one query and reads replies until none comes within the wait. Each
// 30-byte reply adds a device (duplicates included; the caller sorts). A
// datagram of another length ends the scan with its code, keeping what was
// found. Returns 0 when the wait ended it.
int scan_devices(std::vector<FoundDevice>* found);

}  // namespace vornen
