#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "VornEN.h"
#include "assignment_fixture.h"
#include "device_peers.h"

namespace vornen {
namespace {

using namespace std::chrono_literals;
using peers::kDeviceMac;
using peers::SetupPeer;

// What the device reads on its setup port for 192.168.16.100 and 8 host bits.
const std::string kDialogue =
    "MS0\r"
    ":20000010C0A810640000080000000000000000004C010000B136000000000000C0000000FF\\"
    ":20002010" +
    std::string(64, '0') + "FF\\:20004010" + std::string(64, '0') + "FF\\:18006010" +
    std::string(48, '0') + "FF\\:00000001FF\\RS\r";

// Against a device that already has the address, played by a thread: it
// listens on 9999 only, so port 1 is refused.

TEST_F(AssignmentNetTest, DeviceRefusingPortOneGetsTheWholeDialogueAndThePcAPermanentEntry) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  SetupPeer peer(bed(), device.ns);
  open();
  EXPECT_EQ(pc_neighbour(kWanted).find("PERMANENT"), std::string::npos);
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), 0);
  expect_permanent_entry();
  const auto talks = peer.conversations(1);
  ASSERT_EQ(talks.size(), 1u);
  EXPECT_EQ(talks[0], kDialogue);
  expect_ready();
}

TEST_F(AssignmentNetTest, ColonMacMakesTheSameEntry) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  SetupPeer peer(bed(), device.ns);
  open();
  EXPECT_EQ(En_Set_IPAddress("00:20:4A:8D:72:33", kWanted, 8), 0);
  expect_permanent_entry();
  EXPECT_EQ(peer.conversations(1).at(0), kDialogue);
}

TEST_F(AssignmentNetTest, EntryReplacesAnEarlierOneForTheAddress) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  SetupPeer peer(bed(), device.ns);
  bed().pc_ip(
      {"neigh", "add", kWanted, "lladdr", "02:00:00:00:00:01", "dev", "pc0", "nud", "permanent"});
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), 0);
  expect_permanent_entry();
}

TEST_F(AssignmentNetTest, SilentSetupPortGivesReadTimeoutAndLeavesReady) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  SetupPeer peer(bed(), device.ns, /*silent=*/true);
  open();
  const auto start = peers::Clock::now();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), ERR_TIMEOUT_ONREAD);
  EXPECT_GE(peers::Clock::now() - start, std::chrono::milliseconds(kShortWaitMs));
  expect_ready();
  EXPECT_EQ(peer.conversations(1).at(0), "") << "nothing is sent before the first read";
}

TEST_F(AssignmentNetTest, SecondAssignmentRunsTheWholeSequenceAgain) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  SetupPeer peer(bed(), device.ns);
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), 0);
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), 0);
  const auto talks = peer.conversations(2);
  ASSERT_EQ(talks.size(), 2u);
  EXPECT_EQ(talks[0], kDialogue);
  EXPECT_EQ(talks[1], kDialogue);
  expect_ready();
}

TEST_F(AssignmentNetTest, HundredAssignmentsLeaveNoDescriptorOrChildBehind) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  SetupPeer peer(bed(), device.ns);
  open();
  peers::WithoutPauses quick;
  ASSERT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), 0);
  // Counted while the peer holds no connection of its own.
  ASSERT_EQ(peer.conversations(1).size(), 1u);
  const int descriptors = testbed::open_descriptors();
  const int children = peers::child_processes();
  const auto deadline = peers::Clock::now() + 60s;
  int done = 0;
  for (int i = 0; i < 100 && peers::Clock::now() < deadline; ++i)
    done += En_Set_IPAddress(kDeviceMac, kWanted, 8) == 0;
  EXPECT_EQ(done, 100);
  EXPECT_EQ(peer.conversations(101).size(), 101u);
  EXPECT_EQ(testbed::open_descriptors(), descriptors);
  EXPECT_EQ(peers::child_processes(), children);
}

#if VORNEN_HAVE_SIMULATOR

