#include "trace.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <regex>
#include <string>

#include "VornEN.h"
#include "connection.h"
#include "platform/fake_platform.h"

namespace vornctl {
namespace {

using vornen::fake::Call;
namespace platform = vornen::platform;

// The command channel on the scripted fake, with the trace in front of it.
class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vornen::reset_connection_for_tests();
    vornen::Connection& c = vornen::connection();
    c.state = vornen::kReady;
    std::strcpy(c.broadcast, "192.168.16.255");
    file_ = std::tmpfile();
    ASSERT_NE(file_, nullptr);
  }

  void TearDown() override {
    for (const auto& p : fake_.problems()) ADD_FAILURE() << p;
    std::fclose(file_);
    vornen::reset_connection_for_tests();
  }

  std::string traced() {
    std::fflush(file_);
    std::string text;
    char block[4096];
    std::rewind(file_);
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, file_)) > 0;) text.append(block, n);
    return text;
  }

  vornen::fake::Fake fake_;
  std::FILE* file_ = nullptr;
};

TEST_F(TraceTest, EveryOperationIsWrittenAndForwardedUnchanged) {
  fake_.expect_connect();
  fake_.expect(Call::Send);
  fake_.expect_wait(platform::WaitResult::Signalled);
  fake_.expect_events(platform::kEventRead);
  fake_.expect_recv("OK:HELLO\rrest");
  char reply[64];
  std::int32_t size = sizeof reply;
  {
    Trace trace(::fileno(file_));
    EXPECT_EQ(En_SendRecvStr("192.168.16.100", "HELLO\r", 6, reply, &size, '\r'), 0);
  }
  EXPECT_EQ(std::string(reply, static_cast<std::size_t>(size)), "OK:HELLO\r");
  EXPECT_TRUE(fake_.script_done());
  EXPECT_EQ(fake_.sent(), "HELLO\r");

  const std::string t = traced();
  const char* steps[] = {
      "TCP socket 100\n",
      "event 1\n",
      "event 1 bound to socket 100 for read|connect|close\n",
      "connect socket 100 to 192.168.16.100:14001: under way\n",
      "pause 20 ms\n",
      "wait on event 1 (up to 5000 ms): signalled after ",
      "events on socket 100: connect\n",
      "send on socket 100: 6 bytes 48454C4C4F0D \"HELLO\\r\"\n",
      "pause 10 ms\n",
      "events on socket 100: read\n",
      "recv on socket 100: 13 bytes 4F4B3A48454C4C4F0D72657374 \"OK:HELLO\\rrest\"\n",
      "shutdown socket 100, both directions\n",
      "close socket 100\n",
      "close event 1\n",
  };
  std::size_t at = 0;
  for (const char* step : steps) {
    const std::size_t found = t.find(step, at);
    ASSERT_NE(found, std::string::npos) << step << "\n" << t;
    at = found;
  }
  const std::regex stamped(R"((( *\d+\.\d{3} ms [^\n]+)\n)+)");
  EXPECT_TRUE(std::regex_match(t, stamped)) << t;
}

TEST_F(TraceTest, TheTableInUseIsBackAfterwardsAndLabelsMarkAWorker) {
  const platform::Operations* before = &platform::ops();
  {
    Trace trace(::fileno(file_));
    EXPECT_NE(&platform::ops(), before);
    Trace::set_label("line 7");
    platform::ops().sleep_ms(0);
    Trace::set_label("");
  }
  EXPECT_EQ(&platform::ops(), before);
  EXPECT_NE(traced().find(" ms line 7: pause 0 ms\n"), std::string::npos) << traced();
}

TEST(TracedBytes, LongDataIsCutAfter256Bytes) {
  const std::string data(300, 'A');
  std::string hex;
  for (int i = 0; i < 256; ++i) hex += "41";
  EXPECT_EQ(traced_bytes(data.data(), static_cast<int>(data.size())),
            "300 bytes " + hex + "... \"" + std::string(256, 'A') + "\"...");
  EXPECT_EQ(traced_bytes("\x01\"\\", 3), "3 bytes 01225C \"\\x01\\\"\\\\\"");
}

}  // namespace
}  // namespace vornctl
