#include "discovery.h"

#include <cstring>

#include "VornEN.h"
#include "connection.h"
#include "platform/platform.h"
#include "text_checks.h"
#include "udp.h"

namespace vornen {

namespace {

constexpr int kPauseMs = 10;
constexpr unsigned char kQuery[4] = {0x00, 0x00, 0x00, 0xF6};

// One reply: 0 with `match` set, -504 after ending the exchange itself on a
// time-out, or the receive's failure.
int reply_check(const std::uint8_t mac[6], char sender[kSenderTextSize], bool* match) {
  unsigned char reply[kDiscoveryReplyCapacity];
  int r = udp_receive(reply, kDiscoveryReplyCapacity, kDiscoveryReplyLength, sender);
  if (r == 0) {
    *match = std::memcmp(reply + kDiscoveryMacOffset, mac, 6) == 0;
    platform::ops().sleep_ms(kPauseMs);
    return 0;
  }
  if (r == ERR_UDP_TIMEOUT_ONREAD) udp_end();
  return r;
}

}  // namespace

int discovery_query(const char* target) {
  int r = udp_send(target, kDiscoveryPort, kQuery, sizeof kQuery);
  platform::ops().sleep_ms(kPauseMs);
  return r;
}

int get_ip_address(const char* mac_text, char* buffer, std::int32_t* capacity) {
  std::uint8_t mac[6];
  if (parse_mac_text(mac_text, mac) != 0) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (capacity == nullptr || *capacity < 16) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (buffer == nullptr) return ERR_ILLEGAL_INPUT_PARAMETER;
  buffer[0] = '\0';
  Connection& c = connection();
  if (c.broadcast[0] == '\0') return ERR_ILLEGALSTATE_ONCONNECTION;

  int r = discovery_query(c.broadcast);
  if (r != 0) return r;
  char sender[kSenderTextSize] = {};
  // Replies from other devices are skipped; each gets a full wait of its own.
  for (;;) {
    bool match = false;
    r = reply_check(mac, sender, &match);
    if (r == ERR_UDP_TIMEOUT_ONREAD) return ERR_NODEVICE_FORMAC;
    if (r != 0) {
      udp_end();
      return r;
    }
    if (match) break;
  }
  for (std::int32_t i = 0; i < *capacity; ++i) {
    buffer[i] = sender[i];
    if (sender[i] == '\0') {
      *capacity = i;
      break;
    }
  }
  udp_end();
  return 0;
}

}  // namespace vornen
