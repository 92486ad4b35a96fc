// Tests on real sockets in the test bed. Each test gets fresh namespaces; the
// library runs with its calling thread inside the PC namespace, and the wait
// is shortened unless a test asks for the real one.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "VornEN.h"
#include "connection.h"
#include "testbed/testbed.h"

namespace vornen {

inline constexpr int kShortWaitMs = 400;

class NetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
    reset_connection_for_tests();
    set_wait_timeout_ms(kShortWaitMs);
    bed_ = std::make_unique<testbed::TestBed>(pc_address());
  }

  void TearDown() override {
    in_pc_.reset();
    bed_.reset();
    reset_connection_for_tests();
  }

  virtual std::string pc_address() const { return "192.168.16.1/24"; }

  // From here on the test's library calls run in the PC namespace.
  void enter_pc() { in_pc_.emplace(*bed_); }

  testbed::TestBed& bed() { return *bed_; }

 private:
  std::unique_ptr<testbed::TestBed> bed_;
  std::optional<testbed::TestBed::InPc> in_pc_;
};

// The library opened in the PC namespace of a bed with one device at
// 192.168.16.100; every test must end with the connection ready and as many
// descriptors open as it began with.
class OneDeviceNetTest : public NetTest {
 protected:
  static constexpr const char* kDeviceAddress = "192.168.16.100";

  void SetUp() override {
    NetTest::SetUp();
    if (IsSkipped()) return;
    bed().add_device("00-20-4A-8D-72-33", std::string(kDeviceAddress) + "/24");
    enter_pc();
    ASSERT_EQ(En_Open(), 0);
    descriptors_ = testbed::open_descriptors();
  }

  void TearDown() override {
    if (!IsSkipped()) {
      EXPECT_EQ(connection().state, kReady) << "every call releases its connection";
      EXPECT_EQ(testbed::open_descriptors(), descriptors_) << "descriptor left open";
    }
    NetTest::TearDown();
  }

  const std::string& device_ns() { return bed().devices().front().ns; }

  int descriptors_ = 0;
};

}  // namespace vornen
