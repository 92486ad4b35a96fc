// Devices that misbehave: floods, odd datagrams, resets in the middle of a
// dialogue, peers that close at once or trickle. Every case ends with its
// documented code, the connection ready again and no descriptor left over.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "VornEN.h"
#include "device_peers.h"
#include "net_fixture.h"

#if VORNEN_HAVE_SIMULATOR

namespace vornen {
namespace {

using peers::kDeviceMac;
using peers::Simulator;

constexpr const char* kAddress = "192.168.16.100";

class HostileDeviceTest : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    if (IsSkipped()) return;
    device_ = bed().add_device(kDeviceMac, std::string(kAddress) + "/24");
  }

  void TearDown() override {
    if (!IsSkipped()) {
      EXPECT_EQ(connection().state, kReady);
      EXPECT_FALSE(connection().socket_open);
      EXPECT_FALSE(connection().event_open);
      EXPECT_EQ(testbed::open_descriptors(), descriptors_) << "descriptor leaked";
    }
    simulator_.reset();
    NetTest::TearDown();
  }

  // Starts the simulator with `args`, enters the PC and opens the library.
  void start(std::vector<std::string> args) {
    args.insert(args.end(), {"--mac", kDeviceMac});
    simulator_ = std::make_unique<Simulator>(device_.ns, args);
    enter_pc();
    ASSERT_EQ(En_Open(), 0);
    descriptors_ = testbed::open_descriptors();
  }

  int find(std::string* address = nullptr) {
    char buffer[32] = {};
    std::int32_t capacity = sizeof buffer;
    int r = En_Get_IPAddress(kDeviceMac, buffer, &capacity);
    if (address != nullptr) *address = buffer;
    return r;
  }

  int ask(std::string* reply = nullptr, std::int32_t* size_out = nullptr) {
    char buffer[256];
    std::int32_t size = sizeof buffer;
    int r = En_SendRecvStr(kAddress, "PING\r", 5, buffer, &size, '\r');
    if (reply != nullptr && r == 0) reply->assign(buffer, static_cast<std::size_t>(size));
    if (size_out != nullptr) *size_out = size;
    return r;
  }

  testbed::Device device_;
  std::unique_ptr<Simulator> simulator_;
  int descriptors_ = 0;
};

TEST_F(HostileDeviceTest, FloodOfForeignRepliesIsReadThroughToTheWantedOne) {
  start({"--discovery-flood", "40,5"});
  std::string address;
  EXPECT_EQ(find(&address), 0);
  EXPECT_EQ(address, kAddress);
}

TEST_F(HostileDeviceTest, FloodWithoutTheWantedMacEndsWhenItStops) {
  start({"--discovery-flood", "25,5", "--discovery-mac", "00-20-4A-00-00-01"});
  std::string address = "untouched";
  EXPECT_EQ(find(&address), ERR_NODEVICE_FORMAC);
  EXPECT_EQ(address, "");
}

