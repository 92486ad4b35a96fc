#include "vornen_cases.h"

#include <string.h>

typedef struct Run {
  const VornenApi* api;
  FILE* out;
  int failures;
} Run;

static void report(Run* run, const char* name, const char* observed, const char* expected) {
  fprintf(run->out, "case %s: %s\n", name, observed);
  if (strcmp(observed, expected) != 0) {
    fprintf(run->out, "FAIL %s: expected %s\n", name, expected);
    ++run->failures;
  }
}

static void code(Run* run, const char* name, int32_t got, int32_t expected) {
  char observed[16];
  char wanted[16];
  snprintf(observed, sizeof observed, "%d", (int)got);
  snprintf(wanted, sizeof wanted, "%d", (int)expected);
  report(run, name, observed, wanted);
}

/* Bytes as readable text: CR as \r, other control bytes as \xHH. */
static void escape(const char* bytes, int32_t length, char* text, size_t room) {
  size_t used = 0;
  text[0] = '\0';
  for (int32_t i = 0; i < length && used + 5 < room; ++i) {
    const unsigned char c = (unsigned char)bytes[i];
    if (c == '\r') {
      used += (size_t)snprintf(text + used, room - used, "\\r");
    } else if (c < 0x20 || c >= 0x7F) {
      used += (size_t)snprintf(text + used, room - used, "\\x%02X", c);
    } else {
      text[used++] = (char)c;
      text[used] = '\0';
    }
  }
}

static void version_cases(Run* run) {
  char buffer[100];
  char observed[160];
  char text[120];
  int32_t length = (int32_t)sizeof buffer;
  int32_t r = run->api->get_dll_version(buffer, &length);
  escape(buffer, (int32_t)strlen(buffer), text, sizeof text);
  snprintf(observed, sizeof observed, "%d %d %s", (int)r, (int)length, text);
  report(run, "version.whole", observed, "0 21 VornEN.DLL Rev. 1.001");

  /* Ten characters and no terminator: the byte after them stays as it was. */
  memset(buffer, '#', sizeof buffer);
  length = 10;
  r = run->api->get_dll_version(buffer, &length);
  escape(buffer, 11, text, sizeof text);
  snprintf(observed, sizeof observed, "%d %d %s", (int)r, (int)length, text);
  report(run, "version.cut", observed, "0 10 VornEN.DLL#");

  length = 0;
  code(run, "version.no_room", run->api->get_dll_version(buffer, &length),
       ERR_ILLEGAL_INPUT_PARAMETER);
}

/* Every call that needs an opened library, before it is opened or after it is
 * closed: none of them touches the network. */
static void closed_cases(Run* run, const char* when) {
  char name[64];
  char buffer[100];
  int32_t size = (int32_t)sizeof buffer;
  snprintf(name, sizeof name, "%s.set_before_any_check", when);
  code(run, name, run->api->set_ip_address(NULL, NULL, 99), ERR_ILLEGALSTATE_ONCONNECTION);
  snprintf(name, sizeof name, "%s.find", when);
  code(run, name, run->api->get_ip_address(VORNEN_CASE_MAC_A, buffer, &size),
       ERR_ILLEGALSTATE_ONCONNECTION);
  snprintf(name, sizeof name, "%s.send", when);
  code(run, name, run->api->send_str(VORNEN_CASE_ADDRESS_A, "PING\r", 5),
       ERR_ILLEGALSTATE_ONCONNECTION);
  snprintf(name, sizeof name, "%s.ask", when);
  size = (int32_t)sizeof buffer;
  code(run, name, run->api->send_recv_str(VORNEN_CASE_ADDRESS_A, "PING\r", 5, buffer, &size, '\r'),
       ERR_ILLEGALSTATE_ONCONNECTION);
}

static void argument_cases(Run* run) {
  char buffer[100];
  int32_t size = (int32_t)sizeof buffer;
  const int32_t bad = ERR_ILLEGAL_INPUT_PARAMETER;
  code(run, "input.find_lower_case_mac",
       run->api->get_ip_address("00-20-4a-8d-72-33", buffer, &size), bad);
  code(run, "input.set_mixed_separators",
       run->api->set_ip_address("00-20:4A-8D-72-33", VORNEN_CASE_ADDRESS_A, 8), bad);
  code(run, "input.set_host_bits_33",
       run->api->set_ip_address(VORNEN_CASE_MAC_A, VORNEN_CASE_ADDRESS_A, 33), bad);
  code(run, "input.set_host_bits_negative",
       run->api->set_ip_address(VORNEN_CASE_MAC_A, VORNEN_CASE_ADDRESS_A, -1), bad);
  code(run, "input.set_address_with_blank",
       run->api->set_ip_address(VORNEN_CASE_MAC_A, "192.168.16.100 ", 8), bad);
  code(run, "input.set_all_ones", run->api->set_ip_address(VORNEN_CASE_MAC_A, "255.255.255.255", 8),
       bad);
  code(run, "input.send_lower_case_host", run->api->send_str("192.168.16.10a", "PING\r", 5), bad);
  code(run, "input.send_no_data", run->api->send_str(VORNEN_CASE_ADDRESS_A, NULL, 5), bad);
  code(run, "input.send_nothing", run->api->send_str(VORNEN_CASE_ADDRESS_A, "PING\r", 0), bad);
  size = 0;
  code(run, "input.ask_nothing_no_room",
       run->api->send_recv_str(VORNEN_CASE_ADDRESS_A, "", 0, buffer, &size, '\r'), bad);
}

