#include "platform/posix_clock.h"

#include <gtest/gtest.h>

#include <climits>

namespace vornen::platform {
namespace {

TEST(PosixClock, MillisecondsOfALongUptimeStayExact) {
  EXPECT_EQ(to_milliseconds(3'000'000, 999'999'999), 3'000'000'999);
  EXPECT_EQ(to_milliseconds(INT_MAX, 500'000'000), static_cast<Milliseconds>(INT_MAX) * 1000 + 500);
}

TEST(PosixClock, TimeLeftCountsDownToZeroAndStaysThere) {
  const Milliseconds start = to_milliseconds(3'000'000, 0);
  EXPECT_EQ(time_left(start + 5000, start), 5000);
  EXPECT_EQ(time_left(start + 5000, start + 4999), 1);
  EXPECT_EQ(time_left(start + 5000, start + 5000), 0);
  EXPECT_EQ(time_left(start + 5000, start + 9000), 0);
}

}  // namespace
}  // namespace vornen::platform
