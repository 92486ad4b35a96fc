#pragma once

namespace vornctl {

// Whether this process may change the neighbour table (CAP_NET_ADMIN).
bool may_change_neighbours();

}  // namespace vornctl
