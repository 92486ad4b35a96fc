// Tests against the scripted fake: each starts with a closed library and ends
// by checking that the script ran out exactly and no handle stayed open.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "connection.h"
#include "platform/fake_platform.h"

namespace vornen {

class FakeTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_connection_for_tests(); }

  void TearDown() override {
    for (const auto& p : fake.problems()) ADD_FAILURE() << p;
    EXPECT_EQ(fake.open_handles(), 0) << "handles left open";
    reset_connection_for_tests();
  }

  // The library as En_Open leaves it on the test bed's PC.
  void open_ready(const char* broadcast = "192.168.16.255") {
    Connection& c = connection();
    c.state = kReady;
    std::strncpy(c.broadcast, broadcast, sizeof c.broadcast - 1);
  }

  fake::Fake fake;
};

inline platform::Adapter adapter(const char* address, const char* netmask,
                                 std::uint32_t flags = 0) {
  return platform::Adapter{flags, fake::address(address), fake::address(netmask), {}};
}

}  // namespace vornen
