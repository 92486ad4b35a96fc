// The neighbour table on Windows, through IP Helper's neighbour rows: the
// table "arp -a" shows, with static entries as permanent.
//
// CreateIpNetEntry2 and DeleteIpNetEntry2 are looked up when needed rather
// than imported: every Windows the library runs on has them, but an
// import the loader cannot resolve would keep every program that links the
// library from starting at all on a system without them (Wine has none).
// There, writing and removing fail with ERROR_PROC_NOT_FOUND.
#include "win_system.h"
// iphlpapi.h and netioapi.h need the types of windows.h.
#include <iphlpapi.h>
#include <netioapi.h>

#include <cstring>
#include <cwchar>

#include "neighbour_table.h"
#include "win_system_library.h"

namespace vornen::platform {
namespace {

using RowCall = DWORD(WINAPI*)(const MIB_IPNET_ROW2*);

NeighbourResult result_of(DWORD code, int* system_error) {
  if (system_error != nullptr) *system_error = static_cast<int>(code);
  switch (code) {
    case NO_ERROR:
      return NeighbourResult::Done;
    case ERROR_ACCESS_DENIED:
      return NeighbourResult::NoRight;
    case ERROR_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return NeighbourResult::NotFound;
    default:
      return NeighbourResult::Failed;
  }
}

MIB_IPNET_ROW2 row_for(std::uint32_t address, unsigned interface_index) {
  MIB_IPNET_ROW2 row{};
  row.Address.si_family = AF_INET;
  row.Address.Ipv4.sin_family = AF_INET;
  row.Address.Ipv4.sin_addr.s_addr = address;
  row.InterfaceIndex = interface_index;
  return row;
}

// The adapter's friendly name in UTF-8, cut at a character's end.
void name_of(const NET_LUID& luid, char* name, std::size_t room) {
  name[0] = '\0';
  wchar_t alias[IF_MAX_STRING_SIZE + 1];
  if (::ConvertInterfaceLuidToAlias(&luid, alias, IF_MAX_STRING_SIZE + 1) != NO_ERROR) return;
  // Shortened a character at a time until it fits: WideCharToMultiByte
  // writes nothing when the room is too small.
  for (int length = static_cast<int>(std::wcslen(alias)); length > 0; --length) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, alias, length, name, static_cast<int>(room) - 1,
                                        nullptr, nullptr);
    if (n > 0) {
      name[n] = '\0';
      return;
    }
    // Not between the two halves of a surrogate pair.
    if (length > 1 && IS_LOW_SURROGATE(alias[length - 1])) --length;
  }
}

}  // namespace

NeighbourResult read_neighbours(void (*visit)(const Neighbour& entry, void* context), void* context,
                                int* system_error) noexcept {
  MIB_IPNET_TABLE2* table = nullptr;
  const DWORD code = ::GetIpNetTable2(AF_INET, &table);
  if (code != NO_ERROR) return result_of(code, system_error);
  for (ULONG i = 0; i < table->NumEntries; ++i) {
    const MIB_IPNET_ROW2& row = table->Table[i];
    if (row.PhysicalAddressLength != 6 || row.State == NlnsIncomplete ||
        row.State == NlnsUnreachable)
      continue;
    Neighbour entry{};
    std::memcpy(entry.mac, row.PhysicalAddress, sizeof entry.mac);
    // A group MAC belongs to a broadcast or multicast address, which Windows
    // keeps in the table as static entries of its own.
    if ((entry.mac[0] & 1) != 0) continue;
    entry.address = row.Address.Ipv4.sin_addr.s_addr;
    entry.permanent = row.State == NlnsPermanent;
    entry.interface_index = row.InterfaceIndex;
    name_of(row.InterfaceLuid, entry.interface_name, sizeof entry.interface_name);
    visit(entry, context);
  }
  ::FreeMibTable(table);
  return result_of(NO_ERROR, system_error);
}

NeighbourResult add_permanent_neighbour(std::uint32_t address, const std::uint8_t mac[6],
                                        unsigned interface_index, int* system_error) noexcept {
  MIB_IPNET_ROW2 row = row_for(address, interface_index);
  std::memcpy(row.PhysicalAddress, mac, 6);
  row.PhysicalAddressLength = 6;
  row.State = NlnsPermanent;
  const SystemLibrary iphlpapi(L"iphlpapi.dll");
  const RowCall create = iphlpapi.Find<RowCall>("CreateIpNetEntry2");
  if (create == nullptr) return result_of(ERROR_PROC_NOT_FOUND, system_error);
  DWORD code = create(&row);
  // An entry for the address is there already: replaced, as "arp -s" does.
  if (code == ERROR_OBJECT_ALREADY_EXISTS) {
    const RowCall replace = iphlpapi.Find<RowCall>("SetIpNetEntry2");
    code = replace != nullptr ? replace(&row) : ERROR_PROC_NOT_FOUND;
  }
  return result_of(code, system_error);
}

NeighbourResult delete_neighbour(std::uint32_t address, unsigned interface_index,
                                 int* system_error) noexcept {
  const MIB_IPNET_ROW2 row = row_for(address, interface_index);
  const SystemLibrary iphlpapi(L"iphlpapi.dll");
  const RowCall remove = iphlpapi.Find<RowCall>("DeleteIpNetEntry2");
  if (remove == nullptr) return result_of(ERROR_PROC_NOT_FOUND, system_error);
  return result_of(remove(&row), system_error);
}

unsigned link_interface_of(std::uint32_t address) noexcept {
  const std::uint8_t first = reinterpret_cast<const std::uint8_t*>(&address)[0];
  // Multicast and the limited broadcast have no neighbour of their own.
  if (first >= 224) return 0;
  SOCKADDR_INET destination{};
  destination.si_family = AF_INET;
  destination.Ipv4.sin_family = AF_INET;
  destination.Ipv4.sin_addr.s_addr = address;
  MIB_IPFORWARD_ROW2 route{};
  SOCKADDR_INET source{};
  if (::GetBestRoute2(nullptr, 0, nullptr, &destination, 0, &route, &source) != NO_ERROR) return 0;
  // Through a gateway, or the PC's own address.
  if (route.NextHop.Ipv4.sin_addr.s_addr != 0 || source.Ipv4.sin_addr.s_addr == address) return 0;
  return route.InterfaceIndex;
}

}  // namespace vornen::platform
