// The "arp -s" stand-in on Linux: Linux's own arp refuses the hyphen form of
// the MAC, so the entry is written straight into the kernel's neighbour table
// over netlink. Nothing is started, nothing is waited for, and no text of the
// caller reaches a shell. It needs the network-administration right; without
// it the kernel refuses and the call goes on as if arp had failed.
#include "posix_arp.h"

#include <ifaddrs.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "arp_parameters.h"

namespace vornen::platform {
namespace {

// The adapter whose subnet holds the address, as Windows picks it.
unsigned interface_for(std::uint32_t address) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return 0;
  unsigned index = 0;
  for (ifaddrs* a = list; a != nullptr && index == 0; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_netmask == nullptr || a->ifa_addr->sa_family != AF_INET)
      continue;
    if (a->ifa_flags & (IFF_LOOPBACK | IFF_POINTOPOINT)) continue;
    sockaddr_in own{};
    sockaddr_in mask{};
    std::memcpy(&own, a->ifa_addr, sizeof own);
    std::memcpy(&mask, a->ifa_netmask, sizeof mask);
    if ((own.sin_addr.s_addr & mask.sin_addr.s_addr) == (address & mask.sin_addr.s_addr))
      index = ::if_nametoindex(a->ifa_name);
  }
  ::freeifaddrs(list);
  return index;
}

void add_attribute(nlmsghdr* message, unsigned short type, const void* data, unsigned short size) {
  auto* attribute =
      reinterpret_cast<rtattr*>(reinterpret_cast<char*>(message) + NLMSG_ALIGN(message->nlmsg_len));
  attribute->rta_type = type;
  attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
  std::memcpy(RTA_DATA(attribute), data, size);
  message->nlmsg_len = NLMSG_ALIGN(message->nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

}  // namespace

void posix_run_arp(const char* parameters) {
  ArpEntry entry{};
  if (!parse_arp_parameters(parameters, &entry)) return;
  const unsigned index = interface_for(entry.address);
  if (index == 0) return;

  alignas(nlmsghdr) char request[256] = {};
  auto* message = reinterpret_cast<nlmsghdr*>(request);
  message->nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
  message->nlmsg_type = RTM_NEWNEIGH;
  message->nlmsg_flags = NLM_F_REQUEST | NLM_F_CREATE | NLM_F_REPLACE;
  auto* neighbour = reinterpret_cast<ndmsg*>(NLMSG_DATA(message));
  neighbour->ndm_family = AF_INET;
  neighbour->ndm_ifindex = static_cast<int>(index);
  neighbour->ndm_state = NUD_PERMANENT;
  add_attribute(message, NDA_DST, &entry.address, sizeof entry.address);
  add_attribute(message, NDA_LLADDR, entry.mac, sizeof entry.mac);

  int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return;
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  // No acknowledgement is asked for: the outcome is never looked at.
  ::sendto(fd, request, message->nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel);
  ::close(fd);
}

}  // namespace vornen::platform
