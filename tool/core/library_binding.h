#ifndef SETVORNIP_CORE_LIBRARY_BINDING_H
#define SETVORNIP_CORE_LIBRARY_BINDING_H

#include <VornEN.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform.h"

namespace setvornip {

// The library's seven exports as the tool sees them. Only the types come from
// the header: the tool links nothing of the library and binds each export by
// name from the library file the first time it calls it.
using EnOpenFn = decltype(&En_Open);
using EnCloseFn = decltype(&En_Close);
using EnSendStrFn = decltype(&En_SendStr);
using EnSendRecvStrFn = decltype(&En_SendRecvStr);
using EnGetIpAddressFn = decltype(&En_Get_IPAddress);
using EnSetIpAddressFn = decltype(&En_Set_IPAddress);
using EnGetDllVersionFn = decltype(&En_Get_Dll_Version);

// Every text buffer the tool hands to the library has this many characters.
inline constexpr int32_t kTextBufferSize = 100;

// What a call through the binding gave: the library's result code, or, when
// the file or the export could not be bound, the log text saying which.
struct CallResult {
  int32_t code = 0;
  std::u16string bind_failure;  // empty when the call was made

  bool Failed() const { return !bind_failure.empty() || code < 0; }
};

// A text that came back in one of the 100-character buffers.
struct TextResult {
  CallResult call;
  std::u16string text;  // as many characters as the library reported
};

// The library file and whatever of it is bound so far. A binding holds for
// the rest of the run; a failed one is tried again at the next call, so a
// library installed while the tool runs is picked up. Of the seven exports
// the window calls four; En_Close, En_SendStr and En_SendRecvStr are for
// application programs.
class LibraryBinding {
 public:
  explicit LibraryBinding(LibraryFile file) : file_(std::move(file)) {}

  CallResult Open();
  TextResult GetDllVersion();
  CallResult SetIpAddress(std::u16string_view mac, std::u16string_view address, int32_t host_bits);
  TextResult GetIpAddress(std::u16string_view mac);

 private:
  template <typename Fn>
  std::u16string Bind(Fn& slot, const char* name);

  LibraryFile file_;
  SharedLibrary library_;
  EnOpenFn open_ = nullptr;
  EnGetIpAddressFn get_ip_address_ = nullptr;
  EnSetIpAddressFn set_ip_address_ = nullptr;
  EnGetDllVersionFn get_dll_version_ = nullptr;
};

}  // namespace setvornip

#endif  // SETVORNIP_CORE_LIBRARY_BINDING_H
