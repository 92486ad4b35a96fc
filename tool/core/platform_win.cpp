// The tool's system layer on Windows: the library from the program's own
// folder or the system folder only, texts in the ANSI code page, the process
// token's elevation and the adapters.
#include <winsock2.h>
// after winsock2.h
#include <iphlpapi.h>
#include <stdlib.h>
#include <windows.h>

#include <string>
#include <utility>

#include "neighbour_right.h"
#include "platform.h"
#include "win_system_library.h"

namespace setvornip {

using vornen::platform::SystemLibrary;

namespace {

std::u16string FromWide(const wchar_t* text) {
  return text == nullptr ? std::u16string()
                         : std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

SharedLibrary SharedLibrary::Load(const std::string& file) {
  // The program's own folder, then the system folder: never the current
  // folder or PATH, where anyone who can write a file could plant a DLL of
  // the same name that the program would run.
  const std::u16string wide = FromLibraryText(file.data(), file.size());
  SharedLibrary library;
  library.handle_ =
      ::LoadLibraryExW(reinterpret_cast<const wchar_t*>(wide.c_str()), nullptr,
                       LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  return library;
}

void* SharedLibrary::Find(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

LibraryFile DefaultLibraryFile() { return {u"VornEN.dll", {"VornEN.dll"}}; }

std::string ToLibraryText(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, units, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::u16string FromLibraryText(const char* bytes, std::size_t count) {
  if (count == 0) return {};
  const int length = static_cast<int>(count);
  const int size = ::MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
  std::u16string text(static_cast<std::size_t>(size), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes, length, reinterpret_cast<wchar_t*>(text.data()), size);
  return text;
}

std::u16string MissingRightNotice() {
  // When the question cannot be asked, say nothing rather than warn wrongly.
  if (vornen::platform::neighbour_right() != vornen::platform::NeighbourRight::Missing) return {};
  return u"　注意：管理者として実行されていないため、ＩＰアドレスを設定できない恐れがある"
         u"（検索はできる）。設定するには「管理者として実行」で起動する";
}

std::vector<Adapter> UsableAdapters() {
  using GetAdaptersAddressesFn = ULONG(WINAPI*)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);
  std::vector<Adapter> adapters;
  const SystemLibrary iphlpapi(L"iphlpapi.dll");
  const auto get_adapters = iphlpapi.Find<GetAdaptersAddressesFn>("GetAdaptersAddresses");
  if (get_adapters == nullptr) return adapters;
  constexpr ULONG kFlags =
      GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16 * 1024;
  std::string buffer;
  ULONG status = ERROR_BUFFER_OVERFLOW;
  // The list can grow between the two calls; a few tries are plenty.
  for (int tries = 0; tries < 4 && status == ERROR_BUFFER_OVERFLOW; ++tries) {
    buffer.assign(size, '\0');
    status = get_adapters(AF_INET, kFlags, nullptr,
                          reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()), &size);
  }
  if (status != NO_ERROR) return adapters;
  for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
       a = a->Next) {
    if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK ||
        a->IfType == IF_TYPE_PPP || a->IfType == IF_TYPE_TUNNEL) {
      continue;
    }
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const SOCKADDR* address = u->Address.lpSockaddr;
      if (address == nullptr || address->sa_family != AF_INET) continue;
      const auto* bytes = reinterpret_cast<const unsigned char*>(
          &reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
      std::u16string dotted;
      for (int i = 0; i < 4; ++i) {
        if (i > 0) dotted += u'.';
        const std::string number = std::to_string(bytes[i]);
        dotted.append(number.begin(), number.end());
      }
      adapters.push_back({FromWide(a->FriendlyName), dotted});
    }
  }
  return adapters;
}

void ChooseAdapter(std::u16string_view name) {
  const std::wstring value(name.begin(), name.end());
  // Both the C runtime's copy of the environment, which getenv reads, and
  // the process's own, which GetEnvironmentVariable reads.
  ::_wputenv((L"VORNEN_INTERFACE=" + value).c_str());
  ::SetEnvironmentVariableW(L"VORNEN_INTERFACE", value.c_str());
}

}  // namespace setvornip
