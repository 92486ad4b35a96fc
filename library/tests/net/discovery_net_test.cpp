#include <gtest/gtest.h>
#include <poll.h>

#include <cstring>
#include <string>

#include "VornEN.h"
#include "device_peers.h"
#include "net_fixture.h"
#include "udp.h"

namespace vornen {
namespace {

using namespace std::chrono_literals;
using peers::discovery_reply;
using peers::DiscoveryPeer;
using peers::kDeviceMac;
using peers::kDeviceMacBytes;

constexpr unsigned char kOtherMacBytes[6] = {0x00, 0x20, 0x4A, 0x00, 0x00, 0x01};

class DiscoveryNetTest : public NetTest {
 protected:
  // The device at 192.168.16.100 with the default MAC, not yet answering.
  testbed::Device add_device(const std::string& mac = kDeviceMac,
                             const std::string& address = "192.168.16.100/24") {
    return bed().add_device(mac, address);
  }

  void open() {
    enter_pc();
    ASSERT_EQ(En_Open(), 0);
  }

  int discover(const char* mac = kDeviceMac) {
    std::memset(buffer_, 'x', sizeof buffer_);
    capacity_ = sizeof buffer_;
    return En_Get_IPAddress(mac, buffer_, &capacity_);
  }

  void expect_ready() {
    EXPECT_EQ(connection().state, kReady);
    EXPECT_FALSE(connection().socket_open);
    EXPECT_FALSE(connection().event_open);
  }

  char buffer_[32] = {};
  std::int32_t capacity_ = 0;
};

TEST_F(DiscoveryNetTest, DeviceIsFoundByItsMacInEitherForm) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  open();
  for (const char* mac : {"00-20-4A-8D-72-33", "00:20:4A:8D:72:33"}) {
    EXPECT_EQ(discover(mac), 0) << mac;
    EXPECT_EQ(std::memcmp(buffer_, "192.168.16.100\0x", 16), 0) << mac;
    EXPECT_EQ(capacity_, 14) << mac;
    expect_ready();
  }
  EXPECT_EQ(peer.queries(), 2) << "one broadcast query per call";
}

TEST_F(DiscoveryNetTest, CapacitySixteenIsEnoughAndFifteenIsRefused) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  open();
  char exact[16];
  std::int32_t capacity = 16;
  EXPECT_EQ(En_Get_IPAddress(kDeviceMac, exact, &capacity), 0);
  EXPECT_EQ(std::memcmp(exact, "192.168.16.100", 15), 0);
  EXPECT_EQ(capacity, 14);

