#include "adapters.h"

#include "connection.h"
#include "platform/platform.h"

namespace vornctl {

std::optional<AdapterState> adapter_in_use(const std::string& name) {
  const std::uint32_t broadcast =
      vornen::platform::native().parse_dotted(vornen::connection().broadcast);
  if (broadcast == vornen::platform::kAddressNone) return std::nullopt;
  return adapter_of_broadcast(broadcast, name);
}

}  // namespace vornctl
