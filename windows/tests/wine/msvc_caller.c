/*
 * A caller of all seven exports, compiled for Microsoft's ABI and linked by
 * msvc_link_test.sh against VornEN.lib. It is never run: the linker must
 * resolve every call, and the import table must name what the DLL exports.
 */
#include "VornEN.h"

int vornen_caller(void) {
  char text[32];
  int32_t length = (int32_t)sizeof text;
  int32_t sum = En_Open();
  sum += En_Get_Dll_Version(text, &length);
  sum += En_Set_IPAddress("00-20-4a-8d-72-33", "192.168.0.10", 0);
  sum += En_Get_IPAddress("00-20-4a-8d-72-33", text, &length);
  sum += En_SendStr("192.168.0.10", "x", 1);
  sum += En_SendRecvStr("192.168.0.10", "x", 1, text, &length, '\r');
  sum += En_Close();
  return (int)sum;
}
