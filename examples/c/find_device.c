/*
 * Finds a device by its MAC address and, when a command is given, sends it
 * to the device's command port and prints the reply.
 *
 *   find_device MAC [COMMAND]        e.g. find_device 00-20-4A-8D-72-33 VERSION
 *
 * Build against the installed library:
 *   cc find_device.c $(pkg-config --cflags --libs vornen) -o find_device
 */
#include <VornEN.h>
#include <stdio.h>
#include <string.h>

static int failed(const char* call, int32_t code) {
  fprintf(stderr, "%s failed with %d\n", call, (int)code);
  En_Close();
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: %s MAC [COMMAND]\n", argv[0]);
    return 2;
  }

  char version[32];
  int32_t length = (int32_t)sizeof version; /* capacity in, text length out */
  if (En_Get_Dll_Version(version, &length) == 0) printf("library: %s\n", version);

  /* On a PC with several adapters, VORNEN_INTERFACE names the one to use. */
  int32_t code = En_Open();
  if (code != 0) return failed("En_Open", code);

  char address[16]; /* a dotted address and its terminator fit in 16 */
  int32_t capacity = (int32_t)sizeof address;
  code = En_Get_IPAddress(argv[1], address, &capacity);
  if (code != 0) return failed("En_Get_IPAddress", code);
  printf("%s is at %s\n", argv[1], address);

  if (argc == 3) {
    /* The command goes with a CR; the reply is collected up to the CR. */
    char command[256];
    snprintf(command, sizeof command, "%s\r", argv[2]);
    char reply[256];
    int32_t size = (int32_t)sizeof reply - 1; /* the reply is not terminated */
    code = En_SendRecvStr(address, command, (int32_t)strlen(command), reply, &size, '\r');
    if (code != 0) return failed("En_SendRecvStr", code);
    if (size > 0 && reply[size - 1] == '\r') --size;
    reply[size] = '\0';
    printf("reply: %s\n", reply);
  }

  En_Close();
  return 0;
}
