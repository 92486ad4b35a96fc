#include "win_adapter_choice.h"

#include "win_adapter_list.h"

namespace vornen::platform {
namespace {

// An adapter's friendly name is at most 256 characters; a longer value names
// nothing.
constexpr DWORD kNameRoom = 512;

void add(AdapterChoice* choice, std::uint32_t address) {
  if (choice->count < kMaxAdapters) choice->addresses[choice->count++] = address;
}

}  // namespace

int read_adapter_choice(AdapterChoice* choice) {
  *choice = AdapterChoice{};
  wchar_t wanted[kNameRoom];
  const DWORD length = ::GetEnvironmentVariableW(L"VORNEN_INTERFACE", wanted, kNameRoom);
  if (length == 0) return 0;
  choice->active = true;
  if (length >= kNameRoom) return 0;
  AdapterList list;
  if (read_adapter_list(&list) != 0) return -1;
  // Of two adapters whose names differ only in case the first in Windows'
  // order is taken.
  std::uint32_t address = kAddressNone;
  const IP_ADAPTER_ADDRESSES* adapter = named_adapter(list, wanted, &address);
  if (adapter == nullptr) return 0;
  if (address != kAddressNone) {
    add(choice, address);
    return 0;
  }
  for (const auto* u = adapter->FirstUnicastAddress; u != nullptr; u = u->Next) {
    const std::uint32_t v = ipv4_of(u);
    if (v != kAddressNone) add(choice, v);
  }
  return 0;
}

bool chosen(const AdapterChoice& choice, std::uint32_t address) {
  if (!choice.active) return true;
  for (int i = 0; i < choice.count; ++i) {
    if (choice.addresses[i] == address) return true;
  }
  return false;
}

}  // namespace vornen::platform
