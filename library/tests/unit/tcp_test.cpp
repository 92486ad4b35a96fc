#include "tcp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VornEN.h"
#include "fake_fixture.h"

namespace vornen {
namespace {

using fake::Call;
using platform::WaitResult;
using Log = std::vector<std::string>;

class TcpTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    open_ready();
  }

  // A connection made through the script, as every dialogue starts.
  void connect_through_script() {
    fake.expect_connect();
    ASSERT_EQ(tcp_connect("192.168.16.100", 14001), 0);
    ASSERT_EQ(connection().state, kTcpConnected);
  }

  // The part of the log written since `from`.
  Log log_since(std::size_t from) const {
    return Log(fake.log().begin() + static_cast<std::ptrdiff_t>(from), fake.log().end());
  }

  static bool handles_closed() { return !connection().socket_open && !connection().event_open; }
};

// --- connect -------------------------------------------------------------

TEST_F(TcpTest, ConnectBindsReadConnectCloseAndPausesBeforeTheWait) {
  set_wait_timeout_ms(5000);
  fake.expect_connect();
  EXPECT_EQ(tcp_connect("192.168.16.100", 14001), 0);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_TRUE(connection().socket_open);
  EXPECT_TRUE(connection().event_open);
  EXPECT_EQ(fake.log(), (Log{"socket stream", "event_select mask 49",
                             "connect 192.168.16.100:14001", "sleep 20", "wait 5000"}));
  EXPECT_EQ(fake.count("resolve"), 0) << "a dotted text needs no resolver";

  EXPECT_EQ(tcp_release(), 0);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_TRUE(handles_closed());
  EXPECT_EQ(fake.count("shutdown"), 1);
  EXPECT_EQ(tcp_release(), ERR_ILLEGALSTATE_ONRELSEASE);
}

