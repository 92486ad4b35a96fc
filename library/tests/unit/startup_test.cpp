#include "startup.h"

#include <gtest/gtest.h>

#include <string>

#include "VornEN.h"
#include "fake_fixture.h"

namespace vornen {
namespace {

using platform::kAdapterLoopback;
using platform::kAdapterPointToPoint;

class StartupTest : public FakeTest {};

TEST_F(StartupTest, OneEthernetAdapterBesideLoopbackGivesItsBroadcast) {
  fake.expect_startup();
  fake.expect_adapters({adapter("127.0.0.1", "255.0.0.0", kAdapterLoopback),
                        adapter("192.168.1.10", "255.255.255.0")});
  EXPECT_EQ(open_library(), 0);
  EXPECT_STREQ(connection().broadcast, "192.168.1.255");
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(StartupTest, BroadcastFollowsTheNetmask) {
  const struct {
    const char* address;
    const char* netmask;
    const char* broadcast;
  } cases[] = {{"10.1.2.3", "255.0.0.0", "10.255.255.255"},
               {"172.16.5.4", "255.255.0.0", "172.16.255.255"},
               {"192.168.16.77", "255.255.255.255", "192.168.16.77"},
               {"192.168.16.1", "255.255.255.0", "192.168.16.255"}};
  for (const auto& c : cases) {
    fake.expect_startup();
    fake.expect_adapters({adapter(c.address, c.netmask)});
    EXPECT_EQ(open_library(), 0) << c.address;
    EXPECT_STREQ(connection().broadcast, c.broadcast) << c.address;
  }
}

TEST_F(StartupTest, PointToPointAndLoopbackAdaptersAreIgnored) {
  fake.expect_startup();
  fake.expect_adapters(
      {adapter("10.8.0.2", "255.255.255.255", kAdapterPointToPoint),
       adapter("192.168.16.1", "255.255.255.0"),
       adapter("127.0.0.1", "255.0.0.0", kAdapterLoopback | kAdapterPointToPoint)});
  EXPECT_EQ(open_library(), 0);
  EXPECT_STREQ(connection().broadcast, "192.168.16.255");
}

TEST_F(StartupTest, StartFailureTouchesNothing) {
  open_ready("10.255.255.255");
  connection().state = kTcpConnected;
  fake.expect(fake::Call::Startup).returns(10091);
  EXPECT_EQ(open_library(), ERR_WSASTARTUPFAIL);
  EXPECT_EQ(connection().state, kTcpConnected);
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
  EXPECT_EQ(fake.cleanups(), 0);
}

TEST_F(StartupTest, OtherVersionStopsTheSocketLayerAgainAndTouchesNothingElse) {
  open_ready("10.255.255.255");
  fake.expect_startup(0x0101);
  EXPECT_EQ(open_library(), ERR_WINSOCKVERSIONFAIL);
  EXPECT_EQ(fake.cleanups(), 1);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
}

TEST_F(StartupTest, QuerySocketFailureClosesTheLibrary) {
  open_ready("10.255.255.255");
  fake.expect_startup();
  fake.expect(fake::Call::OpenQuerySocket).failing();
  EXPECT_EQ(open_library(), ERR_SOCKETONINFO);
  EXPECT_EQ(connection().state, kClosed);
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
  EXPECT_EQ(fake.cleanups(), 0) << "the socket layer stays started";
}

TEST_F(StartupTest, ListQueryFailureClosesTheQuerySocket) {
  fake.expect_startup();
  fake.expect(fake::Call::OpenQuerySocket);
  fake.expect(fake::Call::ListAdapters).returns(-1);
  EXPECT_EQ(open_library(), ERR_WSAIOCTLONINFO);
  EXPECT_EQ(connection().state, kClosed);
  EXPECT_EQ(fake.count("close_socket"), 1);
}

TEST_F(StartupTest, TwentyOneAdaptersFailTheListQuery) {
  std::vector<platform::Adapter> many;
  for (int i = 0; i < 21; ++i) {
    std::string a = "127.0.0." + std::to_string(i + 1);
    many.push_back(adapter(a.c_str(), "255.0.0.0", kAdapterLoopback));
  }
  fake.expect_startup();
  fake.expect_adapters(many);
  EXPECT_EQ(open_library(), ERR_WSAIOCTLONINFO);
  many.pop_back();
  many.back() = adapter("192.168.16.1", "255.255.255.0");
  fake.expect_startup();
  fake.expect_adapters(many);
  EXPECT_EQ(open_library(), 0) << "twenty entries still fit";
}

TEST_F(StartupTest, OnlyLoopbackKeepsTheTextAndClosesTheState) {
  fake.expect_startup();
  fake.expect_adapters({adapter("127.0.0.1", "255.0.0.0", kAdapterLoopback)});
  EXPECT_EQ(open_library(), ERR_NONETWORKINTERFACEONINFO);
  EXPECT_EQ(connection().state, kClosed);
  EXPECT_STREQ(connection().broadcast, "");

  open_ready("10.255.255.255");
  fake.expect_startup();
  fake.expect_adapters({});
  EXPECT_EQ(open_library(), ERR_NONETWORKINTERFACEONINFO);
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
}

TEST_F(StartupTest, TwoUsableAdaptersLeaveTheSecondOnesText) {
  fake.expect_startup();
  fake.expect_adapters(
      {adapter("192.168.16.1", "255.255.255.0"), adapter("10.1.2.3", "255.0.0.0")});
  EXPECT_EQ(open_library(), ERR_TOOMANYNONETWORKINTERFACE);
  EXPECT_EQ(connection().state, kClosed);
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
}

TEST_F(StartupTest, OpenWhileConnectedForgetsTheConnectionWithoutClosingIt) {
  open_ready();
  connection().state = kUdpPending;
  fake.expect_startup();
  fake.expect_adapters({adapter("192.168.16.1", "255.255.255.0")});
  EXPECT_EQ(open_library(), 0);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(fake.count("close_event"), 0);
}

TEST_F(StartupTest, CloseInAnyStateEmptiesTheTextAndStopsOnce) {
  EXPECT_EQ(close_library(), 0);
  EXPECT_EQ(close_library(), 0);
  EXPECT_EQ(connection().state, kClosed);
  EXPECT_STREQ(connection().broadcast, "");
  open_ready();
  connection().state = kTcpConnected;
  EXPECT_EQ(close_library(), 0);
  EXPECT_EQ(connection().state, kClosed);
  EXPECT_STREQ(connection().broadcast, "");
  EXPECT_EQ(fake.cleanups(), 3);
}

TEST_F(StartupTest, ExportsBeforeOpenReturnTheirCodes) {
  char buffer[32] = "untouched";
  std::int32_t capacity = sizeof buffer;
  EXPECT_EQ(En_Get_IPAddress("00-20-4A-8D-72-33", buffer, &capacity),
            ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(capacity, 32);
  EXPECT_EQ(En_Set_IPAddress(nullptr, nullptr, 99), ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(En_SendStr("192.168.16.100", "x", 1), ERR_ILLEGALSTATE_ONCONNECTION);
  std::int32_t size = 10;
  EXPECT_EQ(En_SendRecvStr("192.168.16.100", "x", 1, buffer, &size, '\r'),
            ERR_ILLEGALSTATE_ONCONNECTION);
  EXPECT_EQ(size, 10);
}

}  // namespace
}  // namespace vornen
