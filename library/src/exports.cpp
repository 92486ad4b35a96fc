// The seven exports: thin wrappers over the library core. Nothing throws
// across them.
#include "VornEN.h"
#include "assignment.h"
#include "command_channel.h"
#include "discovery.h"
#include "startup.h"
#include "version.h"

extern "C" {

VORNEN_API int32_t VORNEN_CALL En_Open(void) { return vornen::open_library(); }

VORNEN_API int32_t VORNEN_CALL En_Close(void) { return vornen::close_library(); }

VORNEN_API int32_t VORNEN_CALL En_SendStr(const char* host, const char* data, int32_t length) {
  return vornen::send_str(host, data, length);
}

VORNEN_API int32_t VORNEN_CALL En_SendRecvStr(const char* host, const char* data, int32_t length,
                                              char* buffer, int32_t* size, int32_t terminator) {
  return vornen::send_recv_str(host, data, length, buffer, size, terminator);
}

VORNEN_API int32_t VORNEN_CALL En_Get_IPAddress(const char* mac, char* buffer, int32_t* capacity) {
  return vornen::get_ip_address(mac, buffer, capacity);
}

VORNEN_API int32_t VORNEN_CALL En_Set_IPAddress(const char* mac, const char* address,
                                                int32_t host_bits) {
  return vornen::set_ip_address(mac, address, host_bits);
}

VORNEN_API int32_t VORNEN_CALL En_Get_Dll_Version(char* buffer, int32_t* length) {
  return vornen::get_version(buffer, length);
}

}  // extern "C"
