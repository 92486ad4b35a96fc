#include "setup_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VornEN.h"
#include "fake_fixture.h"
#include "tcp.h"

namespace vornen {
namespace {

using fake::Call;

// 192.168.16.100 with netmask 255.255.255.0, the dialogue's usual case.
const std::vector<std::string> kWorkedExample = {
    ":20000010C0A810640000080000000000000000004C010000B136000000000000C0000000FF\\",
    ":20002010" + std::string(64, '0') + "FF\\",
    ":20004010" + std::string(64, '0') + "FF\\",
    ":18006010" + std::string(48, '0') + "FF\\",
    ":00000001FF\\",
};

std::string record_text(int index, const std::uint8_t octets[4], std::uint8_t host_bits) {
  std::uint8_t record[kRecordMaxBytes];
  const int length = build_setup_record(index, octets, host_bits, record);
  char text[kRecordTextMax];
  const int n = build_record_text(record, length, text);
  return std::string(text, static_cast<std::size_t>(n));
}

std::vector<std::uint8_t> record_bytes(int index, const std::uint8_t octets[4],
                                       std::uint8_t host_bits) {
  std::uint8_t record[kRecordMaxBytes];
  const int length = build_setup_record(index, octets, host_bits, record);
  return {record, record + length};
}

std::string joined(const std::vector<std::string>& parts, std::size_t count) {
  std::string all;
  for (std::size_t i = 0; i < count; ++i) all += parts[i];
  return all;
}

// Sends and pauses from the fake's log, in order, as "send N" and "sleep N".
std::vector<std::string> sends_and_pauses(const fake::Fake& f) {
  std::vector<std::string> out;
  for (const auto& line : f.log()) {
    if (line.rfind("send ", 0) == 0) out.push_back(line.substr(0, line.find(" ->")));
    if (line.rfind("sleep ", 0) == 0) out.push_back(line);
  }
  return out;
}

TEST(SetupRecordTexts, WorkedExampleGivesTheFiveTextsExactly) {
  const std::uint8_t octets[4] = {192, 168, 16, 100};
  const std::size_t lengths[] = {76, 76, 76, 60, 12};
  for (int i = 0; i < kRecordCount; ++i) {
    const std::string text = record_text(i, octets, 8);
    EXPECT_EQ(text, kWorkedExample[static_cast<std::size_t>(i)]) << "record " << i;
    EXPECT_EQ(text.size(), lengths[i]) << "record " << i;
  }
}

TEST(SetupRecordTexts, HostBitCountGoesIntoByteTenAndNowhereElse) {
  const std::uint8_t octets[4] = {192, 168, 16, 100};
  for (const int bits : {0, 8, 16, 24, 32}) {
    const auto bytes = record_bytes(0, octets, static_cast<std::uint8_t>(bits));
    ASSERT_EQ(bytes.size(), 37u);
    EXPECT_EQ(bytes[10], bits) << bits;
    auto with_eight = record_bytes(0, octets, 8);
    with_eight[10] = static_cast<std::uint8_t>(bits);
    EXPECT_EQ(bytes, with_eight) << "only byte 10 depends on the count";
  }
}

TEST(SetupRecordTexts, AddressOctetsGoIntoBytesFourToSevenInTextOrder) {
  const std::uint8_t octets[4] = {10, 0, 0, 1};
  const auto bytes = record_bytes(0, octets, 8);
  EXPECT_EQ(bytes[4], 0x0A);
  EXPECT_EQ(bytes[5], 0x00);
  EXPECT_EQ(bytes[6], 0x00);
  EXPECT_EQ(bytes[7], 0x01);
  EXPECT_EQ(record_text(0, octets, 8).substr(9, 8), "0A000001");
  EXPECT_EQ(record_text(0, octets, 32).substr(21, 2), "20");
  // Records 1 to 4 carry no settings: the same for every address.
  const std::uint8_t other[4] = {192, 168, 16, 100};
  for (int i = 1; i < kRecordCount; ++i)
    EXPECT_EQ(record_text(i, octets, 0), record_text(i, other, 32)) << "record " << i;
}

TEST(SetupRecordTexts, FinalByteIsAlwaysFfAndNoChecksum) {
  const std::uint8_t a[4] = {192, 168, 16, 100};
  const std::uint8_t b[4] = {10, 20, 30, 40};
  for (int i = 0; i < kRecordCount; ++i) {
    for (const auto& bytes : {record_bytes(i, a, 8), record_bytes(i, b, 24)}) {
      ASSERT_FALSE(bytes.empty()) << "record " << i;
      EXPECT_EQ(bytes.back(), 0xFF) << "record " << i;
    }
  }
}

class SetupSendTest : public FakeTest {
 protected:
  void connect() {
    open_ready();
    fake.expect_connect();
    ASSERT_EQ(tcp_connect("192.168.16.100", 9999), 0);
  }
  // Ends the test's connection if a send left it open.
  void release() {
    if (connection().state == kTcpConnected) tcp_release();
  }
  const std::uint8_t octets_[4] = {192, 168, 16, 100};
};

TEST_F(SetupSendTest, FiveRecordsGoAsFiveSendsEachFollowedByTenMs) {
  connect();
  for (int i = 0; i < kRecordCount; ++i) fake.expect(Call::Send);
  EXPECT_EQ(send_setup_records(octets_, 8), 0);
  EXPECT_EQ(fake.sent(), joined(kWorkedExample, 5));
  EXPECT_EQ(
      sends_and_pauses(fake),
      (std::vector<std::string>{"sleep 20", "send 76", "sleep 10", "send 76", "sleep 10", "send 76",
                                "sleep 10", "send 60", "sleep 10", "send 12", "sleep 10"}));
  EXPECT_EQ(connection().state, kTcpConnected) << "the records leave the connection open";
  release();
}

TEST_F(SetupSendTest, FailedThirdRecordLeavesTwoSentAndReturnsItsCode) {
  connect();
  fake.expect(Call::Send);
  fake.expect(Call::Send);
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(send_setup_records(octets_, 8), ERR_SENDERR);
  EXPECT_EQ(fake.sent(), joined(kWorkedExample, 2));
  EXPECT_EQ(fake.count("sleep 10"), 2) << "no pause after the failed send";
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(send_setup_records(octets_, 8), ERR_ILLEGALSTATE_ONWRITE)
      << "after the failure the connection is gone";
}

TEST_F(SetupSendTest, WithoutConnectionNothingIsSentAndNoPauseMade) {
  open_ready();
  EXPECT_EQ(send_setup_records(octets_, 8), ERR_ILLEGALSTATE_ONWRITE);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(SetupSendTest, CommandIsTextThenCrAsTwoSends) {
  connect();
  fake.expect(Call::Send);
  fake.expect(Call::Send);
  EXPECT_EQ(send_setup_command("RS", 2), 0);
  EXPECT_EQ(fake.sent(), "RS\r");
  EXPECT_EQ(fake.count("send 2 "), 1);
  EXPECT_EQ(fake.count("send 1 "), 1);
  release();
}

TEST_F(SetupSendTest, FailedCommandTextSendsNoCr) {
  connect();
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(send_setup_command("S0", 2), ERR_SENDERR);
  EXPECT_EQ(fake.sent(), "");
  EXPECT_EQ(fake.count("send "), 1);
}

TEST_F(SetupSendTest, FailedCrReturnsItsCode) {
  connect();
  fake.expect(Call::Send);
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(send_setup_command("S0", 2), ERR_SENDERR);
  EXPECT_EQ(fake.sent(), "S0");
  EXPECT_EQ(connection().state, kReady);
}

}  // namespace
}  // namespace vornen
