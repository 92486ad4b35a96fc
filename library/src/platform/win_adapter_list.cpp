#include "win_adapter_list.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "platform.h"

namespace vornen::platform {

int read_adapter_list(AdapterList* list, ULONG extra_flags) {
  const ULONG flags =
      GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER | extra_flags;
  // The list can grow between the size query and the read: try a few times.
  ULONG size = 16 * 1024;
  for (int attempt = 0; attempt < 3; ++attempt) {
    list->storage.reset(new (std::nothrow) unsigned char[size]);
    if (!list->storage) return -1;
    auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(list->storage.get());
    const ULONG r = ::GetAdaptersAddresses(AF_INET, flags, nullptr, first, &size);
    if (r == ERROR_SUCCESS) {
      list->first = first;
      return 0;
    }
    // No IPv4 adapter at all: nothing to name.
    if (r == ERROR_NO_DATA) {
      list->first = nullptr;
      return 0;
    }
    if (r != ERROR_BUFFER_OVERFLOW) return -1;
  }
  return -1;
}

std::uint32_t ipv4_of(const IP_ADAPTER_UNICAST_ADDRESS* unicast) {
  const SOCKADDR* socket_address = unicast->Address.lpSockaddr;
  if (socket_address == nullptr || socket_address->sa_family != AF_INET) return kAddressNone;
  sockaddr_in in{};
  std::memcpy(&in, socket_address, sizeof in);
  return in.sin_addr.s_addr;
}

bool same_name(const wchar_t* name, const wchar_t* wanted) {
  return name != nullptr && ::CompareStringOrdinal(name, -1, wanted, -1, TRUE) == CSTR_EQUAL;
}

bool same_address(std::uint32_t address, const wchar_t* wanted) {
  const auto* octet = reinterpret_cast<const unsigned char*>(&address);
  wchar_t dotted[16];
  std::swprintf(dotted, 16, L"%u.%u.%u.%u", unsigned{octet[0]}, unsigned{octet[1]},
                unsigned{octet[2]}, unsigned{octet[3]});
  return std::wcscmp(dotted, wanted) == 0;
}

const IP_ADAPTER_ADDRESSES* named_adapter(const AdapterList& list, const wchar_t* wanted,
                                          std::uint32_t* address) {
  *address = kAddressNone;
  for (const auto* a = list.first; a != nullptr; a = a->Next)
    if (same_name(a->FriendlyName, wanted)) return a;
  // Not a name: one of the addresses, which keeps that address alone, the
  // way out for a card with a second address.
  for (const auto* a = list.first; a != nullptr; a = a->Next) {
    for (const auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const std::uint32_t v = ipv4_of(u);
      if (v != kAddressNone && same_address(v, wanted)) {
        *address = v;
        return a;
      }
    }
  }
  return nullptr;
}

}  // namespace vornen::platform
