#include "udp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "VornEN.h"
#include "fake_fixture.h"
#include "tcp.h"

namespace vornen {
namespace {

using fake::Call;
using platform::WaitResult;

constexpr unsigned char kQuery[4] = {0x00, 0x00, 0x00, 0xF6};

class UdpTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    // The system's resolver takes dotted text as well.
    fake.add_host("192.168.16.255", "192.168.16.255");
  }

  int send_query() { return udp_send("192.168.16.255", 30718, kQuery, 4); }

  // Ready, then a successful send: the exchange is pending.
  void pending() {
    open_ready();
    fake.expect_udp_send(4);
    ASSERT_EQ(send_query(), 0);
    ASSERT_EQ(connection().state, kUdpPending);
  }

  // The steps of a receive up to the read.
  void expect_until_read(long flags = platform::kEventRead) {
    fake.expect(Call::EventSelect);
    fake.expect(Call::BindAny).returns(-1);
    fake.expect_wait(WaitResult::Signalled);
    fake.expect_events(flags);
  }

  int receive(int capacity = 100, int expected = 30) {
    return udp_receive(buffer_, capacity, expected, sender_);
  }

  bool both_open() const { return connection().socket_open && connection().event_open; }
  bool both_closed() const { return !connection().socket_open && !connection().event_open; }

  unsigned char buffer_[200] = {};
  char sender_[kSenderTextSize] = {};
};

// Send

TEST_F(UdpTest, SendInAnyStateButReadyIsRefusedAndTouchesNothing) {
  EXPECT_EQ(send_query(), ERR_UDP_ILLEGALSTATE_ONSEND) << "closed";
  pending();
  EXPECT_EQ(send_query(), ERR_UDP_ILLEGALSTATE_ONSEND) << "a second send while pending";
  EXPECT_EQ(connection().state, kUdpPending);
  EXPECT_TRUE(both_open());
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpTest, SendWhileTcpConnectedLeavesTheTcpConnectionAlone) {
  open_ready();
  fake.expect_connect();
  ASSERT_EQ(tcp_connect("192.168.16.100", 14001), 0);
  const auto socket = connection().socket;
  const auto event = connection().event;
  EXPECT_EQ(send_query(), ERR_UDP_ILLEGALSTATE_ONSEND);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(connection().socket, socket);
  EXPECT_EQ(connection().event, event);
  EXPECT_TRUE(both_open());
  EXPECT_EQ(fake.count("sendto"), 0);
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(UdpTest, SendOfFourBytesLeavesTheExchangePending) {
  pending();
  EXPECT_EQ(fake.count("sendto 192.168.16.255:30718 4"), 1);
  EXPECT_EQ(fake.sent(), std::string("\0\0\0\xF6", 4));
  EXPECT_EQ(fake.count("socket datagram"), 1);
  EXPECT_TRUE(both_open());
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpTest, UnresolvableTargetCreatesNothing) {
  open_ready();
  EXPECT_EQ(udp_send("NOWHERE", 30718, kQuery, 4), ERR_GETHOSTBYNAME);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(fake.count("socket"), 0);
}

TEST_F(UdpTest, TargetGoesStraightToTheResolver) {
  open_ready();
  fake.add_host("DEVICE", "192.168.16.100");
  fake.expect_udp_send(4);
  EXPECT_EQ(udp_send("DEVICE", 30718, kQuery, 4), 0);
  EXPECT_EQ(fake.count("sendto 192.168.16.100:30718"), 1);
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpTest, SocketFailureCreatesNothing) {
  open_ready();
  fake.expect(Call::OpenSocket).failing();
  EXPECT_EQ(send_query(), ERR_UDP_SOCKET);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_TRUE(both_closed());
}

TEST_F(UdpTest, EventFailureClosesTheSocket) {
  open_ready();
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent).failing();
  EXPECT_EQ(send_query(), ERR_WSACREATEEVENT);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(fake.count("close_socket"), 1);
  EXPECT_EQ(fake.count("close_event"), 0);
}