TEST_F(TcpTest, ConnectCompletedAtOnceOrByARefusalOrAfterAFailedWaitCounts) {
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(0);
  fake.expect_wait(WaitResult::Signalled);
  fake.expect_events(platform::kEventConnect);
  EXPECT_EQ(tcp_connect("192.168.16.100", 9999), 0) << "connect done at once";
  EXPECT_EQ(tcp_release(), 0);

  // A refusal arrives as connect completion together with the close.
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(platform::kWouldBlock);
  fake.expect_wait(WaitResult::Signalled);
  fake.expect_events(platform::kEventConnect | platform::kEventClose);
  EXPECT_EQ(tcp_connect("192.168.16.100", 1), 0) << "refused";
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(tcp_release(), 0);

  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(platform::kWouldBlock);
  fake.expect_wait(WaitResult::Failed);
  fake.expect_events(platform::kEventConnect | platform::kEventRead);
  EXPECT_EQ(tcp_connect("192.168.16.100", 14001), 0) << "a failed wait goes on to the events";
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(TcpTest, EachConnectFailureClosesWhatItMadeAndStaysReady) {
  struct Case {
    const char* what;
    int code;
    int sockets_closed;
    int events_closed;
    void (*script)(fake::Fake&);
  };
  const Case cases[] = {
      {"no socket", ERR_SOCKET, 0, 0, [](fake::Fake& f) { f.expect(Call::OpenSocket).failing(); }},
      {"no event", ERR_WSACREATEEVENT, 1, 0,
       [](fake::Fake& f) {
         f.expect(Call::OpenSocket);
         f.expect(Call::CreateEvent).failing();
       }},
      {"binding fails", ERR_EVENTSELECT, 1, 1,
       [](fake::Fake& f) {
         f.expect(Call::OpenSocket);
         f.expect(Call::CreateEvent);
         f.expect(Call::EventSelect).returns(-1);
       }},
      {"connect fails at once", ERR_CONNECT, 1, 1,
       [](fake::Fake& f) {
         f.expect(Call::OpenSocket);
         f.expect(Call::CreateEvent);
         f.expect(Call::EventSelect);
         f.expect(Call::Connect).returns(platform::kFailed);
       }},
      {"no event within the wait", ERR_TIMEOUT_ONCONNECTION, 1, 1,
       [](fake::Fake& f) {
         f.expect(Call::OpenSocket);
         f.expect(Call::CreateEvent);
         f.expect(Call::EventSelect);
         f.expect(Call::Connect).returns(platform::kWouldBlock);
         f.expect_wait(WaitResult::Timeout);
       }},
      {"enumeration fails", ERR_NETWORKEVENT_ONCONNECTION, 1, 1,
       [](fake::Fake& f) {
         f.expect(Call::OpenSocket);
         f.expect(Call::CreateEvent);
         f.expect(Call::EventSelect);
         f.expect(Call::Connect).returns(platform::kWouldBlock);
         f.expect_wait(WaitResult::Signalled);
         f.expect(Call::EnumEvents).returns(-1);
       }},
      {"events without the connect bit", ERR_UNEXPECTEDEVENT_ONCONNECTION, 1, 1,
       [](fake::Fake& f) {
         f.expect(Call::OpenSocket);
         f.expect(Call::CreateEvent);
         f.expect(Call::EventSelect);
         f.expect(Call::Connect).returns(platform::kWouldBlock);
         f.expect_wait(WaitResult::Signalled);
         f.expect_events(platform::kEventRead | platform::kEventClose);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int sockets_before = fake.count("close_socket");
    const int events_before = fake.count("close_event");
    c.script(fake);
    EXPECT_EQ(tcp_connect("192.168.16.100", 14001), c.code);
    EXPECT_EQ(connection().state, kReady);
    EXPECT_TRUE(handles_closed());
    EXPECT_EQ(fake.count("close_socket") - sockets_before, c.sockets_closed);
    EXPECT_EQ(fake.count("close_event") - events_before, c.events_closed);
    EXPECT_EQ(fake.open_handles(), 0);
    EXPECT_EQ(tcp_release(), ERR_ILLEGALSTATE_ONRELSEASE) << "nothing left to release";
  }
}

TEST_F(TcpTest, ConnectTimeoutComesAfterThePauseAndTheWholeWait) {
  set_wait_timeout_ms(5000);
  fake.expect(Call::OpenSocket);
  fake.expect(Call::CreateEvent);
  fake.expect(Call::EventSelect);
  fake.expect(Call::Connect).returns(platform::kWouldBlock);
  fake.expect_wait(WaitResult::Timeout);
  EXPECT_EQ(tcp_connect("192.168.16.200", 14001), ERR_TIMEOUT_ONCONNECTION);
  EXPECT_EQ(fake.log(),
            (Log{"socket stream", "event_select mask 49", "connect 192.168.16.200:14001",
                 "sleep 20", "wait 5000", "close_socket 100", "close_event 1000"}));
}

TEST_F(TcpTest, HostTextIsConvertedFirstAndResolvedOnlyWhenNotDotted) {
  fake.add_host("DEVICE", "192.168.16.100");
  fake.expect_connect();
  EXPECT_EQ(tcp_connect("DEVICE", 9999), 0);
  EXPECT_EQ(fake.count("resolve DEVICE"), 1);
  EXPECT_EQ(fake.count("connect 192.168.16.100:9999"), 1);
  EXPECT_EQ(tcp_release(), 0);

  // Shortened dotted forms convert without the resolver.
  fake.expect_connect();
  EXPECT_EQ(tcp_connect("192.168.4196", 1), 0);
  EXPECT_EQ(fake.count("connect 192.168.16.100:1"), 1);
  EXPECT_EQ(tcp_release(), 0);
  EXPECT_EQ(fake.count("resolve"), 1);
}

TEST_F(TcpTest, UnresolvableHostMakesNoSocket) {
  EXPECT_EQ(tcp_connect("NO..SUCH.HOST", 14001), ERR_GETHOSTBYNAME);
  EXPECT_EQ(fake.log(), (Log{"resolve NO..SUCH.HOST"}));
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(TcpTest, ConnectWhenNotReadyTouchesNothing) {
  connect_through_script();
  const Connection before = connection();
  const std::size_t mark = fake.log().size();
  EXPECT_EQ(tcp_connect("192.168.16.100", 14001), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(connection().socket, before.socket);
  EXPECT_EQ(connection().event, before.event);
  EXPECT_TRUE(connection().socket_open && connection().event_open);
  EXPECT_TRUE(log_since(mark).empty());
  EXPECT_EQ(tcp_release(), 0);

  for (int state : {kClosed, kUdpPending}) {
    connection().state = state;
    EXPECT_EQ(tcp_connect("192.168.16.100", 14001), ERR_ILLEGALSTATE_ONCONNECTION);
    EXPECT_EQ(connection().state, state);
  }
  EXPECT_EQ(fake.count("socket"), 1) << "only the first connect made a socket";
}

// --- primitives in the wrong state ----------------------------------------

TEST_F(TcpTest, SendReceiveReleaseOutsideTcpConnectedReturnTheirStateErrorAndTouchNothing) {
  for (int state : {kClosed, kReady, kUdpPending}) {
    SCOPED_TRACE(state);
    Connection& c = connection();
    c.state = state;
    // Handles of a UDP exchange in progress; closing them would show as a
    // close of handles the fake never made.
    c.socket = 7;
    c.event = 8;
    c.socket_open = c.event_open = state == kUdpPending;
    unsigned char buffer[4] = {1, 2, 3, 4};
    std::int32_t size = 4;
    EXPECT_EQ(tcp_send("abc", 3), ERR_ILLEGALSTATE_ONWRITE);
    EXPECT_EQ(tcp_receive(buffer, &size), ERR_ILLEGALSTATE_ONREAD);
    EXPECT_EQ(tcp_release(), ERR_ILLEGALSTATE_ONRELSEASE);
    EXPECT_EQ(c.state, state);
    EXPECT_EQ(c.socket, 7);
    EXPECT_EQ(c.event, 8);
    EXPECT_EQ(c.socket_open, state == kUdpPending);
    EXPECT_EQ(c.event_open, state == kUdpPending);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(buffer[0], 1);
  }
  EXPECT_TRUE(fake.log().empty());
}

// --- send ------------------------------------------------------------------

TEST_F(TcpTest, SendHandsTheWholeLengthToOneCall) {
  connect_through_script();
  fake.expect(Call::Send);
  EXPECT_EQ(tcp_send("M", 1), 0);
  EXPECT_EQ(fake.sent(), "M");
  EXPECT_EQ(fake.count("send 1 -> 1"), 1);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(TcpTest, PartialSendGoesOnWithTheRestOnceTheSocketTakesMore) {
  set_wait_timeout_ms(250);
  connect_through_script();
  const std::size_t mark = fake.log().size();
  fake.expect(Call::Send).returns(4);
  fake.expect(Call::Send).returns(platform::kWouldBlock);
  fake.expect(Call::WaitWritable).returns(0);
  fake.expect(Call::Send).returns(3);
  fake.expect(Call::Send);
  EXPECT_EQ(tcp_send("0123456789", 10), 0);
  EXPECT_EQ(fake.sent(), "0123456789");
  EXPECT_EQ(log_since(mark), (Log{"send 10 -> 4", "send 6 -> -2", "wait_writable 250",
                                  "send 6 -> 3", "send 3 -> 3"}));
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(TcpTest, SocketThatTakesNoMoreWithinTheWaitFailsTheSend) {
  connect_through_script();
  fake.expect(Call::Send).returns(4);
  fake.expect(Call::Send).returns(platform::kWouldBlock);
  fake.expect(Call::WaitWritable).returns(-1);
  EXPECT_EQ(tcp_send("0123456789", 10), ERR_SENDERR);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_TRUE(handles_closed());
  EXPECT_EQ(fake.count("shutdown"), 0);
  EXPECT_EQ(tcp_release(), ERR_ILLEGALSTATE_ONRELSEASE);
}

TEST_F(TcpTest, FailedSendClosesBothAndReturnsToReady) {
  connect_through_script();
  fake.expect(Call::Send).returns(platform::kFailed);
  EXPECT_EQ(tcp_send("S0\r", 3), ERR_SENDERR);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_TRUE(handles_closed());
  EXPECT_EQ(tcp_release(), ERR_ILLEGALSTATE_ONRELSEASE);
}

TEST_F(TcpTest, NullDataFailsInTheSendWithoutReachingTheSocket) {
  connect_through_script();
  const std::size_t mark = fake.log().size();
  EXPECT_EQ(tcp_send(nullptr, 6), ERR_SENDERR);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(log_since(mark), (Log{"close_socket 100", "close_event 1000"}));
}

// --- receive ---------------------------------------------------------------

TEST_F(TcpTest, ReceiveStoresTheCountAndAsksForTheCapacity) {
  set_wait_timeout_ms(300);
  connect_through_script();
  const std::size_t mark = fake.log().size();
  fake.expect_wait(WaitResult::Signalled);
  fake.expect_events(platform::kEventRead);
  fake.expect_recv("7 bytes");
  char buffer[100] = {};
  std::int32_t size = 100;
  EXPECT_EQ(tcp_receive(buffer, &size), 0);
  EXPECT_EQ(size, 7);
  EXPECT_EQ(std::string(buffer, 7), "7 bytes");
  EXPECT_EQ(log_since(mark), (Log{"wait 300", "recv 100 -> 7"}));

  fake.expect_wait(WaitResult::Signalled);
  fake.expect_events(platform::kEventRead);
  fake.expect_recv(std::string(300, 'x'));
  size = 100;
  EXPECT_EQ(tcp_receive(buffer, &size), 0);
  EXPECT_EQ(size, 100) << "never more than the capacity";
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(TcpTest, ReadOfNoBytesIsAnOrderlyCloseAndASuccess) {
  connect_through_script();
  fake.expect_wait(WaitResult::Signalled);
  fake.expect_events(platform::kEventRead | platform::kEventClose);
  fake.expect_recv("");
  char buffer[8];
  std::int32_t size = 8;
  EXPECT_EQ(tcp_receive(buffer, &size), 0);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(TcpTest, FailedWaitStillReadsWhatIsRecorded) {
  connect_through_script();
  fake.expect_wait(WaitResult::Failed);
  fake.expect_events(platform::kEventRead);
  fake.expect_recv("ok");
  char buffer[8];
  std::int32_t size = 8;
  EXPECT_EQ(tcp_receive(buffer, &size), 0);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(tcp_release(), 0);
}

TEST_F(TcpTest, EachReceiveFailureClosesBothKeepsTheSizeAndTheReleaseClosesNothingAgain) {
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
      {"closed with nothing to read", ERR_UNEXPECTEDEVENT_ONREAD,
       [](fake::Fake& f) {
         f.expect_wait(WaitResult::Signalled);
         f.expect_events(platform::kEventClose);
       }},
      {"no events at all", ERR_UNEXPECTEDEVENT_ONREAD,
       [](fake::Fake& f) {
         f.expect_wait(WaitResult::Failed);
         f.expect_events(0);
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
    connect_through_script();
    c.script(fake);
    char buffer[16] = "untouched";
    std::int32_t size = 16;
    EXPECT_EQ(tcp_receive(buffer, &size), c.code);
    EXPECT_EQ(size, 16);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(connection().state, kTcpConnected) << "the caller releases";
    EXPECT_TRUE(handles_closed());
    EXPECT_EQ(fake.open_handles(), 0);

    const std::size_t mark = fake.log().size();
    EXPECT_EQ(tcp_release(), 0);
    EXPECT_EQ(connection().state, kReady);
    EXPECT_TRUE(log_since(mark).empty()) << "nothing is closed or shut down twice";
  }
}

TEST_F(TcpTest, SendOrReceiveBetweenAFailedReceiveAndTheReleaseFailWithoutTheSocket) {
  connect_through_script();
  fake.expect_wait(WaitResult::Timeout);
  char buffer[4];
  std::int32_t size = 4;
  EXPECT_EQ(tcp_receive(buffer, &size), ERR_TIMEOUT_ONREAD);
  const std::size_t mark = fake.log().size();
  EXPECT_EQ(tcp_receive(buffer, &size), ERR_RECVFAIL);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_EQ(tcp_send("x", 1), ERR_SENDERR);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_TRUE(log_since(mark).empty());
}

}  // namespace
}  // namespace vornen
