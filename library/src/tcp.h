// The one TCP connection: connect, send, receive, release. Each checks the
// connection state first and returns its state error without touching
// anything when the state is another.
#pragma once

#include <cstdint>

namespace vornen {

int tcp_connect(const char* host, int port);
int tcp_send(const void* data, int length);
int tcp_receive(void* buffer, std::int32_t* size);
int tcp_release();

// Dotted text or, failing that, a resolvable name; false when neither.
bool host_address(const char* host, std::uint32_t* address);

}  // namespace vornen
