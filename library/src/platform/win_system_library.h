// A DLL of Windows' own, loaded from the system folder alone (never from
// the program's folder or the current one, where a planted copy could be
// found first), and its functions looked up by name. For what a program
// must not import: functions some systems lack (Wine has no
// CreateIpNetEntry2), or DLLs a program keeps out of its import table.
#pragma once

#include "win_system.h"

namespace vornen::platform {

class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* name)
      : module_(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  ~SystemLibrary() {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The function, or nullptr when the DLL or the function is missing.
  template <typename Fn>
  Fn Find(const char* name) const {
    if (module_ == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

}  // namespace vornen::platform
