#include "assignment.h"

#include <cstdio>
#include <cstring>

#include "VornEN.h"
#include "connection.h"
#include "platform/platform.h"
#include "setup_records.h"
#include "tcp.h"
#include "text_checks.h"

namespace vornen {

namespace {
constexpr int kReceiveArea = 100;
constexpr int kArpParametersSize = 64;
}  // namespace

int setup_dialogue(const char* address_text, const unsigned char octets[4], int host_bits) {
  int r = tcp_connect(address_text, kSetupPort);
  if (r != 0) return r;
  unsigned char area[kReceiveArea];
  std::int32_t size = kReceiveArea;
  // What the device says is read to keep the dialogue in step, not examined.
  if ((r = tcp_receive(area, &size)) != 0) return r;
  if ((r = tcp_send("M", 1)) != 0) return r;
  size = kReceiveArea;
  if ((r = tcp_receive(area, &size)) != 0) return r;
  platform::ops().sleep_ms(1);
  if ((r = send_setup_command("S0", 2)) != 0) return r;
  if ((r = send_setup_records(octets, static_cast<std::uint8_t>(host_bits))) != 0) return r;
  if ((r = send_setup_command("RS", 2)) != 0) return r;
  return tcp_release();
}

int set_ip_address(const char* mac_text, const char* address_text, int host_bits) {
  Connection& c = connection();
  if (c.broadcast[0] == '\0') return ERR_ILLEGALSTATE_ONCONNECTION;
  std::uint8_t mac[6];
  if (parse_mac_text(mac_text, mac) != 0) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (host_bits < 0 || host_bits > 32) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (address_text == nullptr || check_host_text(address_text) != 0)
    return ERR_ILLEGAL_INPUT_PARAMETER;
  const auto& os = platform::ops();
  const std::uint32_t broadcast = os.parse_dotted(c.broadcast);
  const std::uint32_t address = os.parse_dotted(address_text);
  // Turns away names that only the resolver knew, and 255.255.255.255.
  if (address == platform::kAddressNone) return ERR_ILLEGAL_INPUT_PARAMETER;
  if ((address & broadcast) != address) return ERR_INPUTED_IP_MAY_UNREACHABLE;

  char parameters[kArpParametersSize];
  std::snprintf(parameters, sizeof parameters, "-s %s %s ", address_text, mac_text);
  os.run_arp(parameters);

  // The touch sends a packet to the new address so that the device, which
  // learns its address from the first packet for its MAC, takes it.
  if (tcp_connect(address_text, kTouchPort) == 0) tcp_release();

  unsigned char octets[4];
  std::memcpy(octets, &address, 4);
  int r = setup_dialogue(address_text, octets, host_bits);
  if (c.state == kTcpConnected) tcp_release();
  return r;
}

}  // namespace vornen