TEST_F(HostileDeviceTest, DatagramsOfTheWrongLengthEndTheDiscovery) {
  const struct {
    const char* length;
    int code;
  } cases[] = {{"0", ERR_UDP_RECV},
               {"29", ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {"31", ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {"100", ERR_UDP_ILLEGAL_RECV_DATA_BYTE},
               {"101", ERR_UDP_RECV},
               {"65000", ERR_UDP_RECV}};
  start({"--discovery-before", "0"});
  EXPECT_EQ(find(), ERR_UDP_RECV);
  for (const auto& c : cases) {
    simulator_.reset();
    simulator_ = std::make_unique<Simulator>(
        device_.ns, std::vector<std::string>{"--mac", kDeviceMac, "--discovery-before", c.length});
    EXPECT_EQ(find(), c.code) << c.length << " bytes";
    EXPECT_EQ(connection().state, kReady);
  }
}

TEST_F(HostileDeviceTest, AnswerFromAnotherAddressGivesThatAddress) {
  // The device's address is where its reply comes from, not what it claims
  // to be: this one hears the query on its own address and answers from a
  // second one.
  bed().ip(device_.ns, {"addr", "add", "192.168.16.150/24", "dev", "eth0"});
  std::atomic<bool> answered{false};
  std::promise<void> bound;
  std::future<void> listening = bound.get_future();
  std::thread peer = bed().thread_in(device_.ns, [&answered, &bound] {
    int in = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int out = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(30718);
    sockaddr_in other{};
    other.sin_family = AF_INET;
    ::inet_pton(AF_INET, "192.168.16.150", &other.sin_addr);
    ::bind(in, reinterpret_cast<sockaddr*>(&any), sizeof any);
    ::bind(out, reinterpret_cast<sockaddr*>(&other), sizeof other);
    bound.set_value();
    pollfd p{in, POLLIN, 0};
    if (::poll(&p, 1, 3000) == 1) {
      char query[16];
      sockaddr_in from{};
      socklen_t length = sizeof from;
      ::recvfrom(in, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &length);
      const std::string reply = peers::discovery_reply(peers::kDeviceMacBytes);
      ::sendto(out, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
      answered = true;
    }
    ::close(in);
    ::close(out);
  });
  // The query must find the peer listening.
  if (listening.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
    peer.join();
    FAIL() << "the peer could not listen in the device's namespace";
  }
  enter_pc();
  ASSERT_EQ(En_Open(), 0);
  std::string address;
  EXPECT_EQ(find(&address), 0);
  peer.join();
  EXPECT_TRUE(answered);
  EXPECT_EQ(address, "192.168.16.150");
  descriptors_ = testbed::open_descriptors();
}

TEST_F(HostileDeviceTest, ResetRightAfterTheGreetingGivesASendFailure) {
  // The greeting that came before the reset is still read; the "M" then
  // meets the reset.
  start({"--setup-reset-after", "0"});
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kAddress, 8), ERR_SENDERR);
}

TEST_F(HostileDeviceTest, ResetAfterTheMenuGivesASendFailure) {
  start({"--setup-reset-after", "1"});
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, kAddress, 8), ERR_SENDERR);
}

TEST_F(HostileDeviceTest, ResetDuringTheRecordsGivesASendFailure) {
  start({"--setup-reset-after", "10"});
  const int r = En_Set_IPAddress(kDeviceMac, kAddress, 8);
  EXPECT_EQ(r, ERR_SENDERR);
}

TEST_F(HostileDeviceTest, ResetInTheMiddleOfAReply) {
  start({"--command-reset-mid-reply"});
  std::int32_t size = 0;
  const int r = ask(nullptr, &size);
  EXPECT_TRUE(r == ERR_UNEXPECTEDEVENT_ONREAD || r == ERR_RECVFAIL) << r;
  EXPECT_EQ(size, 256) << "the size slot is unchanged on failure";
}

TEST_F(HostileDeviceTest, PeerThatClosesAtOnce) {
  start({"--command-close-at-once"});
  EXPECT_EQ(ask(), ERR_UNEXPECTEDEVENT_ONREAD);
  // A close only tells in the reply, so a send alone may still go out.
  const int r = En_SendStr(kAddress, "PING\r", 5);
  EXPECT_TRUE(r == 0 || r == ERR_SENDERR) << r;
}

TEST_F(HostileDeviceTest, TrickleWithinTheWaitIsCollectedWhole) {
  // A byte every 300 ms against a 400 ms wait: each piece comes in time.
  start({"--command-trickle", "300"});
  std::string reply;
  EXPECT_EQ(ask(&reply), 0);
  EXPECT_EQ(reply, "OK:PING\r");
}

TEST_F(HostileDeviceTest, TrickleSlowerThanTheWaitTimesOut) {
  start({"--command-trickle", "600"});
  EXPECT_EQ(ask(), ERR_TIMEOUT_ONREAD);
}

}  // namespace
}  // namespace vornen

#endif
