// Time arithmetic of the POSIX waits, in 64-bit milliseconds whatever the
// width of long: the monotonic clock counts from boot, and its seconds times
// 1000 no longer fit a 32-bit long once a machine has been up 24.8 days.
// Free of system headers, so that a build for a 32-bit target can check it.
#pragma once

#include <stdint.h>

namespace vornen::platform {

using Milliseconds = int64_t;

constexpr Milliseconds to_milliseconds(int64_t seconds, int64_t nanoseconds) {
  return seconds * 1000 + nanoseconds / 1'000'000;
}

// What is left of a wait that ends at `deadline`, as poll() takes it.
constexpr int time_left(Milliseconds deadline, Milliseconds now) {
  return deadline > now ? static_cast<int>(deadline - now) : 0;
}

}  // namespace vornen::platform
