// The setup dialogue read as a stream: the worked example of 192.168.16.100 with 8 host bits,
// delivered whole, byte by byte and in the PC's own pieces, and records that must be refused.
#include "setup_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup_records.h"

namespace devsim {
namespace {

const std::string kRecord0 =
    ":20000010C0A810640000080000000000000000004C010000B136000000000000C0000000FF\\";
const std::string kRecord1 = ":20002010" + std::string(64, '0') + "FF\\";
const std::string kRecord2 = ":20004010" + std::string(64, '0') + "FF\\";
const std::string kRecord3 = ":18006010" + std::string(48, '0') + "FF\\";
const std::string kRecord4 = ":00000001FF\\";

// The PC's sends of a complete dialogue, in order.
std::vector<std::string> dialogue_pieces(const std::string& record0 = kRecord0) {
  return {"M", "S0", "\r", record0, kRecord1, kRecord2, kRecord3, kRecord4, "RS", "\r"};
}

std::vector<SetupEvent> feed_all(SetupSession& session, const std::vector<std::string>& pieces) {
  std::vector<SetupEvent> events;
  for (const std::string& piece : pieces) {
    for (SetupEvent& event : feed_setup(session, piece)) events.push_back(std::move(event));
  }
  return events;
}

std::string joined(const std::vector<std::string>& pieces) {
  std::string all;
  for (const std::string& piece : pieces) all += piece;
  return all;
}

const SetupEvent* find(const std::vector<SetupEvent>& events, SetupEvent::Kind kind) {
  for (const SetupEvent& event : events) {
    if (event.kind == kind) return &event;
  }
  return nullptr;
}

void expect_accepted(const std::vector<SetupEvent>& events, Ipv4 address, int host_bits) {
  const SetupEvent* accepted = find(events, SetupEvent::Kind::accepted);
  ASSERT_NE(accepted, nullptr);
  EXPECT_EQ(accepted->target.address, address);
  EXPECT_EQ(accepted->target.host_bits, host_bits);
  EXPECT_EQ(find(events, SetupEvent::Kind::record_error), nullptr);
}

std::string rejection(const std::vector<SetupEvent>& events) {
  EXPECT_EQ(find(events, SetupEvent::Kind::accepted), nullptr);
  const SetupEvent* rejected = find(events, SetupEvent::Kind::rejected);
  return rejected != nullptr ? rejected->text : "(not rejected)";
}

// Record 0 with one record byte replaced.
std::string record0_with(std::size_t byte, const char* hex) {
  std::string text = kRecord0;
  text.replace(1 + byte * 2, 2, hex);
  return text;
}

TEST(SetupRecords, WorkedExampleRecordsPass) {
  EXPECT_EQ(check_record(0, kRecord0), "");
  EXPECT_EQ(check_record(1, kRecord1), "");
  EXPECT_EQ(check_record(2, kRecord2), "");
  EXPECT_EQ(check_record(3, kRecord3), "");
  EXPECT_EQ(check_record(4, kRecord4), "");
  const SetupTarget target = record0_target(kRecord0);
  EXPECT_EQ(target.address, (Ipv4{192, 168, 16, 100}));
  EXPECT_EQ(target.host_bits, 8);
}

TEST(SetupRecords, EveryConstantOfRecordZeroIsChecked) {
  EXPECT_NE(check_record(0, record0_with(20, "4D")), "");  // 0x4C
  EXPECT_NE(check_record(0, record0_with(21, "00")), "");  // 0x01
  EXPECT_NE(check_record(0, record0_with(24, "36")), "");  // 0xB1, port low byte
  EXPECT_NE(check_record(0, record0_with(25, "B1")), "");  // 0x36
  EXPECT_NE(check_record(0, record0_with(32, "00")), "");  // 0xC0
  EXPECT_NE(check_record(0, record0_with(36, "00")), "");  // final 0xFF
  EXPECT_NE(check_record(0, record0_with(3, "01")), "");   // type
  EXPECT_NE(check_record(0, record0_with(9, "01")), "");   // a zero byte
  EXPECT_NE(check_record(0, record0_with(35, "01")), "");  // the last zero byte
}

TEST(SetupRecords, AddressAndHostBitsMayVaryWithinRange) {
  EXPECT_EQ(check_record(0, record0_with(4, "0A")), "");
  EXPECT_EQ(check_record(0, record0_with(10, "00")), "");
  EXPECT_EQ(check_record(0, record0_with(10, "20")), "");
  EXPECT_NE(check_record(0, record0_with(10, "21")), "");
  EXPECT_EQ(record0_target(record0_with(10, "20")).host_bits, 32);
}

TEST(SetupRecords, MalformedTextsAreRefusedWithAReason) {
  std::string lower = kRecord0;
  lower[69] = 'c';  // the C0 at byte 32
  EXPECT_NE(check_record(0, lower).find("upper-case"), std::string::npos);
  EXPECT_NE(check_record(0, kRecord0.substr(0, 75)).find("characters"), std::string::npos);
  EXPECT_NE(check_record(1, kRecord2), "");  // wrong address field
  EXPECT_NE(check_record(3, kRecord1), "");  // wrong length
  EXPECT_NE(check_record(4, ":00000001FE\\"), "");
  EXPECT_NE(check_record(4, ";00000001FF\\"), "");
  EXPECT_NE(check_record(4, ":00000001FF/"), "");
  EXPECT_NE(check_record(5, kRecord4), "");
}

TEST(SetupSessionStream, WholeDialogueInOnePieceIsAccepted) {
  SetupSession session;
  const auto events = feed_setup(session, joined(dialogue_pieces()));
  expect_accepted(events, {192, 168, 16, 100}, 8);
  EXPECT_EQ(events.front().kind, SetupEvent::Kind::menu);
  EXPECT_TRUE(session.finished);
}

TEST(SetupSessionStream, ByteByByteGivesTheSameResult) {
  SetupSession session;
  std::vector<std::string> bytes;
  for (const char c : joined(dialogue_pieces())) bytes.emplace_back(1, c);
  expect_accepted(feed_all(session, bytes), {192, 168, 16, 100}, 8);
}

TEST(SetupSessionStream, ThePcsOwnPiecesAreAccepted) {
  SetupSession session;
  const auto events = feed_all(session, dialogue_pieces());
  expect_accepted(events, {192, 168, 16, 100}, 8);
  int records = 0;
  for (const SetupEvent& event : events) records += event.kind == SetupEvent::Kind::record_ok;
  EXPECT_EQ(records, 5);
}

TEST(SetupSessionStream, BytesBeforeTheMAreIgnored) {
  SetupSession session;
  auto pieces = dialogue_pieces();
  pieces.insert(pieces.begin(), "\r\nhello S0\r");
  expect_accepted(feed_all(session, pieces), {192, 168, 16, 100}, 8);
}

TEST(SetupSessionStream, OtherAddressAndMaskAreCarried) {
  SetupSession session;
  std::string record0 = record0_with(4, "0A");
  record0.replace(1 + 5 * 2, 6, "000001");
  record0.replace(1 + 10 * 2, 2, "18");
  expect_accepted(feed_all(session, dialogue_pieces(record0)), {10, 0, 0, 1}, 24);
}

TEST(SetupSessionRefusal, ABadRecordKeepsTheOldAddress) {
  SetupSession session;
  const auto events = feed_all(session, dialogue_pieces(record0_with(20, "4D")));
  EXPECT_NE(rejection(events).find("byte 20"), std::string::npos);
  EXPECT_NE(find(events, SetupEvent::Kind::record_error), nullptr);
}

TEST(SetupSessionRefusal, AMissingRecordIsRefused) {
  SetupSession session;
  auto pieces = dialogue_pieces();
  pieces.erase(pieces.begin() + 7);  // record 4
  EXPECT_NE(rejection(feed_all(session, pieces)).find("4 records"), std::string::npos);
}

TEST(SetupSessionRefusal, AnExtraRecordIsRefused) {
  SetupSession session;
  auto pieces = dialogue_pieces();
  pieces.insert(pieces.begin() + 8, kRecord4);
  EXPECT_NE(rejection(feed_all(session, pieces)), "(not rejected)");
}

TEST(SetupSessionRefusal, RecordsWithoutS0AreRefused) {
  SetupSession session;
  auto pieces = dialogue_pieces();
  pieces.erase(pieces.begin() + 1, pieces.begin() + 3);
  EXPECT_EQ(rejection(feed_all(session, pieces)), "RS before S0");
}

TEST(SetupSessionRefusal, ARecordWithoutBackslashDoesNotSwallowTheRest) {
  SetupSession session;
  auto pieces = dialogue_pieces();
  pieces[3].pop_back();  // record 0 loses its backslash, so record 1's colon runs into it
  const auto events = feed_all(session, pieces);
  EXPECT_NE(rejection(events), "(not rejected)");
  EXPECT_TRUE(session.finished);
}

TEST(SetupSessionRefusal, NothingHappensWithoutTheM) {
  SetupSession session;
  auto pieces = dialogue_pieces();
  pieces.erase(pieces.begin());
  EXPECT_TRUE(feed_all(session, pieces).empty());
}

}  // namespace
}  // namespace devsim
