// Finding a device's address by its MAC: one broadcast query to UDP 30718,
// then replies until one carries the wanted MAC.
#pragma once

#include <cstdint>

namespace vornen {

inline constexpr int kDiscoveryPort = 30718;
inline constexpr int kDiscoveryReplyLength = 30;
inline constexpr int kDiscoveryReplyCapacity = 100;
inline constexpr int kDiscoveryMacOffset = 24;

int get_ip_address(const char* mac_text, char* buffer, std::int32_t* capacity);

// Sends the query to the broadcast text and pauses; the exchange stays open.
int discovery_query(const char* target);

}  // namespace vornen
