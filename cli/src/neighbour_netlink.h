// The one change vornctl makes to the neighbour table itself: removing an
// entry, as "ip neigh del" does, by a netlink request to the kernel.
#pragma once

#include <cstdint>
#include <string>

namespace vornctl {

// Deletes the entry for `address` (network order) on `device`. Returns 0, or
// the negative errno the kernel answered (-EPERM without the right).
int delete_neighbour(std::uint32_t address, const std::string& device);

}  // namespace vornctl
