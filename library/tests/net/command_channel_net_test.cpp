#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "VornEN.h"
#include "net_fixture.h"
#include "script_peer.h"

namespace vornen {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;
using Session = ScriptPeer::Session;

constexpr const char* kDevice = "192.168.16.100";
constexpr std::uint16_t kCommandPort = 14001;
constexpr char kFill = '\xEE';

long since_ms(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<Ms>(Clock::now() - start).count());
}

// Bytes without a CR, so that only the last byte of a reply ends it.
std::string letters(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('A' + (i * 31 + i / 26) % 26);
  return s;
}

// The library opened in the PC namespace of a bed with one device; a peer
// thread in the device's namespace plays the command port.
class CommandChannelNetTest : public OneDeviceNetTest {
 protected:
  void SetUp() override {
    OneDeviceNetTest::SetUp();
    reply_.assign(100, kFill);
  }

  std::unique_ptr<ScriptPeer> command_port(ScriptPeer::Script script, int connections = 1) {
    return std::make_unique<ScriptPeer>(bed(), device_ns(), kCommandPort, std::move(script),
                                        connections);
  }

  // Sends the six bytes "ABCDEF" and collects the reply up to CR.
  int ask(std::int32_t* size, const char* data = "ABCDEF", std::int32_t length = 6) {
    return En_SendRecvStr(kDevice, data, length, reply_.data(), size, '\r');
  }

  std::string reply(std::int32_t size) const {
    return std::string(reply_.data(), static_cast<std::size_t>(size));
  }
  bool untouched_from(std::size_t n) const {
    for (std::size_t i = n; i < reply_.size(); ++i)
      if (reply_[i] != kFill) return false;
    return true;
  }

  // Connections the peer took before a sentinel connection made now: the
  // peer takes them in order, so once the sentinel is in, any earlier one is.
  static int connections_before_a_sentinel(const ScriptPeer& peer) {
    if (En_SendStr(kDevice, "sentinel", 8) != 0) return -1;
    const auto deadline = Clock::now() + Ms(3000);
    while (peer.accepted() < 1 && Clock::now() < deadline) std::this_thread::sleep_for(Ms(5));
    return peer.accepted() - 1;
  }

  std::vector<char> reply_;
};

// --- replies ----------------------------------------------------------------------

