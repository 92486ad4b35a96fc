// Requests to the kernel's routing tables over rtnetlink: one request
// builder and one exchange, shared by everything that reads or changes those
// tables. Nothing here allocates.
#pragma once

#include <linux/netlink.h>

#include <cstddef>

#include "unique_fd.h"

namespace vornen::platform::netlink {

// One request in a buffer of the caller's; attributes follow the body.
struct Request {
  alignas(nlmsghdr) char bytes[128];
  nlmsghdr* header() noexcept { return reinterpret_cast<nlmsghdr*>(bytes); }
};

// Starts `request` afresh as a message of `type` with a zeroed body of
// `body_size` bytes, and returns the body.
void* start(Request& request, unsigned short type, unsigned short flags,
            std::size_t body_size) noexcept;
template <typename Body>
Body* start(Request& request, unsigned short type, unsigned short flags) noexcept {
  return static_cast<Body*>(start(request, type, flags, sizeof(Body)));
}
void add_attribute(Request& request, unsigned short type, const void* data,
                   unsigned short size) noexcept;

// A socket on the kernel's routing tables; invalid, with errno set, on
// failure.
UniqueFd open_route_socket() noexcept;

// Sees one answer; true when it was the last one wanted.
using Visit = bool (*)(const nlmsghdr* answer, void* context);

// Sends `request` and reads the kernel's answers to it, each to `visit`
// (when given), until `visit` has what it wants, a dump ends, or an
// acknowledgement comes. Returns 0, or a negative errno: the kernel's
// refusal, -EAGAIN when the kernel stays silent for `timeout_ms`, or the
// socket's own failure.
int exchange(int fd, Request& request, int timeout_ms, Visit visit, void* context) noexcept;

}  // namespace vornen::platform::netlink
