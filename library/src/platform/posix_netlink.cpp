#include "posix_netlink.h"

#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vornen::platform::netlink {
namespace {

// Each socket carries one request at a time, so one number serves them all.
constexpr std::uint32_t kSequence = 1;
// Room for the largest answer the kernel packs into one read of a dump.
constexpr std::size_t kAnswerRoom = 32768;

}  // namespace

void* start(Request& request, unsigned short type, unsigned short flags,
            std::size_t body_size) noexcept {
  std::memset(request.bytes, 0, sizeof request.bytes);
  nlmsghdr* message = request.header();
  message->nlmsg_len = static_cast<std::uint32_t>(NLMSG_LENGTH(body_size));
  message->nlmsg_type = type;
  message->nlmsg_flags = flags;
  message->nlmsg_seq = kSequence;
  return NLMSG_DATA(message);
}

void add_attribute(Request& request, unsigned short type, const void* data,
                   unsigned short size) noexcept {
  nlmsghdr* message = request.header();
  auto* attribute = reinterpret_cast<rtattr*>(request.bytes + NLMSG_ALIGN(message->nlmsg_len));
  attribute->rta_type = type;
  attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
  std::memcpy(RTA_DATA(attribute), data, size);
  message->nlmsg_len = NLMSG_ALIGN(message->nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

UniqueFd open_route_socket() noexcept {
  return UniqueFd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
}

int exchange(int fd, Request& request, int timeout_ms, Visit visit, void* context) noexcept {
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  const auto length = static_cast<ssize_t>(request.header()->nlmsg_len);
  if (::sendto(fd, request.bytes, static_cast<std::size_t>(length), 0,
               reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) != length)
    return errno != 0 ? -errno : -EIO;

  alignas(nlmsghdr) char answer[kAnswerRoom];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return -errno;
    if (ready == 0) return -EAGAIN;
    // MSG_TRUNC: the length of the whole answer, to tell one cut short.
    const ssize_t n = ::recv(fd, answer, sizeof answer, MSG_TRUNC);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -errno;
    if (n == 0) return -EPROTO;
    if (static_cast<std::size_t>(n) > sizeof answer) return -EMSGSIZE;
    int left = static_cast<int>(n);
    for (auto* h = reinterpret_cast<const nlmsghdr*>(answer); NLMSG_OK(h, left);
         h = NLMSG_NEXT(h, left)) {
      if (h->nlmsg_seq != kSequence) continue;
      if (h->nlmsg_type == NLMSG_DONE) return 0;
      if (h->nlmsg_type == NLMSG_ERROR) {
        // An acknowledgement is an error message whose code is 0.
        if (h->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))) return -EPROTO;
        nlmsgerr error;
        std::memcpy(&error, NLMSG_DATA(h), sizeof error);
        return error.error;
      }
      if (visit != nullptr && visit(h, context)) return 0;
    }
  }
}

}  // namespace vornen::platform::netlink
