#include "interface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "unique_fd.h"

namespace devsim {
namespace {

UniqueFd control_socket() { return UniqueFd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)); }

bool fill_name(ifreq& request, const std::string& name) {
  std::memset(&request, 0, sizeof request);
  if (name.empty() || name.size() >= IFNAMSIZ) return false;
  std::memcpy(request.ifr_name, name.c_str(), name.size());
  return true;
}

int change_flags(const std::string& name, bool up) {
  const UniqueFd fd = control_socket();
  ifreq request;
  if (!fd.valid()) return -errno;
  if (!fill_name(request, name)) return -EINVAL;
  if (::ioctl(fd.get(), SIOCGIFFLAGS, &request) < 0) return -errno;
  if (up) {
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
  } else {
    request.ifr_flags = static_cast<short>(request.ifr_flags & ~IFF_UP);
  }
  if (::ioctl(fd.get(), SIOCSIFFLAGS, &request) < 0) return -errno;
  return 0;
}

int write_mac(const std::string& name, const Mac& mac) {
  const UniqueFd fd = control_socket();
  ifreq request;
  if (!fd.valid()) return -errno;
  if (!fill_name(request, name)) return -EINVAL;
  request.ifr_hwaddr.sa_family = ARPHRD_ETHER;
  std::memcpy(request.ifr_hwaddr.sa_data, mac.data(), mac.size());
  if (::ioctl(fd.get(), SIOCSIFHWADDR, &request) < 0) return -errno;
  return 0;
}

struct AddressRequest {
  nlmsghdr header;
  ifaddrmsg message;
  char attributes[64];
};

void add_attribute(AddressRequest& request, unsigned short type, const Ipv4& address) {
  auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) +
                                              NLMSG_ALIGN(request.header.nlmsg_len));
  attribute->rta_type = type;
  attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(address.size()));
  std::memcpy(RTA_DATA(attribute), address.data(), address.size());
  request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

Ipv4 broadcast_of(const Ipv4Prefix& address) {
  const std::uint32_t host_mask =
      address.prefix == 0 ? 0xFFFFFFFFu : (1u << (32 - address.prefix)) - 1;
  Ipv4 broadcast = address.address;
  for (int i = 0; i < 4; ++i) {
    broadcast[static_cast<std::size_t>(i)] |= static_cast<unsigned char>(host_mask >> (24 - 8 * i));
  }
  return broadcast;
}

// Sends one address request and waits for the kernel's answer to it.
int address_request(int type, int flags, unsigned index, const Ipv4Prefix& address) {
  const UniqueFd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
  if (!fd.valid()) return -errno;
  AddressRequest request;
  std::memset(&request, 0, sizeof request);
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
  request.header.nlmsg_type = static_cast<unsigned short>(type);
  request.header.nlmsg_flags = static_cast<unsigned short>(NLM_F_REQUEST | NLM_F_ACK | flags);
  request.header.nlmsg_seq = 1;
  request.message.ifa_family = AF_INET;
  request.message.ifa_prefixlen = static_cast<unsigned char>(address.prefix);
  request.message.ifa_scope = RT_SCOPE_UNIVERSE;
  request.message.ifa_index = index;
  add_attribute(request, IFA_LOCAL, address.address);
  add_attribute(request, IFA_ADDRESS, address.address);
  // The subnet broadcast must reach the discovery socket.
  if (type == RTM_NEWADDR && address.prefix < 31) {
    add_attribute(request, IFA_BROADCAST, broadcast_of(address));
  }
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (::sendto(fd.get(), &request, request.header.nlmsg_len, 0,
               reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) < 0) {
    return -errno;
  }
  alignas(nlmsghdr) char answer[4096];
  const ssize_t length = ::recv(fd.get(), answer, sizeof answer, 0);
  if (length < 0) return -errno;
  const auto* header = reinterpret_cast<const nlmsghdr*>(answer);
  if (static_cast<std::size_t>(length) < sizeof(nlmsghdr) + sizeof(nlmsgerr) ||
      header->nlmsg_type != NLMSG_ERROR) {
    return -EPROTO;
  }
  const auto* error = reinterpret_cast<const nlmsgerr*>(NLMSG_DATA(header));
  return error->error;
}

}  // namespace

std::string find_single_interface(std::string& error) {
  struct if_nameindex* names = ::if_nameindex();
  if (names == nullptr) {
    error = std::string("cannot list interfaces: ") + std::strerror(errno);
    return {};
  }
  std::vector<std::string> candidates;
  const UniqueFd fd = control_socket();
  for (const struct if_nameindex* entry = names; entry->if_index != 0; ++entry) {
    ifreq request;
    if (!fill_name(request, entry->if_name)) continue;
    if (fd.valid() && ::ioctl(fd.get(), SIOCGIFFLAGS, &request) == 0 &&
        (request.ifr_flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    candidates.emplace_back(entry->if_name);
  }
  ::if_freenameindex(names);
  if (candidates.size() == 1) return candidates.front();
  error = candidates.empty() ? "no non-loopback interface; give --interface"
                             : "several interfaces; give --interface";
  return {};
}

unsigned interface_index(const std::string& name) { return ::if_nametoindex(name.c_str()); }

int bring_up(const std::string& name) { return change_flags(name, true); }

int read_mac(const std::string& name, Mac& mac) {
  const UniqueFd fd = control_socket();
  ifreq request;
  if (!fd.valid()) return -errno;
  if (!fill_name(request, name)) return -EINVAL;
  if (::ioctl(fd.get(), SIOCGIFHWADDR, &request) < 0) return -errno;
  std::memcpy(mac.data(), request.ifr_hwaddr.sa_data, mac.size());
  return 0;
}

int set_mac(const std::string& name, const Mac& mac) {
  const int result = write_mac(name, mac);
  if (result != -EBUSY) return result;
  if (const int down = change_flags(name, false); down != 0) return down;
  const int written = write_mac(name, mac);
  const int up = change_flags(name, true);
  return written != 0 ? written : up;
}

std::vector<Ipv4Prefix> ipv4_addresses(const std::string& name) {
  std::vector<Ipv4Prefix> addresses;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return addresses;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        name != entry->ifa_name) {
      continue;
    }
    Ipv4Prefix address;
    const auto* local = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    std::memcpy(address.address.data(), &local->sin_addr, 4);
    address.prefix = 0;
    if (entry->ifa_netmask != nullptr) {
      const auto* mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask);
      address.prefix = std::popcount(mask->sin_addr.s_addr);
    }
    addresses.push_back(address);
  }
  ::freeifaddrs(list);
  return addresses;
}

int add_address(unsigned index, const Ipv4Prefix& address) {
  return address_request(RTM_NEWADDR, NLM_F_CREATE | NLM_F_REPLACE, index, address);
}

int delete_address(unsigned index, const Ipv4Prefix& address) {
  return address_request(RTM_DELADDR, 0, index, address);
}

int replace_addresses(const std::string& name, const Ipv4Prefix& address) {
  const unsigned index = interface_index(name);
  if (index == 0) return -ENODEV;
  for (const Ipv4Prefix& old : ipv4_addresses(name)) {
    // The address it keeps stays in place: taken away and given back, it
    // would leave a moment without one, in which discovery goes unanswered.
    if (old.address == address.address && old.prefix == address.prefix) continue;
    // Deleting a primary address may take its secondaries along; that is fine.
    const int result = delete_address(index, old);
    if (result != 0 && result != -EADDRNOTAVAIL) return result;
  }
  return add_address(index, address);
}

}  // namespace devsim
