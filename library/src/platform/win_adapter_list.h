// Windows' list of network adapters (GetAdaptersAddresses), read once into
// storage of its own, and the one rule by which a text names an adapter:
// its friendly name, compared without regard to case, or else one of its
// IPv4 addresses. Shared by VORNEN_INTERFACE (win_adapter_choice.cpp) and
// vornctl's --interface.
#pragma once

#include "win_system.h"
// iphlpapi.h needs the types of windows.h.
#include <iphlpapi.h>

#include <cstdint>
#include <memory>

namespace vornen::platform {

struct AdapterList {
  std::unique_ptr<unsigned char[]> storage;
  const IP_ADAPTER_ADDRESSES* first = nullptr;  // nullptr: no IPv4 adapter at all
};

// The adapters with their IPv4 addresses; `extra_flags` adds to the reading
// (GAA_FLAG_INCLUDE_GATEWAYS, say). Returns 0, or -1 when the list could not
// be read.
int read_adapter_list(AdapterList* list, ULONG extra_flags = 0);

// The IPv4 address of one of an adapter's unicast addresses (network order),
// or kAddressNone.
std::uint32_t ipv4_of(const IP_ADAPTER_UNICAST_ADDRESS* unicast);

// Without regard to case, as Windows compares names in general (files,
// environment variables) and as an operator types them.
bool same_name(const wchar_t* name, const wchar_t* wanted);

// Whether `wanted` is the dotted form of `address` (network order).
bool same_address(std::uint32_t address, const wchar_t* wanted);

// The adapter `wanted` names: the first in Windows' order whose friendly
// name it is, or else the one that holds the address it spells, with that
// address in *address (kAddressNone for a name). nullptr for neither.
const IP_ADAPTER_ADDRESSES* named_adapter(const AdapterList& list, const wchar_t* wanted,
                                          std::uint32_t* address);

}  // namespace vornen::platform
