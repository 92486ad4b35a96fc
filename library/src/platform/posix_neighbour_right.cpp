#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "neighbour_right.h"

namespace vornen::platform {

NeighbourRight neighbour_right() noexcept {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
  if (::syscall(SYS_capget, &header, data) != 0) return NeighbourRight::Unknown;
  return (data[CAP_NET_ADMIN / 32].effective & (1U << (CAP_NET_ADMIN % 32))) != 0
             ? NeighbourRight::Held
             : NeighbourRight::Missing;
}

}  // namespace vornen::platform
