#include "win_adapter_choice.h"

#include "win_system.h"
// iphlpapi.h needs the types of windows.h.
#include <iphlpapi.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

namespace vornen::platform {
namespace {

// An adapter's friendly name is at most 256 characters; a longer value names
// nothing.
constexpr DWORD kNameRoom = 512;

// The adapters with their IPv4 unicast addresses, in storage of their own.
struct AdapterList {
  std::unique_ptr<unsigned char[]> storage;
  const IP_ADAPTER_ADDRESSES* first = nullptr;
};

int read_adapter_list(AdapterList* list) {
  constexpr ULONG kFlags =
      GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  // The list can grow between the size query and the read: try a few times.
  ULONG size = 16 * 1024;
  for (int attempt = 0; attempt < 3; ++attempt) {
    list->storage.reset(new (std::nothrow) unsigned char[size]);
    if (!list->storage) return -1;
    auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(list->storage.get());
    const ULONG r = ::GetAdaptersAddresses(AF_INET, kFlags, nullptr, first, &size);
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

void add(AdapterChoice* choice, std::uint32_t address) {
  if (choice->count < kMaxAdapters) choice->addresses[choice->count++] = address;
}

// Without regard to case, as Windows compares names in general (files,
// environment variables) and as an operator types them; of two adapters whose
// names differ only in case the first in Windows' order is taken.
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
  for (const auto* a = list.first; a != nullptr; a = a->Next) {
    if (!same_name(a->FriendlyName, wanted)) continue;
    for (const auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const std::uint32_t address = ipv4_of(u);
      if (address != kAddressNone) add(choice, address);
    }
    return 0;
  }
  // Not a name: one of the addresses, which keeps that address alone, the
  // way out for a card with a second address.
  for (const auto* a = list.first; a != nullptr; a = a->Next) {
    for (const auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const std::uint32_t address = ipv4_of(u);
      if (address != kAddressNone && same_address(address, wanted)) {
        add(choice, address);
        return 0;
      }
    }
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
