#include "discovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "VornEN.h"
#include "fake_fixture.h"
#include "tcp.h"

namespace vornen {
namespace {

using fake::Call;
using platform::WaitResult;

constexpr const char* kMac = "00-20-4A-8D-72-33";

// A 30-byte reply whose bytes 24 to 29 carry the MAC.
std::string reply_for(const unsigned char (&mac)[6]) {
  std::string r(24, '\x11');
  r.append(reinterpret_cast<const char*>(mac), 6);
  return r;
}
constexpr unsigned char kWantedMac[6] = {0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33};
constexpr unsigned char kOtherMac[6] = {0x00, 0x20, 0x4A, 0x8D, 0x72, 0x34};

class DiscoveryTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    fake.add_host("192.168.16.255", "192.168.16.255");
    std::memset(buffer_, 'x', sizeof buffer_);
  }

  void expect_reply(std::string bytes, const char* source,
                    WaitResult wait = WaitResult::Signalled) {
    fake.expect(Call::EventSelect);
    fake.expect(Call::BindAny).returns(-1);
    fake.expect_wait(wait);
    fake.expect_events(platform::kEventRead);
    fake.expect_datagram(std::move(bytes), source);
  }
  void expect_silence() {
    fake.expect(Call::EventSelect);
    fake.expect(Call::BindAny).returns(-1);
    fake.expect_wait(WaitResult::Timeout);
  }

  int discover(const char* mac = kMac) { return En_Get_IPAddress(mac, buffer_, &capacity_); }

  // Nothing open, ready, each handle closed once.
  void expect_ended() {
    EXPECT_EQ(connection().state, kReady);
    EXPECT_FALSE(connection().socket_open);
    EXPECT_FALSE(connection().event_open);
    EXPECT_EQ(fake.count("close_socket"), 1);
    EXPECT_EQ(fake.count("close_event"), 1);
  }

  char buffer_[32];
  std::int32_t capacity_ = 32;
};

TEST_F(DiscoveryTest, QueryIsFourBytesToTheBroadcastOnPort30718ThenTenMs) {
  open_ready();
  fake.expect_udp_send(4);
  expect_reply(reply_for(kWantedMac), "192.168.16.100");
  EXPECT_EQ(discover(), 0);
  EXPECT_EQ(fake.sent(), std::string("\x00\x00\x00\xF6", 4));
  std::vector<std::string> steps;
  for (const auto& line : fake.log())
    if (line.rfind("sendto", 0) == 0 || line.rfind("sleep", 0) == 0 || line.rfind("wait", 0) == 0)
      steps.push_back(line);
  EXPECT_EQ(steps, (std::vector<std::string>{"sendto 192.168.16.255:30718 4", "sleep 10",
                                             "wait 5000", "sleep 10"}));
}

TEST_F(DiscoveryTest, MatchingReplyGivesItsSourceAsText) {
  for (const char* mac : {"00-20-4A-8D-72-33", "00:20:4A:8D:72:33"}) {
    reset_connection_for_tests();
    open_ready();
    fake.expect_udp_send(4);
    expect_reply(reply_for(kWantedMac), "192.168.16.100");
    capacity_ = 16;
    std::memset(buffer_, 'x', sizeof buffer_);
    EXPECT_EQ(discover(mac), 0) << mac;
    EXPECT_EQ(std::memcmp(buffer_, "192.168.16.100\0x", 16), 0) << "text, terminator, no more";
    EXPECT_EQ(capacity_, 14);
    EXPECT_EQ(connection().state, kReady);
  }
  EXPECT_EQ(fake.count("close_socket"), 2);
  EXPECT_EQ(fake.count("close_event"), 2);
}

TEST_F(DiscoveryTest, ReplyFromAnotherDeviceIsSkippedWithAFullWaitForTheNext) {
  open_ready();
  fake.expect_udp_send(4);
  expect_reply(reply_for(kOtherMac), "192.168.16.101");
  expect_reply(reply_for(kWantedMac), "192.168.16.100");
  EXPECT_EQ(discover(), 0);
  EXPECT_STREQ(buffer_, "192.168.16.100");
  EXPECT_EQ(fake.count("wait 5000"), 2);
  EXPECT_EQ(fake.count("sleep 10"), 3) << "after the query and after each reply";
  expect_ended();
}

