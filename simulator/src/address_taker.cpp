#include "address_taker.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "interface.h"
#include "socket_io.h"

namespace devsim {

std::optional<Ipv4> frame_target(std::string_view frame, const Mac& own) {
  constexpr std::size_t kEthernetHeader = 14;
  constexpr std::size_t kShortestIpHeader = 20;
  if (frame.size() < kEthernetHeader + kShortestIpHeader) return std::nullopt;
  if (std::memcmp(frame.data(), own.data(), own.size()) != 0) return std::nullopt;
  if (frame[12] != '\x08' || frame[13] != '\x00') return std::nullopt;
  const auto version = static_cast<unsigned char>(frame[kEthernetHeader]) >> 4;
  if (version != 4) return std::nullopt;
  Ipv4 target{};
  std::memcpy(target.data(), frame.data() + kEthernetHeader + 16, target.size());
  const bool unusable =
      target[0] == 0 || target[0] == 127 || target[0] >= 224 || target == Ipv4{255, 255, 255, 255};
  if (unusable) return std::nullopt;
  return target;
}

UniqueFd open_packet_socket(unsigned index) {
  UniqueFd fd(::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_IP)));
  if (!fd.valid()) return fd;
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = htons(ETH_P_IP);
  link.sll_ifindex = static_cast<int>(index);
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&link), sizeof link) < 0) fd.reset();
  return fd;
}

void run_address_taker(Device& device, bool retake, UniqueFd packet_socket) {
  char frame[2048];
  while (wait_for(packet_socket.get(), POLLIN, device.stop.get(), -1) == Wait::ready) {
    const ssize_t length = ::recv(packet_socket.get(), frame, sizeof frame, MSG_TRUNC);
    if (length < 0) continue;
    const std::size_t stored = std::min(static_cast<std::size_t>(length), sizeof frame);
    const auto target = frame_target(std::string_view(frame, stored), device.mac);
    if (!target) continue;
    std::lock_guard lock(device.address_mutex);
    const std::vector<Ipv4Prefix> current = ipv4_addresses(device.interface);
    if (!current.empty() && !retake) continue;
    bool ours = false;
    for (const Ipv4Prefix& address : current) ours = ours || address.address == *target;
    if (ours) continue;
    const Ipv4Prefix address{*target, device.default_prefix};
    const std::string text = format_ipv4(address.address) + "/" + std::to_string(address.prefix);
    const int result = current.empty() ? add_address(device.index, address)
                                       : replace_addresses(device.interface, address);
    if (result != 0) {
      log_error(device.log, "address take failed " + text + ": " + std::strerror(-result));
    } else {
      log_event(device.log,
                "address taken " + text +
                    (current.empty() ? "" : " replacing " + format_ipv4(current[0].address)));
    }
  }
}

}  // namespace devsim
