#include "command_channel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "VornEN.h"
#include "fake_fixture.h"

namespace vornen {
namespace {

using fake::Call;
using platform::WaitResult;
using Log = std::vector<std::string>;

constexpr const char* kHost = "192.168.16.100";
constexpr char kFill = '\xEE';

class CommandChannelTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    open_ready();
    buffer_.assign(64, kFill);
  }

  void expect_connect_and_send() {
    fake.expect_connect();
    fake.expect(Call::Send);
  }

  void expect_piece(std::string bytes) {
    fake.expect_wait(WaitResult::Signalled);
    fake.expect_events(platform::kEventRead);
    fake.expect_recv(std::move(bytes));
  }

  int send_recv(std::int32_t* size, std::int32_t terminator = '\r', const char* data = "ABCDEF",
                std::int32_t length = 6) {
    return send_recv_str(kHost, data, length, buffer_.data(), size, terminator);
  }

  std::string stored(std::int32_t n) const {
    return std::string(buffer_.data(), static_cast<std::size_t>(n));
  }
  // The first byte after `n` still holds the fill: nothing was written there.
  bool untouched_from(std::size_t n) const {
    for (std::size_t i = n; i < buffer_.size(); ++i)
      if (buffer_[i] != kFill) return false;
    return true;
  }
  bool released() const {
    return connection().state == kReady && !connection().socket_open && !connection().event_open;
  }

  std::vector<char> buffer_;
};

// --- the reply ----------------------------------------------------------------

TEST_F(CommandChannelTest, ReplyUpToTheTerminatorAfterSendAndPause) {
  set_wait_timeout_ms(5000);
  expect_connect_and_send();
  expect_piece("1234567\r");
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(stored(8), "1234567\r");
  EXPECT_TRUE(untouched_from(8)) << "no terminating zero is written";
  EXPECT_EQ(fake.sent(), "ABCDEF");
  EXPECT_EQ(fake.log(),
            (Log{"socket stream", "event_select mask 49", "connect 192.168.16.100:14001",
                 "sleep 20", "wait 5000", "send 6 -> 6", "sleep 10", "wait 5000",
                 "recv 2000000 -> 8", "shutdown 100", "close_socket 100", "close_event 1000"}));
  EXPECT_TRUE(released());
}

TEST_F(CommandChannelTest, ReplyInPiecesContinuesAtTheNextPosition) {
  expect_connect_and_send();
  expect_piece("123");
  expect_piece("4567\r");
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(stored(8), "1234567\r");
  EXPECT_EQ(fake.count("recv 2000000"), 2) << "every read asks for the whole reply buffer";
}

TEST_F(CommandChannelTest, BytesAfterTheTerminatorAreDropped) {
  expect_connect_and_send();
  expect_piece("1234567\rWXYZ");
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_TRUE(untouched_from(8));
}

TEST_F(CommandChannelTest, CapacityEndsTheReplyAndNothingIsWrittenBeyondIt) {
  expect_connect_and_send();
  expect_piece("1234567\r");
  std::int32_t size = 5;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 5);
  EXPECT_EQ(stored(5), "12345");
  EXPECT_TRUE(untouched_from(5));
}

TEST_F(CommandChannelTest, TerminatorAsTheLastByteThatFits) {
  expect_connect_and_send();
  expect_piece("1234567\r");
  std::int32_t size = 8;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(stored(8), "1234567\r");
}

TEST_F(CommandChannelTest, FullBufferEndsAtTheNextByteWhichIsDropped) {
  expect_connect_and_send();
  expect_piece("12345678");
  expect_piece("9\r");
  std::int32_t size = 8;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(stored(8), "12345678");
  EXPECT_TRUE(untouched_from(8));
}

TEST_F(CommandChannelTest, FullBufferThenSilenceFailsWithTheSizeSlotKept) {
  expect_connect_and_send();
  expect_piece("12345678");
  fake.expect_wait(WaitResult::Timeout);
  std::int32_t size = 8;
  EXPECT_EQ(send_recv(&size), ERR_TIMEOUT_ONREAD);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(stored(8), "12345678") << "the bytes stored so far stay";
  EXPECT_TRUE(released());
}

