#include "assignment.h"

#include <gtest/gtest.h>

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
constexpr const char* kWanted = "192.168.16.100";

const std::string kRecords =
    ":20000010C0A810640000080000000000000000004C010000B136000000000000C0000000FF\\"
    ":20002010" +
    std::string(64, '0') + "FF\\:20004010" + std::string(64, '0') + "FF\\:18006010" +
    std::string(48, '0') + "FF\\:00000001FF\\";

class AssignmentTest : public FakeTest {
 protected:
  // The touch of port 1: connected (a refusal looks the same) and released.
  void expect_touch() { fake.expect_connect(); }
  // The device greets after the connect and answers the "M".
  void expect_greeting_and_menu() {
    fake.expect_wait(WaitResult::Signalled);
    fake.expect_events(platform::kEventRead);
    fake.expect_recv("*** hello\r\n");
    fake.expect(Call::Send);
    fake.expect_wait(WaitResult::Signalled);
    fake.expect_events(platform::kEventRead);
    fake.expect_recv("menu\r\n");
  }
  // "S0", CR, five records, "RS", CR.
  void expect_setup_sends(int count = 9) {
    for (int i = 0; i < count; ++i) fake.expect(Call::Send);
  }
  void expect_whole_dialogue() {
    expect_touch();
    fake.expect_connect();
    expect_greeting_and_menu();
    expect_setup_sends();
  }
  // Both connects fail at the socket: the result tells that the checks passed.
  void expect_no_sockets() {
    fake.expect(Call::OpenSocket).failing();
    fake.expect(Call::OpenSocket).failing();
  }
  std::vector<std::string> arp_lines() const {
    std::vector<std::string> out;
    for (const auto& line : fake.log())
      if (line.rfind("arp ", 0) == 0) out.push_back(line);
    return out;
  }
};

TEST_F(AssignmentTest, NotOpenedComesBeforeEveryArgumentCheck) {
  EXPECT_EQ(En_Set_IPAddress(nullptr, nullptr, 99), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(En_Set_IPAddress("junk", "x y", -1), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_ILLEGALSTATE_ONCONNECTION);
  // The text alone decides: a ready state without a broadcast text is not opened.
  connection().state = kReady;
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(AssignmentTest, BadMacTextsAreRejectedBeforeAnythingRuns) {
  open_ready();
  for (const char* mac : {"00-20-4a-8d-72-33", "00-20:4A-8D-72-33", "00-20-4A-8D-72-3",
                          "00-20-4A-8D-72-333", "00 20 4A 8D 72 33", ""}) {
    EXPECT_EQ(En_Set_IPAddress(mac, kWanted, 8), ERR_ILLEGAL_INPUT_PARAMETER) << mac;
  }
  EXPECT_EQ(En_Set_IPAddress(nullptr, kWanted, 8), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(AssignmentTest, HostBitCountOutsideZeroToThirtyTwoIsRejected) {
  open_ready();
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, -1), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 33), ERR_ILLEGAL_INPUT_PARAMETER);
  // The count is checked before the address text.
  EXPECT_EQ(En_Set_IPAddress(kMac, nullptr, 33), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(AssignmentTest, HostBitCountsZeroAndThirtyTwoPass) {
  open_ready();
  for (const int bits : {0, 32}) {
    expect_no_sockets();
    EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, bits), ERR_SOCKET) << bits;
  }
  EXPECT_EQ(arp_lines().size(), 2u);
}

TEST_F(AssignmentTest, MissingOrMalformedAddressTextIsRejected) {
  open_ready();
  for (const char* text : {"", "192.168.16.100 ", "192.168.16.1OO", "192.168.16.10a",
                           "192.168.016.1000", "192-168-16-100"}) {
    EXPECT_EQ(En_Set_IPAddress(kMac, text, 8), ERR_ILLEGAL_INPUT_PARAMETER) << text;
  }
  EXPECT_EQ(En_Set_IPAddress(kMac, nullptr, 8), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_TRUE(arp_lines().empty());
  EXPECT_EQ(fake.count("socket"), 0);
}

TEST_F(AssignmentTest, NameThatOnlyTheResolverKnowsIsRejected) {
  open_ready();
  fake.add_host("ABCDEF", "192.168.16.100");
  EXPECT_EQ(En_Set_IPAddress(kMac, "ABCDEF", 8), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(fake.count("resolve ABCDEF"), 1) << "it passed the host text check by the resolver";
  EXPECT_TRUE(arp_lines().empty());
}

TEST_F(AssignmentTest, AddressOutsideTheBroadcastsBitsMayBeUnreachable) {
  open_ready("192.168.16.255");
  EXPECT_EQ(En_Set_IPAddress(kMac, "192.168.17.5", 8), ERR_INPUTED_IP_MAY_UNREACHABLE);
  EXPECT_EQ(En_Set_IPAddress(kMac, "10.0.0.1", 8), ERR_INPUTED_IP_MAY_UNREACHABLE);
  EXPECT_TRUE(arp_lines().empty());
  // The test is bitwise: these set no bit the broadcast lacks.
  for (const char* text : {"192.168.0.5", "192.168.16.255", "0.0.0.0"}) {
    expect_no_sockets();
    EXPECT_EQ(En_Set_IPAddress(kMac, text, 8), ERR_SOCKET) << text;
  }
}

TEST_F(AssignmentTest, ArpGetsAddressAndMacExactlyAsPassed) {
  open_ready();
  expect_no_sockets();
  En_Set_IPAddress(kMac, kWanted, 8);
  expect_no_sockets();
  En_Set_IPAddress("00:20:4A:8D:72:33", kWanted, 8);
  EXPECT_EQ(arp_lines(), (std::vector<std::string>{"arp -s 192.168.16.100 00-20-4A-8D-72-33 ",
                                                   "arp -s 192.168.16.100 00:20:4A:8D:72:33 "}));
}

TEST_F(AssignmentTest, WholeDialogueSendsItsBytesInOrder) {
  open_ready();
  expect_whole_dialogue();
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), 0);
  EXPECT_EQ(fake.sent(), "MS0\r" + kRecords + "RS\r");
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(fake.count("connect 192.168.16.100:1"), 1);
  EXPECT_EQ(fake.count("connect 192.168.16.100:9999"), 1);
  EXPECT_EQ(fake.count("shutdown"), 2) << "the touch and the dialogue are each released";
  EXPECT_EQ(fake.count("recv 100 "), 2) << "two reads of up to 100 bytes";

  // Arp first, then the touch, then the dialogue with its 1 ms pause before "S0".
  std::vector<std::string> order;
  for (const auto& line : fake.log()) {
    if (line.rfind("arp ", 0) == 0) order.push_back("arp");
    if (line.rfind("connect ", 0) == 0 || line == "sleep 1") order.push_back(line);
    if (line.rfind("send 2 ", 0) == 0) order.push_back("send 2");
  }
  EXPECT_EQ(order, (std::vector<std::string>{"arp", "connect 192.168.16.100:1",
                                             "connect 192.168.16.100:9999", "sleep 1", "send 2",
                                             "send 2"}));
}

TEST_F(AssignmentTest, SecondAssignmentRunsTheWholeSequenceAgain) {
  open_ready();
  expect_whole_dialogue();
  expect_whole_dialogue();
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), 0);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), 0);
  const std::string once = "MS0\r" + kRecords + "RS\r";
  EXPECT_EQ(fake.sent(), once + once);
  EXPECT_EQ(arp_lines().size(), 2u);
}

