/* A plain C program calling the library through its public header. */
#include <stdio.h>
#include <string.h>

#include "VornEN.h"

int main(void) {
  char text[100];
  int32_t length = (int32_t)sizeof text;
  if (En_Get_Dll_Version(text, &length) != 0 || length != 21 ||
      strcmp(text, VORNEN_VERSION_TEXT) != 0) {
    fprintf(stderr, "version call failed\n");
    return 1;
  }
  /* Before En_Open nothing touches the network. */
  if (En_Set_IPAddress(NULL, NULL, 99) != ERR_ILLEGALSTATE_ONCONNECTION) return 2;
  if (En_Close() != 0) return 3;
  printf("%s\n", text);
  return 0;
}