TEST_F(CommandChannelTest, OnlyTheLowEightBitsOfTheTerminatorCount) {
  for (std::int32_t terminator : {0x10D, 0x7FFFFF0D, -243}) {
    SCOPED_TRACE(terminator);
    expect_connect_and_send();
    expect_piece("12\r34");
    std::int32_t size = 100;
    EXPECT_EQ(send_recv(&size, terminator), 0);
    EXPECT_EQ(size, 3);
  }
  // 0x100 stands for a zero byte, -1 for 0xFF.
  expect_connect_and_send();
  expect_piece(
      std::string("12\0"
                  "34",
                  5));
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size, 0x100), 0);
  EXPECT_EQ(size, 3);
  expect_connect_and_send();
  expect_piece(
      "12\xFF"
      "34");
  size = 100;
  EXPECT_EQ(send_recv(&size, -1), 0);
  EXPECT_EQ(size, 3);
}

TEST_F(CommandChannelTest, ReadOfNoBytesEndsTheReplyWithTheCountSoFar) {
  expect_connect_and_send();
  expect_piece("123");
  expect_piece("");
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(stored(3), "123");

  expect_connect_and_send();
  expect_piece("");
  size = 100;
  EXPECT_EQ(send_recv(&size), 0);
  EXPECT_EQ(size, 0);
}

TEST_F(CommandChannelTest, NoCapacityWithDataToSendStopsAtTheFirstByte) {
  for (std::int32_t capacity : {0, -1, -100000}) {
    SCOPED_TRACE(capacity);
    expect_connect_and_send();
    expect_piece("1234567\r");
    std::int32_t size = capacity;
    EXPECT_EQ(send_recv(&size), 0);
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(untouched_from(0));
  }
}

TEST_F(CommandChannelTest, ReceiveFailureKeepsTheSizeSlotAndReleases) {
  struct Case {
    const char* what;
    int code;
    void (*script)(fake::Fake&);
  };
  const Case cases[] = {
      {"silence", ERR_TIMEOUT_ONREAD, [](fake::Fake& f) { f.expect_wait(WaitResult::Timeout); }},
      {"enumeration fails", ERR_NETWORKEVENT_ONREAD,
       [](fake::Fake& f) {
         f.expect_wait(WaitResult::Signalled);
         f.expect(Call::EnumEvents).returns(-1);
       }},
      {"closed with nothing pending", ERR_UNEXPECTEDEVENT_ONREAD,
       [](fake::Fake& f) {
         f.expect_wait(WaitResult::Signalled);
         f.expect_events(platform::kEventClose);
       }},
      {"receive fails", ERR_RECVFAIL,
       [](fake::Fake& f) {
         f.expect_wait(WaitResult::Signalled);
         f.expect_events(platform::kEventRead);
         f.expect(Call::Recv).returns(platform::kFailed);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expect_connect_and_send();
    expect_piece("123");
    c.script(fake);
    std::int32_t size = 100;
    EXPECT_EQ(send_recv(&size), c.code);
    EXPECT_EQ(size, 100);
    EXPECT_EQ(stored(3), "123");
    EXPECT_TRUE(released());
  }
  EXPECT_EQ(fake.count("shutdown"), 0) << "the failed receive already closed the socket";
}

// --- what is sent, and when nothing is read --------------------------------------

TEST_F(CommandChannelTest, LengthZeroSendsNothingAndReadsTheReply) {
  fake.expect_connect();
  expect_piece("READY\r");
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size, '\r', "ignored", 0), 0);
  EXPECT_EQ(size, 6);
  EXPECT_EQ(fake.count("send"), 0);
  EXPECT_EQ(fake.count("sleep 10"), 1);

  fake.expect_connect();
  expect_piece("READY\r");
  size = 100;
  EXPECT_EQ(send_recv(&size, '\r', nullptr, -5), 0) << "below 1 is nothing to send";
  EXPECT_EQ(size, 6);
}

TEST_F(CommandChannelTest, NoSizeSlotSendsPausesReleasesAndReadsNothing) {
  expect_connect_and_send();
  EXPECT_EQ(send_recv_str(kHost, "ABCDEF", 6, nullptr, nullptr, '\r'), 0);
  const Log& log = fake.log();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(Log(log.end() - 5, log.end()), (Log{"send 6 -> 6", "sleep 10", "shutdown 100",
                                                "close_socket 100", "close_event 1000"}));
  EXPECT_TRUE(released());
}

