// The neighbour table on Linux, through rtnetlink as "ip neigh" reaches it:
// the same table /proc/net/arp shows, but without text to parse and with the
// kernel's own answer to every change.
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "neighbour_table.h"
#include "posix_netlink.h"

namespace vornen::platform {
namespace {

// The kernel answers at once; the bound only guards against one that does not.
constexpr int kKernelAnswerMs = 2000;

static_assert(sizeof(Neighbour::interface_name) >= IF_NAMESIZE);

NeighbourResult result_of(int code, int* system_error) {
  if (system_error != nullptr) *system_error = -code;
  switch (-code) {
    case 0:
      return NeighbourResult::Done;
    case EPERM:
    case EACCES:
      return NeighbourResult::NoRight;
    case ENOENT:
      return NeighbourResult::NotFound;
    default:
      return NeighbourResult::Failed;
  }
}

// Sends the request on a socket of its own and reads the answers.
int ask_kernel(netlink::Request& request, netlink::Visit visit, void* context) {
  const UniqueFd kernel = netlink::open_route_socket();
  if (!kernel.valid()) return -errno;
  return netlink::exchange(kernel.get(), request, kKernelAnswerMs, visit, context);
}

struct Reading {
  void (*visit)(const Neighbour&, void*);
  void* context;
};

// One entry of the kernel's dump, passed on when it holds a MAC: the kernel
// gives none for an entry still being resolved or that failed to resolve.
bool read_entry(const nlmsghdr* answer, void* context) {
  if (answer->nlmsg_type != RTM_NEWNEIGH) return false;
  const auto* header = reinterpret_cast<const ndmsg*>(NLMSG_DATA(answer));
  if (header->ndm_family != AF_INET) return false;
  Neighbour entry{};
  bool has_address = false;
  bool has_mac = false;
  int length = static_cast<int>(NLMSG_PAYLOAD(answer, sizeof(ndmsg)));
  const auto* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(header) +
                                                  NLMSG_ALIGN(sizeof(ndmsg)));
  for (; RTA_OK(a, length); a = RTA_NEXT(a, length)) {
    if (a->rta_type == NDA_DST && RTA_PAYLOAD(a) == sizeof entry.address) {
      std::memcpy(&entry.address, RTA_DATA(a), sizeof entry.address);
      has_address = true;
    } else if (a->rta_type == NDA_LLADDR && RTA_PAYLOAD(a) == sizeof entry.mac) {
      std::memcpy(entry.mac, RTA_DATA(a), sizeof entry.mac);
      has_mac = true;
    }
  }
  // A group MAC belongs to a broadcast or multicast address, not a device.
  if (!has_address || !has_mac || (entry.mac[0] & 1) != 0) return false;
  entry.permanent = (header->ndm_state & NUD_PERMANENT) != 0;
  entry.interface_index = static_cast<unsigned>(header->ndm_ifindex);
  if (::if_indextoname(entry.interface_index, entry.interface_name) == nullptr)
    entry.interface_name[0] = '\0';
  const auto* reading = static_cast<const Reading*>(context);
  reading->visit(entry, reading->context);
  return false;
}

// The interface of the route in the kernel's answer; 0 for none. Without an
// interface named, the system's arp makes the entry only where the address
// is reached on the link itself: a route through a gateway, a local or
// broadcast address, or no route at all make none.
bool read_route(const nlmsghdr* answer, void* context) {
  if (answer->nlmsg_type != RTM_NEWROUTE) return false;
  const auto* route = reinterpret_cast<const rtmsg*>(NLMSG_DATA(answer));
  unsigned index = 0;
  if (route->rtm_type == RTN_UNICAST) {
    int length = static_cast<int>(RTM_PAYLOAD(answer));
    for (const rtattr* a = RTM_RTA(route); RTA_OK(a, length); a = RTA_NEXT(a, length)) {
      if (a->rta_type == RTA_GATEWAY) {
        index = 0;
        break;
      }
      if (a->rta_type == RTA_OIF && RTA_PAYLOAD(a) >= sizeof index)
        std::memcpy(&index, RTA_DATA(a), sizeof index);
    }
  }
  *static_cast<unsigned*>(context) = index;
  return true;
}

}  // namespace

NeighbourResult read_neighbours(void (*visit)(const Neighbour& entry, void* context), void* context,
                                int* system_error) noexcept {
  netlink::Request request;
  netlink::start<ndmsg>(request, RTM_GETNEIGH, NLM_F_REQUEST | NLM_F_DUMP)->ndm_family = AF_INET;
  Reading reading{visit, context};
  return result_of(ask_kernel(request, read_entry, &reading), system_error);
}

NeighbourResult add_permanent_neighbour(std::uint32_t address, const std::uint8_t mac[6],
                                        unsigned interface_index, int* system_error) noexcept {
  netlink::Request request;
  auto* neighbour = netlink::start<ndmsg>(request, RTM_NEWNEIGH,
                                          NLM_F_REQUEST | NLM_F_ACK | NLM_F_CREATE | NLM_F_REPLACE);
  neighbour->ndm_family = AF_INET;
  neighbour->ndm_ifindex = static_cast<int>(interface_index);
  neighbour->ndm_state = NUD_PERMANENT;
  netlink::add_attribute(request, NDA_DST, &address, sizeof address);
  netlink::add_attribute(request, NDA_LLADDR, mac, 6);
  return result_of(ask_kernel(request, nullptr, nullptr), system_error);
}

NeighbourResult delete_neighbour(std::uint32_t address, unsigned interface_index,
                                 int* system_error) noexcept {
  netlink::Request request;
  auto* neighbour = netlink::start<ndmsg>(request, RTM_DELNEIGH, NLM_F_REQUEST | NLM_F_ACK);
  neighbour->ndm_family = AF_INET;
  neighbour->ndm_ifindex = static_cast<int>(interface_index);
  netlink::add_attribute(request, NDA_DST, &address, sizeof address);
  return result_of(ask_kernel(request, nullptr, nullptr), system_error);
}

unsigned link_interface_of(std::uint32_t address) noexcept {
  netlink::Request request;
  auto* route = netlink::start<rtmsg>(request, RTM_GETROUTE, NLM_F_REQUEST);
  route->rtm_family = AF_INET;
  route->rtm_dst_len = 32;
  netlink::add_attribute(request, RTA_DST, &address, sizeof address);
  unsigned index = 0;
  // No route: the kernel refuses, and the index stays 0.
  ask_kernel(request, read_route, &index);
  return index;
}

}  // namespace vornen::platform