TEST_F(UdpTest, FailedSendClosesBoth) {
  open_ready();
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::SendTo).returns(platform::kFailed);
  EXPECT_EQ(send_query(), ERR_UDP_SENDTO);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_TRUE(both_closed());
  EXPECT_EQ(fake.count("close_socket"), 1);
  EXPECT_EQ(fake.count("close_event"), 1);
}

TEST_F(UdpTest, WouldBlockOrPartialSendIsNotSentWhole) {
  open_ready();
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::SendTo).returns(platform::kWouldBlock);
  EXPECT_EQ(send_query(), ERR_UDP_CANNOTSENDFULLDATA);
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::SendTo).returns(3);
  EXPECT_EQ(send_query(), ERR_UDP_CANNOTSENDFULLDATA);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(fake.count("close_socket"), 2);
  EXPECT_EQ(fake.count("close_event"), 2);
}

// Receive

TEST_F(UdpTest, ReceiveWithoutPendingExchangeIsRefused) {
  open_ready();
  EXPECT_EQ(receive(), ERR_UDP_ILLEGALSTATE_ONRECEIVE);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(UdpTest, ReceiveGivesTheDatagramAndItsSourceAndKeepsTheExchange) {
  pending();
  expect_until_read();
  const std::string reply(30, 'r');
  fake.expect_datagram(reply, "192.168.16.100");
  std::memset(sender_, 'x', sizeof sender_);
  EXPECT_EQ(receive(), 0);
  EXPECT_EQ(std::memcmp(buffer_, reply.data(), 30), 0);
  EXPECT_STREQ(sender_, "192.168.16.100");
  EXPECT_EQ(connection().state, kUdpPending);
  EXPECT_TRUE(both_open());
  EXPECT_EQ(fake.count("event_select mask 1"), 1) << "the read event only";
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpTest, BindAsksForTheSendsPortAndItsRefusalIsIgnored) {
  pending();
  expect_until_read();
  fake.expect_datagram(std::string(30, 'r'), "192.168.16.100");
  EXPECT_EQ(receive(), 0);
  EXPECT_EQ(fake.count("bind 30718"), 1);
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpTest, SeveralDatagramsAreReadOneByOne) {
  pending();
  for (const char* source : {"192.168.16.100", "192.168.16.101", "192.168.16.102"}) {
    expect_until_read();
    fake.expect_datagram(std::string(30, 'r'), source);
  }
  for (const char* source : {"192.168.16.100", "192.168.16.101", "192.168.16.102"}) {
    EXPECT_EQ(receive(), 0);
    EXPECT_STREQ(sender_, source);
  }
  EXPECT_EQ(udp_end(), 0);
}

TEST_F(UdpTest, TimeoutKeepsSocketEventAndState) {
  pending();
  fake.expect(Call::EventSelect);
  fake.expect(Call::BindAny);
  fake.expect_wait(WaitResult::Timeout);
  EXPECT_EQ(receive(), ERR_UDP_TIMEOUT_ONREAD);
  EXPECT_EQ(connection().state, kUdpPending);
  EXPECT_TRUE(both_open());
  EXPECT_EQ(fake.count("wait 5000"), 1) << "the library's wait";
  EXPECT_EQ(udp_end(), 0);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_TRUE(both_closed());
}

TEST_F(UdpTest, FailedWaitGoesOnToTheEnumeration) {
  pending();
  fake.expect(Call::EventSelect);
  fake.expect(Call::BindAny);
  fake.expect_wait(WaitResult::Failed);
  fake.expect_events(platform::kEventRead);
  fake.expect_datagram(std::string(30, 'r'), "192.168.16.100");
  EXPECT_EQ(receive(), 0);
  EXPECT_EQ(udp_end(), 0);
}

// Each failure of a receive closes both while the exchange stays pending;
// the end then closes nothing a second time (the fixture counts closes).
class UdpReceiveFailure : public UdpTest {
 protected:
  void check(int expected_code) {
    EXPECT_EQ(receive(), expected_code);
    EXPECT_EQ(connection().state, kUdpPending);
    EXPECT_TRUE(both_closed());
    EXPECT_EQ(udp_end(), 0);
    EXPECT_EQ(connection().state, kReady);
    EXPECT_EQ(fake.count("close_socket"), 1);
    EXPECT_EQ(fake.count("close_event"), 1);
  }
};

TEST_F(UdpReceiveFailure, EventBindingFails) {
  pending();
  fake.expect(Call::EventSelect).returns(-1);
  check(ERR_EVENTSELECT);
}

TEST_F(UdpReceiveFailure, EnumerationFails) {
  pending();
  fake.expect(Call::EventSelect);
  fake.expect(Call::BindAny);
  fake.expect_wait(WaitResult::Signalled);
  fake.expect(Call::EnumEvents).returns(-1);
  check(ERR_NETWORKEVENT_ONREAD);
}

TEST_F(UdpReceiveFailure, NoReadEvent) {
  pending();
  expect_until_read(0);
  check(ERR_UDP_UNEXPECTEDEVENT_ONREAD);
}

TEST_F(UdpReceiveFailure, ReadFails) {
  pending();
  expect_until_read();
  fake.expect(Call::RecvFrom).returns(platform::kFailed);
  check(ERR_UDP_RECV);
}

TEST_F(UdpReceiveFailure, EmptyDatagram) {
  pending();
  expect_until_read();
  fake.expect_datagram("", "192.168.16.100");
  check(ERR_UDP_RECV);
}

TEST_F(UdpReceiveFailure, DatagramLongerThanTheCapacity) {
  pending();
  expect_until_read();
  fake.expect_datagram(std::string(101, 'r'), "192.168.16.100");
  check(ERR_UDP_RECV);
}

TEST_F(UdpReceiveFailure, DatagramOneByteShort) {
  pending();
  expect_until_read();
  fake.expect_datagram(std::string(29, 'r'), "192.168.16.100");
  check(ERR_UDP_ILLEGAL_RECV_DATA_BYTE);
}

TEST_F(UdpReceiveFailure, DatagramOneByteLong) {
  pending();
  expect_until_read();
  fake.expect_datagram(std::string(31, 'r'), "192.168.16.100");
  check(ERR_UDP_ILLEGAL_RECV_DATA_BYTE);
}

TEST_F(UdpReceiveFailure, ReceiveAfterAFailedOneFailsWithoutClosingAgain) {
  pending();
  expect_until_read();
  fake.expect_datagram(std::string(29, 'r'), "192.168.16.100");
  ASSERT_EQ(receive(), ERR_UDP_ILLEGAL_RECV_DATA_BYTE);
  // Nothing is left to bind; the system is not asked.
  check(ERR_EVENTSELECT);
}

// End

TEST_F(UdpTest, EndWithoutPendingExchangeIsRefused) {
  open_ready();
  EXPECT_EQ(udp_end(), ERR_UDP_ILLEGALSTATE_ONEND);
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(UdpTest, AfterTheEndReceiveAndEndAreRefused) {
  pending();
  EXPECT_EQ(udp_end(), 0);
  EXPECT_EQ(receive(), ERR_UDP_ILLEGALSTATE_ONRECEIVE);
  EXPECT_EQ(udp_end(), ERR_UDP_ILLEGALSTATE_ONEND);
  EXPECT_EQ(connection().state, kReady);
  // A new exchange starts from ready.
  fake.expect_udp_send(4);
  EXPECT_EQ(send_query(), 0);
  EXPECT_EQ(udp_end(), 0);
}

}  // namespace
}  // namespace vornen
