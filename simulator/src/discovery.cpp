#include "discovery.h"

#include <poll.h>
#include <sys/socket.h>

#include <random>

#include "interface.h"
#include "socket_io.h"

namespace devsim {
namespace {

bool send_datagram(Device& device, int fd, const sockaddr_in& to, std::string_view bytes,
                   const char* what) {
  const ssize_t sent = ::sendto(fd, bytes.data(), bytes.size(), 0,
                                reinterpret_cast<const sockaddr*>(&to), sizeof to);
  if (sent != static_cast<ssize_t>(bytes.size())) {
    log_error(device.log, std::string("udp-") + what + " to " + endpoint_text(to) + " failed");
    return false;
  }
  return true;
}

// Everything the device sends for one query, in order, honouring the test behaviours.
void answer(Device& device, const DiscoveryBehaviour& behaviour, int fd, const sockaddr_in& to,
            const Ipv4& address) {
  const int stop = device.stop.get();
  const std::string peer = endpoint_text(to);
  if (behaviour.delay_ms > 0 && !pause_ms(stop, behaviour.delay_ms)) return;
  for (const int length : behaviour.before_lengths) {
    const std::string filler(static_cast<std::size_t>(length), '\xA5');
    if (send_datagram(device, fd, to, filler, "extra")) {
      log_event(device.log, "udp-extra to " + peer + " " + std::to_string(length) + " bytes");
    }
  }
  const Mac reply_mac = behaviour.reply_mac.value_or(device.mac);
  std::mt19937_64 random(std::random_device{}());
  for (int i = 0; i < behaviour.flood_count; ++i) {
    if (i > 0 && !pause_ms(stop, behaviour.flood_interval_ms)) return;
    const Mac mac = foreign_mac(random(), device.mac, reply_mac);
    if (send_datagram(device, fd, to, discovery_reply(address, mac), "flood")) {
      log_event(device.log, "udp-flood to " + peer + " mac " + format_mac(mac));
    }
  }
  if (behaviour.flood_count > 0 && !pause_ms(stop, behaviour.flood_interval_ms)) return;
  if (send_datagram(device, fd, to, discovery_reply(address, reply_mac), "reply")) {
    log_event(device.log, "udp-reply to " + peer + " 30 bytes mac " + format_mac(reply_mac));
  }
}

}  // namespace

bool is_discovery_query(std::string_view datagram) {
  return datagram == std::string_view("\x00\x00\x00\xF6", 4);
}

std::string discovery_reply(const Ipv4& address, const Mac& mac) {
  std::string reply(kDiscoveryReplySize, '\0');
  reply[3] = '\xF7';
  for (std::size_t i = 0; i < address.size(); ++i) reply[4 + i] = static_cast<char>(address[i]);
  for (std::size_t i = 0; i < mac.size(); ++i) reply[24 + i] = static_cast<char>(mac[i]);
  return reply;
}

Mac foreign_mac(unsigned long long random, const Mac& own, const Mac& other) {
  Mac mac{};
  while (true) {
    for (std::size_t i = 0; i < mac.size(); ++i) {
      mac[i] = static_cast<unsigned char>(random >> (8 * i));
    }
    mac[0] = static_cast<unsigned char>((mac[0] & 0xFE) | 0x02);  // unicast, locally administered
    if (mac != own && mac != other) return mac;
    random = random * 6364136223846793005ULL + 1442695040888963407ULL;
  }
}

void run_discovery(Device& device, const DiscoveryBehaviour& behaviour, UniqueFd socket) {
  std::string datagram(65536, '\0');
  while (wait_for(socket.get(), POLLIN, device.stop.get(), -1) == Wait::ready) {
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t length = ::recvfrom(socket.get(), datagram.data(), datagram.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &from_length);
    if (length < 0) continue;
    const std::string_view received(datagram.data(), static_cast<std::size_t>(length));
    log_event(device.log, "udp-query from " + endpoint_text(from) + " " + std::to_string(length) +
                              " bytes " + hex_preview(received));
    if (!is_discovery_query(received)) {
      log_event(device.log, "udp-query ignored: not the 4-byte query");
      continue;
    }
    const std::vector<Ipv4Prefix> addresses = ipv4_addresses(device.interface);
    if (addresses.empty()) {
      log_event(device.log, "udp-query ignored: no address yet");
      continue;
    }
    if (behaviour.silent) {
      log_event(device.log, "udp-query ignored: silent");
      continue;
    }
    answer(device, behaviour, socket.get(), from, addresses.front().address);
  }
}

}  // namespace devsim
