// The discovery responder on UDP 30718.
//
// Reply layout (30 bytes): 0..3 = 00 00 00 F7 (the answer to query code F6), 4..7 = the
// device's IPv4 address, 8..23 = zeros, 24..29 = the MAC. The PC reads only the MAC; it takes
// the address from the datagram's source.
#pragma once

#include <string>
#include <string_view>

#include "device.h"
#include "options.h"

namespace devsim {

inline constexpr unsigned short kDiscoveryPort = 30718;
inline constexpr std::size_t kDiscoveryReplySize = 30;

bool is_discovery_query(std::string_view datagram);
std::string discovery_reply(const Ipv4& address, const Mac& mac);

// A MAC that is neither `own` nor `other`, locally administered so it never names real hardware.
Mac foreign_mac(unsigned long long random, const Mac& own, const Mac& other);

void run_discovery(Device& device, const DiscoveryBehaviour& behaviour, UniqueFd socket);

}  // namespace devsim
