// Socket helpers for the service loops; every wait also ends when the device stops.
#pragma once

#include <netinet/in.h>

#include <string>
#include <string_view>

#include "unique_fd.h"

namespace devsim {

enum class Wait { ready, timeout, stopped, failed };

// Waits for `events` on `fd`; a negative timeout waits without limit.
Wait wait_for(int fd, short events, int stop_fd, int timeout_ms);

// Sleeps `ms`; false when the device stops meanwhile.
bool pause_ms(int stop_fd, int ms);

// Sends every byte, waiting for room as needed; false when the peer is gone or on stop.
bool send_all(int fd, std::string_view bytes, int stop_fd);

// Closes with RST instead of FIN.
void reset_connection(UniqueFd& fd);

UniqueFd listen_tcp(unsigned short port);
UniqueFd bind_udp(unsigned short port);

std::string endpoint_text(const sockaddr_in& address);

}  // namespace devsim