TEST_F(AssignmentTest, RefusedOrSilentTouchDoesNotChangeTheResult) {
  open_ready();
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(platform::kFailed);
  fake.expect_connect();
  expect_greeting_and_menu();
  expect_setup_sends();
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), 0);

  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(platform::kWouldBlock);
  fake.expect_wait(WaitResult::Timeout);
  fake.expect_connect();
  expect_greeting_and_menu();
  expect_setup_sends();
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), 0);
}

TEST_F(AssignmentTest, SetupPortRefusedAtOnceGivesTheConnectCodeAndSendsNothing) {
  open_ready();
  expect_touch();
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(platform::kFailed);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_CONNECT);
  EXPECT_EQ(fake.sent(), "");
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(AssignmentTest, SilentDeviceTimesOutOnTheFirstReadAndLeavesReady) {
  open_ready();
  expect_touch();
  fake.expect_connect();
  fake.expect_wait(WaitResult::Timeout);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_TIMEOUT_ONREAD);
  EXPECT_EQ(fake.sent(), "");
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(fake.count("shutdown"), 1) << "only the touch was shut down; the timed-out read closed";
}

TEST_F(AssignmentTest, DeviceThatDoesNotAnswerTheMTimesOutOnTheSecondRead) {
  open_ready();
  expect_touch();
  fake.expect_connect();
  fake.expect_wait(WaitResult::Signalled);
  fake.expect_events(platform::kEventRead);
  fake.expect_recv("hello");
  fake.expect(Call::Send);
  fake.expect_wait(WaitResult::Timeout);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_TIMEOUT_ONREAD);
  EXPECT_EQ(fake.sent(), "M");
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(AssignmentTest, FailedS0SendsNoRecord) {
  open_ready();
  expect_touch();
  fake.expect_connect();
  expect_greeting_and_menu();
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_SENDERR);
  EXPECT_EQ(fake.sent(), "M");
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(AssignmentTest, FailedCrAfterS0ReturnsItsCode) {
  open_ready();
  expect_touch();
  fake.expect_connect();
  expect_greeting_and_menu();
  fake.expect(Call::Send);
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_SENDERR);
  EXPECT_EQ(fake.sent(), "MS0");
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(AssignmentTest, FailedThirdRecordLeavesTheFirstTwoSent) {
  open_ready();
  expect_touch();
  fake.expect_connect();
  expect_greeting_and_menu();
  expect_setup_sends(4);  // S0, CR, records 0 and 1
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_SENDERR);
  EXPECT_EQ(fake.sent(), "MS0\r" + kRecords.substr(0, 152));
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(AssignmentTest, FailedCrAfterRsReturnsItsCode) {
  open_ready();
  expect_touch();
  fake.expect_connect();
  expect_greeting_and_menu();
  expect_setup_sends(8);
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_SENDERR);
  EXPECT_EQ(fake.sent(), "MS0\r" + kRecords + "RS");
}

TEST_F(AssignmentTest, WhileTcpConnectedTheDialogueFailsByStateAndTheConnectionIsReleased) {
  open_ready();
  fake.expect_connect();
  ASSERT_EQ(tcp_connect("192.168.16.50", 14001), 0);
  EXPECT_EQ(En_Set_IPAddress(kMac, kWanted, 8), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(fake.count("connect 192.168.16.100"), 0) << "neither connect reached the system";
  EXPECT_EQ(connection().state, kReady)
      << "the connection still open after the dialogue is released";
  EXPECT_EQ(fake.count("shutdown"), 1);
}

}  // namespace
}  // namespace vornen
