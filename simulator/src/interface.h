// The one network interface the simulator plays the device on: its name, MAC and IPv4
// addresses. Failures come back as -errno (or -1 with a reason text) and are logged by callers.
#pragma once

#include <string>
#include <vector>

#include "address_text.h"

namespace devsim {

// The name of the only non-loopback interface, or empty with `error` set.
std::string find_single_interface(std::string& error);

unsigned interface_index(const std::string& name);

int bring_up(const std::string& name);
int read_mac(const std::string& name, Mac& mac);
// Some drivers refuse a new MAC while up; then it is set with the interface down.
int set_mac(const std::string& name, const Mac& mac);

// The interface's IPv4 addresses, as the kernel holds them now.
std::vector<Ipv4Prefix> ipv4_addresses(const std::string& name);

int add_address(unsigned index, const Ipv4Prefix& address);
int delete_address(unsigned index, const Ipv4Prefix& address);
// Deletes every IPv4 address of the interface, then adds `address`.
int replace_addresses(const std::string& name, const Ipv4Prefix& address);

}  // namespace devsim
