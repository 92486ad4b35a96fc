#include "neighbour_netlink.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vornctl {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

int delete_neighbour(std::uint32_t address, const std::string& device) {
  const unsigned index = ::if_nametoindex(device.c_str());
  if (index == 0) return -ENODEV;

  struct {
    nlmsghdr header;
    ndmsg neighbour;
    rtattr destination;
    std::uint32_t address;
  } request{};
  request.header.nlmsg_len = sizeof request;
  request.header.nlmsg_type = RTM_DELNEIGH;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK;
  request.header.nlmsg_seq = 1;
  request.neighbour.ndm_family = AF_INET;
  request.neighbour.ndm_ifindex = static_cast<int>(index);
  request.destination.rta_type = NDA_DST;
  request.destination.rta_len = RTA_LENGTH(sizeof address);
  request.address = address;
  static_assert(sizeof request == NLMSG_LENGTH(sizeof(ndmsg)) + RTA_LENGTH(sizeof(std::uint32_t)));

  Fd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
  if (fd.get() < 0) return -errno;
  // The kernel answers at once; the bound only guards against a kernel that
  // does not.
  timeval bound{2, 0};
  ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (::sendto(fd.get(), &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) < 0)
    return -errno;

  // The acknowledgement: an error message whose code is 0 on success.
  alignas(nlmsghdr) char answer[1024];
  const ssize_t n = ::recv(fd.get(), answer, sizeof answer, 0);
  if (n < 0) return -errno;
  const auto* reply = reinterpret_cast<const nlmsghdr*>(answer);
  if (!NLMSG_OK(reply, static_cast<unsigned>(n)) || reply->nlmsg_type != NLMSG_ERROR ||
      reply->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr)))
    return -EPROTO;
  nlmsgerr error;
  std::memcpy(&error, NLMSG_DATA(reply), sizeof error);
  return error.error;
}

}  // namespace vornctl
