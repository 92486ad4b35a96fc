/*
 * Gives the device with this MAC an address; run it as root (or with
 * CAP_NET_ADMIN), since the library writes a neighbour entry for it.
 *
 *   set_address MAC ADDRESS PREFIX     e.g. set_address 00-20-4A-10-00-02 192.168.16.102 24
 *
 * Build against the installed library:
 *   cc set_address.c $(pkg-config --cflags --libs vornen) -o set_address
 */
#include <VornEN.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s MAC ADDRESS PREFIX\n", argv[0]);
    return 2;
  }
  char* end;
  long prefix = strtol(argv[3], &end, 10);
  if (end == argv[3] || *end != '\0' || prefix < 0 || prefix > 32) {
    fprintf(stderr, "not a prefix (0 to 32): %s\n", argv[3]);
    return 2;
  }
  /* The library takes the netmask as its count of host bits: /24 is 8. */
  int32_t host_bits = 32 - (int32_t)prefix;

  int32_t code = En_Open();
  if (code == 0) code = En_Set_IPAddress(argv[1], argv[2], host_bits);
  En_Close();
  if (code != 0) {
    fprintf(stderr, "failed with %d\n", (int)code);
    return 1;
  }
  printf("%s takes %s/%s\n", argv[1], argv[2], argv[3]);
  return 0;
}