TEST_F(DiscoveryTest, OnlyBytesTwentyFourToTwentyNineAreCompared) {
  open_ready();
  fake.expect_udp_send(4);
  std::string shifted(23, '\0');
  shifted.append(reinterpret_cast<const char*>(kWantedMac), 6);
  shifted += '\0';
  expect_reply(shifted, "192.168.16.101");
  std::string with_noise = reply_for(kWantedMac);
  for (int i = 0; i < 24; ++i) with_noise[static_cast<std::size_t>(i)] = '\xFF';
  expect_reply(with_noise, "192.168.16.100");
  EXPECT_EQ(discover(), 0);
  EXPECT_STREQ(buffer_, "192.168.16.100");
}

TEST_F(DiscoveryTest, NoAnswerGivesNoDeviceWithTheBufferEmptyAndReady) {
  open_ready();
  fake.expect_udp_send(4);
  expect_silence();
  EXPECT_EQ(discover(), ERR_NODEVICE_FORMAC);
  EXPECT_EQ(buffer_[0], '\0');
  EXPECT_EQ(capacity_, 32);
  expect_ended();
}

TEST_F(DiscoveryTest, SilenceAfterAnotherDevicesReplyGivesNoDevice) {
  open_ready();
  fake.expect_udp_send(4);
  expect_reply(reply_for(kOtherMac), "192.168.16.101");
  expect_silence();
  EXPECT_EQ(discover(), ERR_NODEVICE_FORMAC);
  EXPECT_EQ(buffer_[0], '\0') << "the other device's address is not handed out";
  expect_ended();
}

// Every failure of a receive ends the exchange and is the result.
TEST_F(DiscoveryTest, ReceiveFailuresAreTheResultAndEndTheExchange) {
  struct Case {
    const char* what;
    int code;
    void (*script)(fake::Fake&);
  };
  const Case cases[] = {
      {"binding", ERR_EVENTSELECT, [](fake::Fake& f) { f.expect(Call::EventSelect).returns(-1); }},
      {"enumeration", ERR_NETWORKEVENT_ONREAD,
       [](fake::Fake& f) {
         f.expect(Call::EventSelect);
         f.expect(Call::BindAny);
         f.expect_wait(WaitResult::Signalled);
         f.expect(Call::EnumEvents).returns(-1);
       }},
      {"no read event", ERR_UDP_UNEXPECTEDEVENT_ONREAD,
       [](fake::Fake& f) {
         f.expect(Call::EventSelect);
         f.expect(Call::BindAny);
         f.expect_wait(WaitResult::Signalled);
         f.expect_events(platform::kEventClose);
       }},
      {"failed read", ERR_UDP_RECV,
       [](fake::Fake& f) {
         f.expect(Call::EventSelect);
         f.expect(Call::BindAny);
         f.expect_wait(WaitResult::Signalled);
         f.expect_events(platform::kEventRead);
         f.expect(Call::RecvFrom).returns(platform::kFailed);
       }},
  };
  int closes = 0;
  for (const Case& c : cases) {
    reset_connection_for_tests();
    open_ready();
    fake.expect_udp_send(4);
    c.script(fake);
    std::memset(buffer_, 'x', sizeof buffer_);
    EXPECT_EQ(discover(), c.code) << c.what;
    EXPECT_EQ(buffer_[0], '\0') << c.what;
    EXPECT_EQ(capacity_, 32) << c.what;
    EXPECT_EQ(connection().state, kReady) << c.what;
    ++closes;
    EXPECT_EQ(fake.count("close_socket"), closes) << c.what;
    EXPECT_EQ(fake.count("close_event"), closes) << c.what;
    EXPECT_EQ(fake.open_handles(), 0) << c.what;
  }
}

