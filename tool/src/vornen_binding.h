#ifndef SETVORNIP_VORNEN_BINDING_H
#define SETVORNIP_VORNEN_BINDING_H

#include <VornEN.h>

#include <QLibrary>
#include <QString>
#include <cstdint>

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

// The library file: VORNEN_LIBRARY if set (tests point it at a fake),
// otherwise the platform's name for the library, found by the system's
// normal search for shared libraries.
QString DefaultLibraryFile();

// The library file and whatever of it is bound so far. A binding holds for
// the rest of the run; a failed one is tried again at the next call, so a
// library installed while the tool runs is picked up.
struct VornenBinding {
  explicit VornenBinding(const QString& file) : library(file) {}

  QLibrary library;
  EnOpenFn open = nullptr;
  EnCloseFn close = nullptr;
  EnSendStrFn send_str = nullptr;
  EnSendRecvStrFn send_recv_str = nullptr;
  EnGetIpAddressFn get_ip_address = nullptr;
  EnSetIpAddressFn set_ip_address = nullptr;
  EnGetDllVersionFn get_dll_version = nullptr;
};

// What a call through the binding gave: the library's result code, or, when
// the file or the export could not be bound, the log text saying which.
struct CallResult {
  int32_t code = 0;
  QString bind_failure;  // empty when the call was made

  bool Failed() const { return !bind_failure.isEmpty() || code < 0; }
};

// A text that came back in one of the 100-character buffers.
struct TextResult {
  CallResult call;
  QString text;  // as many characters as the library reported
};

CallResult CallOpen(VornenBinding& binding);
TextResult CallGetDllVersion(VornenBinding& binding);
CallResult CallSetIpAddress(VornenBinding& binding, const QString& mac, const QString& address,
                            int32_t host_bits);
TextResult CallGetIpAddress(VornenBinding& binding, const QString& mac);

#endif  // SETVORNIP_VORNEN_BINDING_H