// Against the simulator: a device that has no address until the PC's first
// packet to its MAC names one, and takes the records' address after "RS".
class SimulatorAssignmentTest : public AssignmentNetTest {
 protected:
  // The device answers on its new address: its command port echoes a line.
  void expect_command_port_answers() {
    char reply[64] = {};
    std::int32_t size = sizeof reply;
    EXPECT_EQ(En_SendRecvStr(kWanted, "PING\r", 5, reply, &size, '\r'), 0);
    EXPECT_EQ(std::string(reply, static_cast<std::size_t>(size > 0 ? size : 0)), "OK:PING\r");
  }

  void assign_and_check(const char* mac) {
    const auto device = bed().add_device(kDeviceMac, "");
    peers::Simulator sim(device.ns, {});
    open();
    EXPECT_EQ(En_Set_IPAddress(mac, kWanted, 8), 0);
    expect_permanent_entry();
    // Taken first from the PC's packet to its MAC, then set by the records.
    EXPECT_TRUE(peers::file_shows(sim.log(), "address set 192.168.16.100 host-bits 8"))
        << peers::read_file(sim.log());
    const std::string log = peers::read_file(sim.log());
    EXPECT_NE(log.find("address taken 192.168.16.100/24"), std::string::npos) << log;
    EXPECT_NE(log.find("setup records accepted 192.168.16.100 host-bits 8"), std::string::npos);
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    EXPECT_NE(peers::ip_output(device.ns, {"-4", "addr", "show", "dev", "eth0"})
                  .find("inet 192.168.16.100/24"),
              std::string::npos);
    EXPECT_EQ(peers::read_file(sim.setup_log()), kDialogue);
    expect_command_port_answers();
    expect_ready();

    // Found again by its MAC on its new address.
    char found[16] = {};
    std::int32_t capacity = sizeof found;
    EXPECT_EQ(En_Get_IPAddress(kDeviceMac, found, &capacity), 0);
    EXPECT_STREQ(found, kWanted);
  }
};

TEST_F(SimulatorAssignmentTest, DeviceWithoutAddressTakesItByHyphenMac) {
  assign_and_check(kDeviceMac);
}

TEST_F(SimulatorAssignmentTest, DeviceWithoutAddressTakesItByColonMac) {
  assign_and_check("00:20:4A:8D:72:33");
}

class SimulatorClassBAssignmentTest : public SimulatorAssignmentTest {
 protected:
  std::string pc_address() const override { return "192.168.16.1/16"; }
};

TEST_F(SimulatorClassBAssignmentTest, HostBitCountSixteenGivesPrefixSixteen) {
  const auto device = bed().add_device(kDeviceMac, "");
  peers::Simulator sim(device.ns, {"--default-prefix", "16"});
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, "192.168.20.7", 16), 0);
  EXPECT_TRUE(peers::file_shows(sim.log(), "address set 192.168.20.7 host-bits 16 prefix 16"))
      << peers::read_file(sim.log());
}

TEST_F(SimulatorAssignmentTest, SecondAssignmentRunsTheWholeDialogueAgain) {
  const auto device = bed().add_device(kDeviceMac, "");
  peers::Simulator sim(device.ns, {});
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), 0);
  ASSERT_TRUE(peers::file_shows(sim.log(), "address set 192.168.16.100"));
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), 0);
  EXPECT_TRUE(peers::file_shows(sim.setup_log(), kDialogue + kDialogue));
  expect_ready();
}

TEST_F(SimulatorAssignmentTest, SilentSetupPortGivesReadTimeout) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  peers::Simulator sim(device.ns, {"--setup-silent"});
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), ERR_TIMEOUT_ONREAD);
  expect_ready();
}

TEST_F(SimulatorAssignmentTest, DeviceThatDoesNotAnswerTheMGivesReadTimeout) {
  const auto device = bed().add_device(kDeviceMac, "192.168.16.100/24");
  peers::Simulator sim(device.ns, {"--setup-no-menu"});
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kWanted, 8), ERR_TIMEOUT_ONREAD);
  EXPECT_TRUE(peers::file_shows(sim.setup_log(), "M"));
  expect_ready();
}

#endif

}  // namespace
}  // namespace vornen