static void unreachable_cases(Run* run) {
  code(run, "subnet.other_third_octet",
       run->api->set_ip_address(VORNEN_CASE_MAC_A, "192.168.17.5", 8),
       ERR_INPUTED_IP_MAY_UNREACHABLE);
  code(run, "subnet.other_network", run->api->set_ip_address(VORNEN_CASE_MAC_A, "10.0.0.1", 8),
       ERR_INPUTED_IP_MAY_UNREACHABLE);
}

static void find(Run* run, const char* name, const char* mac, const char* expected) {
  char buffer[100];
  char observed[160];
  int32_t capacity = (int32_t)sizeof buffer;
  memset(buffer, 0, sizeof buffer);
  const int32_t r = run->api->get_ip_address(mac, buffer, &capacity);
  snprintf(observed, sizeof observed, "%d %d %s", (int)r, (int)capacity, buffer);
  report(run, name, observed, expected);
}

static void ask(Run* run, const char* name, const char* host, int32_t capacity,
                const char* expected) {
  char buffer[100];
  char text[120];
  char observed[160];
  int32_t size = capacity;
  memset(buffer, 0, sizeof buffer);
  const int32_t r = run->api->send_recv_str(host, "HELLO\r", 6, buffer, &size, '\r');
  escape(buffer, r == 0 ? size : 0, text, sizeof text);
  snprintf(observed, sizeof observed, "%d %d %s", (int)r, (int)size, text);
  report(run, name, observed, expected);
}

int vornen_run_cases(const VornenApi* api, FILE* out) {
  Run run = {api, out, 0};
  version_cases(&run);
  closed_cases(&run, "before_open");

  code(&run, "open", api->open(), 0);
  code(&run, "open.again", api->open(), 0);
  argument_cases(&run);
  unreachable_cases(&run);

  find(&run, "find.a", VORNEN_CASE_MAC_A, "0 14 " VORNEN_CASE_ADDRESS_A);
  find(&run, "find.b_colons", "00:20:4A:8D:72:44", "0 14 " VORNEN_CASE_ADDRESS_B);

  /* A answers one byte at a time, so the reply is collected from pieces. */
  ask(&run, "ask.a_in_pieces", VORNEN_CASE_ADDRESS_A, 100, "0 9 OK:HELLO\\r");
  ask(&run, "ask.a_cut_at_capacity", VORNEN_CASE_ADDRESS_A, 5, "0 5 OK:HE");
  ask(&run, "ask.b_in_one_piece", VORNEN_CASE_ADDRESS_B, 100, "0 9 OK:HELLO\\r");
  code(&run, "send.a", api->send_str(VORNEN_CASE_ADDRESS_A, "PING\r", 5), 0);
  /* A close or a reset with nothing left to read ends the call; the size
   * slot keeps its capacity. */
  ask(&run, "ask.c_closes_after_a_piece", VORNEN_CASE_ADDRESS_C, 100, "-304 100 ");
  ask(&run, "ask.d_resets_after_a_piece", VORNEN_CASE_ADDRESS_D, 100, "-304 100 ");

  /* The "arp" entry is not needed: A already has the address it is given.
   * Like the real module, A restarts after the dialogue, so it comes last. */
  code(&run, "set.a", api->set_ip_address(VORNEN_CASE_MAC_A, VORNEN_CASE_ADDRESS_A, 8), 0);

  /* Nobody answers at this address: the connect waits out the wait. */
  code(&run, "send.nobody_at_the_address", api->send_str("192.168.16.104", "PING\r", 5),
       ERR_TIMEOUT_ONCONNECTION);

  /* Both devices answer with their own MAC; then the full wait passes. */
  find(&run, "find.nobody", "00-20-4A-8D-72-55", "-1008 100 ");

  code(&run, "close", api->close(), 0);
  code(&run, "close.again", api->close(), 0);
  closed_cases(&run, "after_close");
  return run.failures;
}
