// The seven exports: thin wrappers over the library core.
//
// The library holds one connection for the whole process, so calls from
// several threads take turns on one process-wide lock: a call that arrives
// while another runs waits for it, then does what it would have done alone.
// No exception crosses into the caller: the core reports failures as codes,
// and anything thrown all the same (an allocation failure in the system
// layer) ends the call with ERR_MIDDLE_SETIOSTATE after the connection's
// handles are closed.
#include <mutex>

#include "VornEN.h"
#include "assignment.h"
#include "command_channel.h"
#include "connection.h"
#include "discovery.h"
#include "startup.h"
#include "version.h"

namespace {

// Constant-initialised: nothing runs at load or unload.
std::mutex g_calls;

template <typename Call>
int32_t serialised(Call call) noexcept {
  try {
    std::lock_guard<std::mutex> lock(g_calls);
    try {
      return call();
    } catch (...) {
      vornen::abandon_connection();
      return ERR_MIDDLE_SETIOSTATE;
    }
  } catch (...) {
    // The lock itself failed; nothing was touched.
    return ERR_MIDDLE_SETIOSTATE;
  }
}

}  // namespace

extern "C" {

VORNEN_API int32_t VORNEN_CALL En_Open(void) {
  return serialised([] { return vornen::open_library(); });
}

VORNEN_API int32_t VORNEN_CALL En_Close(void) {
  return serialised([] { return vornen::close_library(); });
}

VORNEN_API int32_t VORNEN_CALL En_SendStr(const char* host, const char* data, int32_t length) {
  return serialised([=] { return vornen::send_str(host, data, length); });
}

VORNEN_API int32_t VORNEN_CALL En_SendRecvStr(const char* host, const char* data, int32_t length,
                                              char* buffer, int32_t* size, int32_t terminator) {
  return serialised(
      [=] { return vornen::send_recv_str(host, data, length, buffer, size, terminator); });
}

VORNEN_API int32_t VORNEN_CALL En_Get_IPAddress(const char* mac, char* buffer, int32_t* capacity) {
  return serialised([=] { return vornen::get_ip_address(mac, buffer, capacity); });
}

VORNEN_API int32_t VORNEN_CALL En_Set_IPAddress(const char* mac, const char* address,
                                                int32_t host_bits) {
  return serialised([=] { return vornen::set_ip_address(mac, address, host_bits); });
}

VORNEN_API int32_t VORNEN_CALL En_Get_Dll_Version(char* buffer, int32_t* length) {
  return serialised([=] { return vornen::get_version(buffer, length); });
}

}  // extern "C"
