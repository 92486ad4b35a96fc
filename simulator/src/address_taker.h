// Address taking: while the interface has no IPv4 address, the first IPv4 packet sent to the
// device's MAC names the address it is to take. (The PC binds the wanted address to the MAC in
// its ARP table and then connects to it, so that packet carries the wanted address.)
#pragma once

#include <optional>
#include <string_view>

#include "device.h"

namespace devsim {

// The destination address of an Ethernet frame holding an IPv4 packet sent to `own` alone;
// nullopt for anything else, broadcast and multicast destinations included.
std::optional<Ipv4> frame_target(std::string_view frame, const Mac& own);

// A packet socket that sees the interface's IPv4 frames.
UniqueFd open_packet_socket(unsigned index);

// With `retake`, an addressed device also takes a new address named this way, replacing its own.
void run_address_taker(Device& device, bool retake, UniqueFd packet_socket);

}  // namespace devsim
