// The "arp -s" stand-in. Linux's own arp refuses the hyphen form of the MAC,
// so the entry is written straight into the system's neighbour table on the
// adapter whose link reaches the address. Nothing is started, nothing
// is waited for beyond the system's own answer, no text of the caller reaches
// a shell, and nothing is allocated: a failure here can only leave the entry
// unmade, which the assignment ignores as it ignores a failed arp. Writing
// the entry needs the network-administration right; without it the system
// refuses.
#include "arp_by_table.h"

#include "arp_parameters.h"
#include "neighbour_table.h"
#include "platform.h"

namespace vornen::platform {

void run_arp_by_table(const char* parameters) noexcept {
  ArpEntry entry{};
  if (!parse_arp_parameters(parameters, native().parse_dotted, &entry)) return;
  const unsigned index = link_interface_of(entry.address);
  if (index != 0) add_permanent_neighbour(entry.address, entry.mac, index, nullptr);
}

}  // namespace vornen::platform
