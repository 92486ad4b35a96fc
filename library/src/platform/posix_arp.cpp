// The "arp -s" stand-in on Linux: Linux's own arp refuses the hyphen form of
// the MAC, so the entry is written straight into the kernel's neighbour table
// over netlink. Nothing is started, nothing is waited for beyond the kernel's
// own answer, no text of the caller reaches a shell, and nothing is allocated:
// a failure here can only leave the entry unmade, which the assignment
// ignores as it ignores a failed arp. Writing the entry needs the
// network-administration right; without it the kernel refuses.
#include "posix_arp.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "arp_parameters.h"
#include "platform.h"

namespace vornen::platform {
namespace {

constexpr int kKernelAnswerMs = 1000;
constexpr int kMaxAnswers = 8;
constexpr std::uint32_t kRouteSequence = 1;

class NetlinkSocket {
 public:
  NetlinkSocket() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {}
  ~NetlinkSocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  NetlinkSocket(const NetlinkSocket&) = delete;
  NetlinkSocket& operator=(const NetlinkSocket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// A request in a buffer of the caller's; attributes go after the header.
struct Request {
  alignas(nlmsghdr) char bytes[128];
  nlmsghdr* message() { return reinterpret_cast<nlmsghdr*>(bytes); }
};

template <typename Body>
Body* start_request(Request& request, unsigned short type, unsigned short flags) {
  std::memset(request.bytes, 0, sizeof request.bytes);
  nlmsghdr* message = request.message();
  message->nlmsg_len = NLMSG_LENGTH(sizeof(Body));
  message->nlmsg_type = type;
  message->nlmsg_flags = flags;
  return reinterpret_cast<Body*>(NLMSG_DATA(message));
}

void add_attribute(Request& request, unsigned short type, const void* data, unsigned short size) {
  nlmsghdr* message = request.message();
  auto* attribute = reinterpret_cast<rtattr*>(request.bytes + NLMSG_ALIGN(message->nlmsg_len));
  attribute->rta_type = type;
  attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
  std::memcpy(RTA_DATA(attribute), data, size);
  message->nlmsg_len = NLMSG_ALIGN(message->nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

bool send_to_kernel(int fd, Request& request) {
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  const auto length = static_cast<ssize_t>(request.message()->nlmsg_len);
  return ::sendto(fd, request.bytes, static_cast<size_t>(length), 0,
                  reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) == length;
}

// The interface of the route in the kernel's answer; 0 for none. Without an
// interface named, the system's arp makes the entry only where the address
// is reached on the link itself: a route through a gateway, a local or
// broadcast address, or no route at all make none.
unsigned interface_of_route(const nlmsghdr* answer) {
  const auto* route = reinterpret_cast<const rtmsg*>(NLMSG_DATA(answer));
  if (route->rtm_type != RTN_UNICAST) return 0;
  unsigned index = 0;
  int length = static_cast<int>(RTM_PAYLOAD(answer));
  for (const rtattr* a = RTM_RTA(route); RTA_OK(a, length); a = RTA_NEXT(a, length)) {
    if (a->rta_type == RTA_GATEWAY) return 0;
    if (a->rta_type == RTA_OIF && RTA_PAYLOAD(a) >= sizeof index)
      std::memcpy(&index, RTA_DATA(a), sizeof index);
  }
  return index;
}

// Asks the kernel's route lookup which interface reaches the address.
unsigned route_interface(int fd, std::uint32_t address) {
  Request request;
  auto* route = start_request<rtmsg>(request, RTM_GETROUTE, NLM_F_REQUEST);
  request.message()->nlmsg_seq = kRouteSequence;
  route->rtm_family = AF_INET;
  route->rtm_dst_len = 32;
  add_attribute(request, RTA_DST, &address, sizeof address);
  if (!send_to_kernel(fd, request)) return 0;

  alignas(nlmsghdr) char answer[4096];
  for (int tries = 0; tries < kMaxAnswers; ++tries) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kKernelAnswerMs) <= 0) return 0;
    const ssize_t n = ::recv(fd, answer, sizeof answer, 0);
    if (n <= 0) return 0;
    int left = static_cast<int>(n);
    for (auto* h = reinterpret_cast<nlmsghdr*>(answer); NLMSG_OK(h, left);
         h = NLMSG_NEXT(h, left)) {
      if (h->nlmsg_seq != kRouteSequence) continue;
      if (h->nlmsg_type == NLMSG_ERROR) return 0;  // no route
      if (h->nlmsg_type == RTM_NEWROUTE) return interface_of_route(h);
    }
  }
  return 0;
}

void add_permanent_neighbour(int fd, unsigned index, const ArpEntry& entry) {
  Request request;
  auto* neighbour =
      start_request<ndmsg>(request, RTM_NEWNEIGH, NLM_F_REQUEST | NLM_F_CREATE | NLM_F_REPLACE);
  neighbour->ndm_family = AF_INET;
  neighbour->ndm_ifindex = static_cast<int>(index);
  neighbour->ndm_state = NUD_PERMANENT;
  add_attribute(request, NDA_DST, &entry.address, sizeof entry.address);
  add_attribute(request, NDA_LLADDR, entry.mac, sizeof entry.mac);
  // No acknowledgement is asked for: the outcome is never looked at.
  send_to_kernel(fd, request);
}

}  // namespace

void posix_run_arp(const char* parameters) noexcept {
  ArpEntry entry{};
  if (!parse_arp_parameters(parameters, native().parse_dotted, &entry)) return;
  NetlinkSocket kernel;
  if (kernel.fd() < 0) return;
  const unsigned index = route_interface(kernel.fd(), entry.address);
  if (index != 0) add_permanent_neighbour(kernel.fd(), index, entry);
}

}  // namespace vornen::platform