  std::memset(exact, 'x', sizeof exact);
  capacity = 15;
  EXPECT_EQ(En_Get_IPAddress(kDeviceMac, exact, &capacity), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(exact[0], 'x');
  EXPECT_EQ(capacity, 15);
  EXPECT_EQ(discover("00-20-4a-8d-72-33"), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(buffer_[0], 'x');
  EXPECT_EQ(peer.queries(), 1) << "refused arguments send nothing";
}

TEST_F(DiscoveryNetTest, BeforeOpenValidArgumentsGiveIllegalStateAndAnEmptyBuffer) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  enter_pc();
  EXPECT_EQ(discover(), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(buffer_[0], '\0');
  EXPECT_EQ(buffer_[1], 'x');
  ASSERT_EQ(En_Open(), 0);
  ASSERT_EQ(En_Close(), 0);
  EXPECT_EQ(discover(), ERR_ILLEGALSTATE_ONCONNECTION) << "after En_Close";
  EXPECT_EQ(peer.queries(), 0);
}

TEST_F(DiscoveryNetTest, ReplyWithAnotherMacIsSkippedForTheNext) {
  const auto other = add_device("00-20-4A-00-00-01", "192.168.16.101/24");
  const auto wanted = add_device();
  DiscoveryPeer first(bed(), other.ns, {discovery_reply(kOtherMacBytes)});
  DiscoveryPeer second(bed(), wanted.ns, {discovery_reply(kDeviceMacBytes)}, 100ms);
  open();
  EXPECT_EQ(discover(), 0);
  EXPECT_STREQ(buffer_, "192.168.16.100");
  EXPECT_EQ(first.queries(), 1);
  expect_ready();
}

TEST_F(DiscoveryNetTest, NoAnswerGivesNoDeviceThenALaterDiscoveryWorks) {
  const auto device = add_device();
  open();
  const auto start = peers::Clock::now();
  EXPECT_EQ(discover(), ERR_NODEVICE_FORMAC);
  EXPECT_GE(peers::Clock::now() - start, std::chrono::milliseconds(kShortWaitMs));
  EXPECT_EQ(buffer_[0], '\0');
  EXPECT_EQ(capacity_, static_cast<std::int32_t>(sizeof buffer_));
  expect_ready();

  DiscoveryPeer peer(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  EXPECT_EQ(discover(), 0);
  EXPECT_STREQ(buffer_, "192.168.16.100");
}

TEST_F(DiscoveryNetTest, DatagramOfAnotherLengthBeforeTheReplyEndsTheCall) {
  const struct {
    std::size_t length;
    int code;
  } cases[] = {{29, ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {31, ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {1, ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {100, ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {0, ERR_UDP_RECV},
               {101, ERR_UDP_RECV},
               {1400, ERR_UDP_RECV}};
  const auto device = add_device();
  open();
  for (const auto& c : cases) {
    DiscoveryPeer peer(bed(), device.ns,
                       {std::string(c.length, '\x55'), discovery_reply(kDeviceMacBytes)});
    EXPECT_EQ(discover(), c.code) << c.length << " bytes";
    EXPECT_EQ(buffer_[0], '\0');
    expect_ready();
  }
  DiscoveryPeer good(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  EXPECT_EQ(discover(), 0) << "a failed discovery leaves the library usable";
}

TEST_F(DiscoveryNetTest, ThousandDiscoveriesLeaveNoDescriptorBehind) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  open();
  peers::WithoutPauses quick;
  ASSERT_EQ(discover(), 0);
  const int before = testbed::open_descriptors();
  const auto deadline = peers::Clock::now() + 60s;
  int found = 0;
  for (int i = 0; i < 1000 && peers::Clock::now() < deadline; ++i) found += discover() == 0;
  EXPECT_EQ(found, 1000);
  EXPECT_EQ(testbed::open_descriptors(), before);
  expect_ready();
}

// The UDP exchange on the POSIX backend.
class UdpNetTest : public DiscoveryNetTest {
 protected:
  static constexpr unsigned char kQuery[4] = {0x00, 0x00, 0x00, 0xF6};
  unsigned char reply_[200] = {};
  char sender_[kSenderTextSize] = {};
};

TEST_F(UdpNetTest, DirectedBroadcastMayBeSentTo) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  open();
  ASSERT_EQ(udp_send("192.168.16.255", 30718, kQuery, 4), 0);
  EXPECT_EQ(udp_receive(reply_, 100, 30, sender_), 0);
  EXPECT_STREQ(sender_, "192.168.16.100");
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpNetTest, DatagramLongerThanTheCapacityIsAFailedReadNotACutOne) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns, {std::string(150, 'L')});
  open();
  ASSERT_EQ(udp_send("192.168.16.100", 30718, kQuery, 4), 0);
  // Cut to 100 bytes it would match the expected length.
  EXPECT_EQ(udp_receive(reply_, 100, 100, sender_), ERR_UDP_RECV);
  EXPECT_EQ(connection().state, kUdpPending);
  EXPECT_FALSE(connection().socket_open);
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpNetTest, DatagramThatArrivedBeforeTheReceiveIsSeen) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns, {discovery_reply(kDeviceMacBytes)});
  open();
  ASSERT_EQ(udp_send("192.168.16.100", 30718, kQuery, 4), 0);
  pollfd p{static_cast<int>(connection().socket), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 2000), 1) << "the reply is waiting before the event is tied";
  EXPECT_EQ(udp_receive(reply_, 100, 30, sender_), 0);
  EXPECT_STREQ(sender_, "192.168.16.100");
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpNetTest, SeveralWaitingDatagramsAreReadOneByOne) {
  const auto device = add_device();
  DiscoveryPeer peer(bed(), device.ns,
                     {std::string(30, '1'), std::string(30, '2'), std::string(30, '3')});
  open();
  ASSERT_EQ(udp_send("192.168.16.100", 30718, kQuery, 4), 0);
  for (const char c : {'1', '2', '3'}) {
    EXPECT_EQ(udp_receive(reply_, 100, 30, sender_), 0);
    EXPECT_EQ(reply_[0], c);
  }
  EXPECT_EQ(udp_receive(reply_, 100, 30, sender_), ERR_UDP_TIMEOUT_ONREAD);
  EXPECT_TRUE(connection().socket_open) << "a time-out keeps the socket";
  EXPECT_EQ(udp_end(), 0);
}

#if VORNEN_HAVE_SIMULATOR

class SimulatorDiscoveryTest : public DiscoveryNetTest {};

TEST_F(SimulatorDiscoveryTest, SimulatedDeviceIsFoundByItsMac) {
  const auto device = add_device();
  peers::Simulator sim(device.ns, {});
  open();
  for (const char* mac : {"00-20-4A-8D-72-33", "00:20:4A:8D:72:33"}) {
    EXPECT_EQ(discover(mac), 0) << mac;
    EXPECT_EQ(std::memcmp(buffer_, "192.168.16.100\0x", 16), 0) << mac;
    EXPECT_EQ(capacity_, 14);
  }
}

TEST_F(SimulatorDiscoveryTest, FirstReplyWithAnotherMacIsSkipped) {
  const auto other = add_device("00-20-4A-00-00-01", "192.168.16.101/24");
  const auto wanted = add_device();
  peers::Simulator first(other.ns, {});
  peers::Simulator second(wanted.ns, {"--discovery-delay", "100"});
  open();
  EXPECT_EQ(discover(), 0);
  EXPECT_STREQ(buffer_, "192.168.16.100");
}

TEST_F(SimulatorDiscoveryTest, OddDatagramsBeforeTheReplyEndTheCall) {
  const auto device = add_device();
  open();
  const struct {
    const char* lengths;
    int code;
  } cases[] = {{"29", ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {"31", ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {"0", ERR_UDP_RECV},
               {"101", ERR_UDP_RECV}};
  for (const auto& c : cases) {
    peers::Simulator sim(device.ns, {"--discovery-before", c.lengths});
    EXPECT_EQ(discover(), c.code) << c.lengths;
    expect_ready();
  }
}

TEST_F(SimulatorDiscoveryTest, SilentDeviceGivesNoDevice) {
  const auto device = add_device();
  peers::Simulator sim(device.ns, {"--discovery-silent"});
  open();
  EXPECT_EQ(discover(), ERR_NODEVICE_FORMAC);
  EXPECT_EQ(buffer_[0], '\0');
  expect_ready();
}

#endif

}  // namespace
}  // namespace vornen
