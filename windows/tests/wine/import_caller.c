/*
 * A C program linked against VornEN's import library, calling the exports
 * through the public header as any application would. On 32-bit the stack
 * pointer is compared around every call: a caller and callee that disagree on
 * who removes the arguments leave it moved. Only calls that fail before any
 * network work are made. The last line is "ALL OK" when everything passed.
 */
#include <stdio.h>
#include <string.h>

#include "VornEN.h"

static int g_failures = 0;

#if defined(__i386__)
#define STACK_POINTER(sp) __asm__ volatile("movl %%esp, %0" : "=r"(sp) : : "memory")
#else
#define STACK_POINTER(sp) ((sp) = 0)
#endif

#define CHECKED_CALL(name, expected, call)                                                      \
  do {                                                                                          \
    unsigned long before_;                                                                      \
    unsigned long after_;                                                                       \
    STACK_POINTER(before_);                                                                     \
    const int32_t result_ = (call);                                                             \
    STACK_POINTER(after_);                                                                      \
    printf("%s: %d, stack %s\n", name, (int)result_, before_ == after_ ? "balanced" : "moved"); \
    if (result_ != (expected) || before_ != after_) {                                           \
      printf("FAIL %s\n", name);                                                                \
      ++g_failures;                                                                             \
    }                                                                                           \
  } while (0)

int main(void) {
  char text[100];
  int32_t length = (int32_t)sizeof text;
  setvbuf(stdout, NULL, _IONBF, 0);

  CHECKED_CALL("En_Get_Dll_Version", 0, En_Get_Dll_Version(text, &length));
  if (length != 21 || strcmp(text, VORNEN_VERSION_TEXT) != 0) {
    printf("FAIL version text\n");
    ++g_failures;
  }
  CHECKED_CALL("En_Set_IPAddress", ERR_ILLEGALSTATE_ONCONNECTION, En_Set_IPAddress(NULL, NULL, 99));
  length = (int32_t)sizeof text;
  CHECKED_CALL("En_Get_IPAddress", ERR_ILLEGAL_INPUT_PARAMETER,
               En_Get_IPAddress("00-20-4a-8d-72-33", text, &length));
  CHECKED_CALL("En_SendStr", ERR_ILLEGAL_INPUT_PARAMETER, En_SendStr("", "x", 1));
  length = (int32_t)sizeof text;
  CHECKED_CALL("En_SendRecvStr", ERR_ILLEGAL_INPUT_PARAMETER,
               En_SendRecvStr(NULL, "x", 1, text, &length, '\r'));
  CHECKED_CALL("En_Close", 0, En_Close());

  if (g_failures != 0) {
    printf("%d FAILED\n", g_failures);
    return 1;
  }
  printf("ALL OK\n");
  return 0;
}
