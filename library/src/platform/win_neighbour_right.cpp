// The token is read through advapi32 loaded at run time, so that the
// window, which keeps its imports to the system's core DLLs, can ask too.
#include "neighbour_right.h"
#include "win_system_library.h"

namespace vornen::platform {

NeighbourRight neighbour_right() noexcept {
  using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
  using GetTokenInformationFn =
      BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
  const SystemLibrary advapi(L"advapi32.dll");
  const auto open_token = advapi.Find<OpenProcessTokenFn>("OpenProcessToken");
  const auto token_information = advapi.Find<GetTokenInformationFn>("GetTokenInformation");
  HANDLE token = nullptr;
  if (open_token == nullptr || token_information == nullptr ||
      !open_token(::GetCurrentProcess(), TOKEN_QUERY, &token))
    return NeighbourRight::Unknown;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const BOOL read = token_information(token, TokenElevation, &elevation, sizeof elevation, &size);
  ::CloseHandle(token);
  if (!read) return NeighbourRight::Unknown;
  return elevation.TokenIsElevated != 0 ? NeighbourRight::Held : NeighbourRight::Missing;
}

}  // namespace vornen::platform