TEST_F(DiscoveryTest, DatagramOfAnotherLengthBeforeTheReplyEndsTheCall) {
  for (const std::size_t length : {1u, 29u, 31u, 100u}) {
    reset_connection_for_tests();
    open_ready();
    fake.expect_udp_send(4);
    expect_reply(std::string(length, '\0'), "192.168.16.100");
    EXPECT_EQ(discover(), ERR_UDP_ILLEGAL_RECV_DATA_BYTE) << length;
    EXPECT_EQ(connection().state, kReady);
    EXPECT_EQ(buffer_[0], '\0');
  }
}

TEST_F(DiscoveryTest, EmptyOrOverlongDatagramIsAFailedRead) {
  for (const std::size_t length : {0u, 101u, 600u}) {
    reset_connection_for_tests();
    open_ready();
    fake.expect_udp_send(4);
    expect_reply(std::string(length, '\0'), "192.168.16.100");
    EXPECT_EQ(discover(), ERR_UDP_RECV) << length;
    EXPECT_EQ(connection().state, kReady);
  }
}

TEST_F(DiscoveryTest, QueryFailuresAreTheResultWithNothingToEnd) {
  open_ready();
  fake.expect(Call::OpenSocket).failing();
  EXPECT_EQ(discover(), ERR_UDP_SOCKET);
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent).failing();
  EXPECT_EQ(discover(), ERR_WSACREATEEVENT);
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::SendTo).returns(platform::kFailed);
  EXPECT_EQ(discover(), ERR_UDP_SENDTO);
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::SendTo).returns(2);
  EXPECT_EQ(discover(), ERR_UDP_CANNOTSENDFULLDATA);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(fake.count("sleep 10"), 4) << "the pause follows a failed query too";
  EXPECT_EQ(buffer_[0], '\0');
}

TEST_F(DiscoveryTest, UnresolvableBroadcastTextGivesTheLookupCode) {
  open_ready("192.168.99.255");
  EXPECT_EQ(discover(), ERR_GETHOSTBYNAME);
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(DiscoveryTest, WhileTcpConnectedTheQueryIsRefusedAndTheConnectionUntouched) {
  open_ready();
  fake.expect_connect();
  ASSERT_EQ(tcp_connect("192.168.16.100", 14001), 0);
  const auto socket = connection().socket;
  const auto event = connection().event;
  const std::size_t calls = fake.log().size();
  EXPECT_EQ(discover(), ERR_UDP_ILLEGALSTATE_ONSEND);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(connection().socket, socket);
  EXPECT_EQ(connection().event, event);
  EXPECT_TRUE(connection().socket_open && connection().event_open);
  EXPECT_EQ(buffer_[0], '\0');
  // Only the query's pause: no socket made, nothing sent, nothing closed.
  EXPECT_EQ(
      std::vector<std::string>(fake.log().begin() + static_cast<long>(calls), fake.log().end()),
      std::vector<std::string>{"sleep 10"});
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(DiscoveryTest, ArgumentChecksComeInOrderAndLeaveTheBufferUntouched) {
  open_ready();
  capacity_ = 15;
  EXPECT_EQ(discover(), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(buffer_[0], 'x');
  EXPECT_EQ(capacity_, 15);
  capacity_ = 32;
  for (const char* mac : {"00-20-4a-8d-72-33", "00-20:4A-8D-72-33", "00-20-4A-8D-72-3"}) {
    EXPECT_EQ(discover(mac), ERR_ILLEGAL_INPUT_PARAMETER) << mac;
  }
  EXPECT_EQ(discover(nullptr), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(En_Get_IPAddress(kMac, nullptr, &capacity_), ERR_ILLEGAL_INPUT_PARAMETER);
  // A bad MAC wins over a small capacity, and both over a missing buffer.
  capacity_ = 0;
  EXPECT_EQ(En_Get_IPAddress("bad", nullptr, &capacity_), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(buffer_[0], 'x');
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(DiscoveryTest, NotOpenedEmptiesTheBufferAndGivesIllegalState) {
  EXPECT_EQ(discover(), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(buffer_[0], '\0');
  EXPECT_EQ(buffer_[1], 'x');
  EXPECT_EQ(capacity_, 32);
  EXPECT_TRUE(fake.log().empty());
}

}  // namespace
}  // namespace vornen
