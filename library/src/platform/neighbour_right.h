// Whether this process holds the right to change the neighbour table, which
// an address assignment writes. On Linux the capability CAP_NET_ADMIN; on
// Windows an elevated token: under User Account Control an administrator's
// programs run with a limited token unless started with Run as
// administrator, and the system refuses them the change (its arp, asked by
// such a program, writes nothing and says nothing). vornctl refuses a set
// without the right; the window warns of it in its log.
#pragma once

namespace vornen::platform {

enum class NeighbourRight {
  Held,
  Missing,
  Unknown,  // the system could not be asked
};

NeighbourRight neighbour_right() noexcept;

}  // namespace vornen::platform