TEST_F(CommandChannelNetTest, SixBytesOutSevenCharactersAndCrBack) {
  auto peer = command_port([](Session& s) {
    if (s.read(6) == "ABCDEF") s.send("1234567\r");
    s.read_to_end();
  });
  std::int32_t size = 100;
  EXPECT_EQ(ask(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(reply(8), "1234567\r");
  EXPECT_TRUE(untouched_from(8));
  ASSERT_TRUE(peer->finish());
  EXPECT_EQ(peer->received(), "ABCDEF");
  EXPECT_EQ(peer->accepted(), 1);
}

TEST_F(CommandChannelNetTest, SameReplyInTwoPieces) {
  auto peer = command_port([](Session& s) {
    s.read(6);
    s.send("123");
    s.pause(Ms(60));
    s.send("4567\r");
    s.read_to_end();
  });
  std::int32_t size = 100;
  EXPECT_EQ(ask(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(reply(8), "1234567\r");
}

TEST_F(CommandChannelNetTest, BytesAfterTheCrAreDropped) {
  auto peer = command_port([](Session& s) {
    s.read(6);
    s.send("1234567\rWXYZ");
    s.read_to_end();
  });
  std::int32_t size = 100;
  EXPECT_EQ(ask(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_TRUE(untouched_from(8));
}

TEST_F(CommandChannelNetTest, CapacityFiveKeepsTheFirstFive) {
  auto peer = command_port([](Session& s) {
    s.read(6);
    s.send("1234567\r");
    s.read_to_end();
  });
  std::int32_t size = 5;
  EXPECT_EQ(ask(&size), 0);
  EXPECT_EQ(size, 5);
  EXPECT_EQ(reply(5), "12345");
  EXPECT_TRUE(untouched_from(5));
}

TEST_F(CommandChannelNetTest, EightBytesWithoutTerminatorThenSilenceTimesOut) {
  auto peer = command_port([](Session& s) {
    s.read(6);
    s.send("12345678");
    s.read_to_end();
  });
  std::int32_t size = 8;
  const auto start = Clock::now();
  EXPECT_EQ(ask(&size), ERR_TIMEOUT_ONREAD);
  EXPECT_GE(since_ms(start), kShortWaitMs);
  EXPECT_EQ(size, 8) << "the size slot keeps its entry value";
  EXPECT_EQ(reply(8), "12345678") << "the bytes stored stay in the buffer";
  EXPECT_TRUE(untouched_from(8));
}

TEST_F(CommandChannelNetTest, DeviceThatClosesMidReplyLeavesTheBytesAndTheSizeSlot) {
  // Linux reports an orderly close with nothing left to read as a close
  // without a read, so the reply ends in the receive's unexpected event.
  auto peer = command_port([](Session& s) {
    s.read(6);
    s.send("123");
  });
  std::int32_t size = 100;
  EXPECT_EQ(ask(&size), ERR_UNEXPECTEDEVENT_ONREAD);
  EXPECT_EQ(size, 100);
  EXPECT_EQ(reply(3), "123");
}

TEST_F(CommandChannelNetTest, DeviceThatNeverAnswersTimesOut) {
  auto peer = command_port([](Session& s) { s.read_to_end(); });
  std::int32_t size = 100;
  EXPECT_EQ(ask(&size), ERR_TIMEOUT_ONREAD);
  EXPECT_EQ(size, 100);
  EXPECT_TRUE(untouched_from(0));
  ASSERT_TRUE(peer->finish());
  EXPECT_EQ(peer->received(), "ABCDEF");
}

TEST_F(CommandChannelNetTest, FiftyMegabyteReplyIsCollectedIntact) {
  const std::string body = letters(50u << 20) + "\r";
  auto peer = command_port([&](Session& s) {
    s.read(6);
    s.send(body);
    s.read_to_end();
  });
  std::vector<char> buffer(body.size());
  auto size = static_cast<std::int32_t>(buffer.size());
  EXPECT_EQ(En_SendRecvStr(kDevice, "ABCDEF", 6, buffer.data(), &size, '\r'), 0);
  ASSERT_EQ(size, static_cast<std::int32_t>(body.size()));
  EXPECT_TRUE(std::string(buffer.begin(), buffer.end()) == body) << "reply differs";
}

// --- what goes out ---------------------------------------------------------------

TEST_F(CommandChannelNetTest, LengthZeroSendsNothingAndReadsTheReply) {
  auto peer = command_port([](Session& s) {
    s.send("READY\r");
    s.read_to_end();
  });
  std::int32_t size = 100;
  EXPECT_EQ(ask(&size, "ABCDEF", 0), 0);
  EXPECT_EQ(size, 6);
  EXPECT_EQ(reply(6), "READY\r");
  ASSERT_TRUE(peer->finish());
  EXPECT_EQ(peer->received(), "");
}

TEST_F(CommandChannelNetTest, NoSizeSlotSendsPausesAndReleasesWithoutReading) {
  bool closed = false;
  auto peer = command_port([&](Session& s) {
    s.read(6);
    s.send("unread\r");
    closed = s.read_to_end();
  });
  const auto start = Clock::now();
  EXPECT_EQ(En_SendRecvStr(kDevice, "ABCDEF", 6, reply_.data(), nullptr, '\r'), 0);
  EXPECT_GE(since_ms(start), 20 + 10) << "the connect's pause and the pause after sending";
  EXPECT_TRUE(untouched_from(0));
  ASSERT_TRUE(peer->finish());
  EXPECT_EQ(peer->received(), "ABCDEF");
  EXPECT_TRUE(closed);
}

TEST_F(CommandChannelNetTest, MillionByteSendStrArrivesWhole) {
  const std::string data = letters(1'000'000);
  bool closed = false;
  auto peer = command_port([&](Session& s) {
    s.read(data.size(), Ms(10000));
    closed = s.read_to_end();
  });
  EXPECT_EQ(En_SendStr(kDevice, data.data(), static_cast<std::int32_t>(data.size())), 0);
  ASSERT_TRUE(peer->finish());
  EXPECT_TRUE(peer->received() == data) << "received " << peer->received().size() << " bytes";
  EXPECT_TRUE(closed);
}

// --- calls that make no connection ---------------------------------------------------

TEST_F(CommandChannelNetTest, RejectedArgumentsMakeNoConnection) {
  // Room for a stray connection besides the sentinel's, so that one is seen.
  auto peer = command_port([](Session& s) { s.read_to_end(); }, 2);
  for (const char* host : {static_cast<const char*>(nullptr), "", "192.168.16.100 ",
                           "192.168.16.10a", "192.168.16.1000.1"}) {
    std::int32_t size = 100;
    EXPECT_EQ(En_SendStr(host, "ABCDEF", 6), ERR_ILLEGAL_INPUT_PARAMETER);
    EXPECT_EQ(En_SendRecvStr(host, "ABCDEF", 6, reply_.data(), &size, '\r'),
              ERR_ILLEGAL_INPUT_PARAMETER);
    EXPECT_EQ(size, 100);
  }
  EXPECT_EQ(En_SendStr(kDevice, nullptr, 6), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(En_SendStr(kDevice, "ABCDEF", 0), ERR_ILLEGAL_INPUT_PARAMETER);
  std::int32_t size = 0;
  EXPECT_EQ(ask(&size, "ABCDEF", 0), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(connections_before_a_sentinel(*peer), 0);
}

TEST_F(CommandChannelNetTest, BeforeOpenBothFailTheConnect) {
  auto peer = command_port([](Session& s) { s.read_to_end(); }, 2);
  ASSERT_EQ(En_Close(), 0);
  std::int32_t size = 100;
  EXPECT_EQ(En_SendStr(kDevice, "ABCDEF", 6), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(ask(&size), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(size, 100);
  EXPECT_EQ(connection().state, kClosed);
  ASSERT_EQ(En_Open(), 0);
  EXPECT_EQ(connections_before_a_sentinel(*peer), 0);
}

}  // namespace
}  // namespace vornen
