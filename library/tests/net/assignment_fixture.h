// The library opened in the test bed's PC namespace for assignments, with a
// look at the PC's neighbour table, which an assignment changes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "VornEN.h"
#include "device_peers.h"
#include "net_fixture.h"

namespace vornen {

inline constexpr const char* kWanted = "192.168.16.100";

class AssignmentNetTest : public NetTest {
 protected:
  void open() {
    enter_pc();
    ASSERT_EQ(En_Open(), 0);
  }

  std::string pc_neighbour(const std::string& address) {
    return peers::ip_output(bed().pc(), {"neigh", "show", address});
  }

  // The PC's table binds the address to the device's MAC for good.
  void expect_permanent_entry(const std::string& address = kWanted) {
    const std::string entry = pc_neighbour(address);
    EXPECT_NE(entry.find("lladdr 00:20:4a:8d:72:33"), std::string::npos) << entry;
    EXPECT_NE(entry.find("PERMANENT"), std::string::npos) << entry;
  }

  void expect_ready() {
    EXPECT_EQ(connection().state, kReady);
    EXPECT_FALSE(connection().socket_open);
    EXPECT_FALSE(connection().event_open);
  }
};

}  // namespace vornen
