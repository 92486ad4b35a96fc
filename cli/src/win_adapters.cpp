// The adapters as IP Helper lists them. An adapter switched off in the
// network settings is not listed at all, so a listed one is always "up";
// one without a cable or a wireless connection is listed, not running.
#include <optional>
#include <string>

#include "adapters.h"
#include "platform/platform.h"
#include "platform/win_adapter_list.h"
#include "text_forms.h"
#include "win_text.h"

namespace vornctl {

using vornen::platform::AdapterList;

bool adapter_exists(const std::string& name) {
  AdapterList list;
  std::uint32_t address = 0;
  return vornen::platform::read_adapter_list(&list) == 0 &&
         vornen::platform::named_adapter(list, wide_text(name).c_str(), &address) != nullptr;
}

std::optional<AdapterState> adapter_of_broadcast(std::uint32_t broadcast, const std::string& name) {
  AdapterList list;
  if (vornen::platform::read_adapter_list(&list) != 0) return std::nullopt;
  // A name that is an address picks that address of its adapter alone.
  std::uint32_t named_address = vornen::platform::kAddressNone;
  const IP_ADAPTER_ADDRESSES* named = nullptr;
  if (!name.empty()) {
    named = vornen::platform::named_adapter(list, wide_text(name).c_str(), &named_address);
    if (named == nullptr) return std::nullopt;
  }
  for (const auto* a = list.first; a != nullptr; a = a->Next) {
    if (named != nullptr && a != named) continue;
    if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || a->IfType == IF_TYPE_PPP) continue;
    for (const auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const std::uint32_t address = vornen::platform::ipv4_of(u);
      if (address == vornen::platform::kAddressNone) continue;
      if (named_address != vornen::platform::kAddressNone && address != named_address) continue;
      const int prefix = u->OnLinkPrefixLength <= 32 ? u->OnLinkPrefixLength : 32;
      const std::uint32_t mask =
          prefix == 0 ? 0 : network_order(~std::uint32_t{0} << (32 - prefix));
      if (((address & mask) | ~mask) != broadcast) continue;
      return AdapterState{utf8_text(a->FriendlyName), address, prefix, true,
                          a->OperStatus == IfOperStatusUp};
    }
  }
  return std::nullopt;
}

}  // namespace vornctl