TEST_F(CommandChannelTest, NothingToSendAndNoReplyAskedForIsRejectedWithoutAConnection) {
  std::int32_t size = 0;
  EXPECT_EQ(send_recv(&size, '\r', "ABCDEF", 0), ERR_ILLEGAL_INPUT_PARAMETER);
  size = -1;
  EXPECT_EQ(send_recv(&size, '\r', "ABCDEF", 0), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(send_recv_str(kHost, "ABCDEF", 0, buffer_.data(), nullptr, '\r'),
            ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(size, -1);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(CommandChannelTest, SizeSlotWithoutABufferIsRejectedWithoutAConnection) {
  std::int32_t size = 100;
  EXPECT_EQ(send_recv_str(kHost, "ABCDEF", 6, nullptr, &size, '\r'), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(size, 100);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(CommandChannelTest, NullDataWithALengthFailsInTheSend) {
  fake.expect_connect();
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size, '\r', nullptr, 6), ERR_SENDERR);
  EXPECT_EQ(size, 100);
  EXPECT_TRUE(released());
}

TEST_F(CommandChannelTest, RejectedHostTextMakesNoConnection) {
  std::int32_t size = 100;
  for (const char* host :
       {static_cast<const char*>(nullptr), "", "192.168.16.100 ", "192.168.16.1000.1", "device"}) {
    EXPECT_EQ(send_recv_str(host, "ABCDEF", 6, buffer_.data(), &size, '\r'),
              ERR_ILLEGAL_INPUT_PARAMETER);
    EXPECT_EQ(send_str(host, "ABCDEF", 6), ERR_ILLEGAL_INPUT_PARAMETER);
  }
  EXPECT_EQ(size, 100);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(CommandChannelTest, ConnectOrSendFailureIsReturnedAndTheReleaseDropped) {
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(platform::kWouldBlock);
  fake.expect_wait(WaitResult::Timeout);
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size), ERR_TIMEOUT_ONCONNECTION);
  EXPECT_EQ(size, 100);
  EXPECT_TRUE(released());

  fake.expect_connect();
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(send_recv(&size), ERR_SENDERR);
  EXPECT_EQ(size, 100);
  EXPECT_EQ(fake.count("sleep 10"), 0);
  EXPECT_TRUE(released());
}

TEST_F(CommandChannelTest, BeforeOpenBothExportsFailTheConnect) {
  connection().state = kClosed;
  std::int32_t size = 100;
  EXPECT_EQ(send_recv(&size), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(send_str(kHost, "ABCDEF", 6), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(size, 100);
  EXPECT_EQ(connection().state, kClosed);
  EXPECT_TRUE(fake.log().empty());
}

// --- send only --------------------------------------------------------------------

TEST_F(CommandChannelTest, SendStrSendsReleasesAndDoesNotPause) {
  expect_connect_and_send();
  EXPECT_EQ(send_str(kHost, "ABCDEF", 6), 0);
  EXPECT_EQ(fake.sent(), "ABCDEF");
  EXPECT_EQ(fake.count("connect 192.168.16.100:14001"), 1);
  EXPECT_EQ(fake.count("sleep 10"), 0);
  EXPECT_EQ(fake.count("shutdown"), 1);
  EXPECT_TRUE(released());
}

TEST_F(CommandChannelTest, SendStrRejectsNullDataAndLengthBelowOne) {
  EXPECT_EQ(send_str(kHost, nullptr, 6), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(send_str(kHost, "ABCDEF", 0), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(send_str(kHost, "ABCDEF", -1), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(CommandChannelTest, SendStrReturnsTheConnectOrSendCode) {
  fake.expect(Call::OpenSocket).failing();
  EXPECT_EQ(send_str(kHost, "ABCDEF", 6), ERR_SOCKET);
  fake.expect_connect();
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(send_str(kHost, "ABCDEF", 6), ERR_SENDERR);
  EXPECT_TRUE(released());
}

// --- the block copy against the byte-by-byte rule ---------------------------------

// The reply rule one byte at a time: stop before a byte that would pass the
// capacity, store the byte, stop after the terminator; a read of no bytes ends
// the reply; silence after the last piece fails the receive.
struct Outcome {
  int result;
  std::int32_t size;
  std::string buffer;
  std::size_t reads;
};

Outcome byte_by_byte(const std::vector<std::string>& pieces, std::int32_t capacity,
                     std::int32_t terminator, std::size_t area) {
  Outcome out{0, 0, std::string(area, kFill), 0};
  const auto stop = static_cast<char>(terminator & 0xFF);
  std::int32_t count = 0;
  for (const std::string& piece : pieces) {
    ++out.reads;
    if (piece.empty()) {
      out.size = count;
      return out;
    }
    for (char byte : piece) {
      if (count >= capacity) {
        out.size = count;
        return out;
      }
      out.buffer[static_cast<std::size_t>(count++)] = byte;
      if (byte == stop) {
        out.size = count;
        return out;
      }
    }
  }
  out.result = ERR_TIMEOUT_ONREAD;
  out.size = capacity;
  return out;
}

TEST_F(CommandChannelTest, BlockCopyGivesTheResultsOfTheByteRule) {
  std::mt19937 random(20240611);
  const char alphabet[] = {'a', 'b', '\r', '\0', '\xFF', '\n'};
  const std::int32_t terminators[] = {'\r', 0x10D, 0, 0x100, -1, '\n', 'a'};
  for (int scenario = 0; scenario < 3000; ++scenario) {
    std::vector<std::string> pieces(1 + random() % 4);
    for (auto& piece : pieces) {
      piece.resize(random() % 12);
      for (char& byte : piece) byte = alphabet[random() % sizeof alphabet];
    }
    const auto capacity = static_cast<std::int32_t>(random() % 40) - 4;
    const std::int32_t terminator = terminators[random() % std::size(terminators)];
    const Outcome expected = byte_by_byte(pieces, capacity, terminator, buffer_.size());

    expect_connect_and_send();
    for (std::size_t i = 0; i < expected.reads; ++i) expect_piece(pieces[i]);
    if (expected.result == ERR_TIMEOUT_ONREAD) fake.expect_wait(WaitResult::Timeout);
    buffer_.assign(buffer_.size(), kFill);
    std::int32_t size = capacity;
    const int result = send_recv(&size, terminator);

    ASSERT_TRUE(fake.script_done()) << "scenario " << scenario;
    ASSERT_EQ(result, expected.result) << "scenario " << scenario;
    ASSERT_EQ(size, expected.size) << "scenario " << scenario;
    ASSERT_EQ(std::string(buffer_.begin(), buffer_.end()), expected.buffer)
        << "scenario " << scenario;
  }
}

TEST_F(CommandChannelTest, LargePieceWithTheTerminatorOrTheCapacityNearBlockEdges) {
  constexpr std::size_t kPiece = 40'000;
  buffer_.assign(kPiece + 64, kFill);
  for (std::size_t at : {std::size_t{0}, std::size_t{16'383}, std::size_t{16'384},
                         std::size_t{16'385}, std::size_t{32'768}, kPiece - 1, kPiece}) {
    for (std::int32_t capacity : {16'384, 16'385, 32'768, 40'000, 50'000}) {
      SCOPED_TRACE("terminator at " + std::to_string(at) + ", capacity " +
                   std::to_string(capacity));
      std::string piece(kPiece, 'x');
      if (at < kPiece) piece[at] = '\r';
      const std::vector<std::string> pieces = {piece, "tail\r"};
      const Outcome expected = byte_by_byte(pieces, capacity, '\r', buffer_.size());
      expect_connect_and_send();
      for (std::size_t i = 0; i < expected.reads; ++i) expect_piece(pieces[i]);
      buffer_.assign(buffer_.size(), kFill);
      std::int32_t size = capacity;
      ASSERT_EQ(send_recv(&size), expected.result);
      ASSERT_EQ(size, expected.size);
      ASSERT_TRUE(std::string(buffer_.begin(), buffer_.end()) == expected.buffer);
    }
  }
}

}  // namespace
}  // namespace vornen
