#include <gtest/gtest.h>
#include <stdlib.h>

#include "VornEN.h"
#include "net_fixture.h"

namespace vornen {
namespace {

class StartupNetTest : public NetTest {
 protected:
  std::string pc_address() const override { return ""; }

  int open_with(const std::string& address) {
    if (!address.empty()) bed().pc_ip({"addr", "add", address, "dev", "pc0"});
    enter_pc();
    return En_Open();
  }
};

TEST_F(StartupNetTest, OneAdapterGivesItsDirectedBroadcast) {
  EXPECT_EQ(open_with("192.168.16.1/24"), 0);
  EXPECT_STREQ(connection().broadcast, "192.168.16.255");
  EXPECT_EQ(connection().state, kReady);
  EXPECT_EQ(En_Open(), 0) << "a second open finds the same";
  EXPECT_STREQ(connection().broadcast, "192.168.16.255");
  EXPECT_EQ(En_Close(), 0);
  EXPECT_STREQ(connection().broadcast, "");
  EXPECT_EQ(connection().state, kClosed);
}

TEST_F(StartupNetTest, ClassAAddress) {
  EXPECT_EQ(open_with("10.1.2.3/8"), 0);
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
}

TEST_F(StartupNetTest, ClassBAddress) {
  EXPECT_EQ(open_with("172.16.5.4/16"), 0);
  EXPECT_STREQ(connection().broadcast, "172.16.255.255");
}

TEST_F(StartupNetTest, HostRouteAddressIsItsOwnBroadcast) {
  EXPECT_EQ(open_with("192.168.16.77/32"), 0);
  EXPECT_STREQ(connection().broadcast, "192.168.16.77");
}

TEST_F(StartupNetTest, OnlyLoopbackGivesNoAdapterAndKeepsTheText) {
  EXPECT_EQ(open_with(""), ERR_NONETWORKINTERFACEONINFO);
  EXPECT_STREQ(connection().broadcast, "");
  EXPECT_EQ(connection().state, kClosed);
}

TEST_F(StartupNetTest, TwoUsableAddressesGiveTooManyWithTheSecondText) {
  bed().pc_ip({"addr", "add", "192.168.16.1/24", "dev", "pc0"});
  EXPECT_EQ(open_with("10.1.2.3/8"), ERR_TOOMANYNONETWORKINTERFACE);
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
  EXPECT_EQ(connection().state, kClosed);
}

// A second adapter, as a container bridge or Wi-Fi gives a Linux PC.
TEST_F(StartupNetTest, InterfaceVariablePicksOneOfSeveralAdapters) {
  bed().pc_ip({"link", "add", "extra0", "type", "veth", "peer", "name", "extra1"});
  bed().pc_ip({"addr", "add", "10.1.2.3/8", "dev", "extra0"});
  EXPECT_EQ(open_with("192.168.16.1/24"), ERR_TOOMANYNONETWORKINTERFACE);

  struct Unset {
    ~Unset() { ::unsetenv("VORNEN_INTERFACE"); }
  } unset;
  ::setenv("VORNEN_INTERFACE", "pc0", 1);
  EXPECT_EQ(En_Open(), 0);
  EXPECT_STREQ(connection().broadcast, "192.168.16.255");
  ::setenv("VORNEN_INTERFACE", "extra0", 1);
  EXPECT_EQ(En_Open(), 0) << "read again at each open";
  EXPECT_STREQ(connection().broadcast, "10.255.255.255");
  ::setenv("VORNEN_INTERFACE", "lo", 1);
  EXPECT_EQ(En_Open(), ERR_NONETWORKINTERFACEONINFO) << "loop-back stays unusable";
  ::setenv("VORNEN_INTERFACE", "nosuch0", 1);
  EXPECT_EQ(En_Open(), ERR_NONETWORKINTERFACEONINFO);
  EXPECT_EQ(connection().state, kClosed);
  ::setenv("VORNEN_INTERFACE", "", 1);
  EXPECT_EQ(En_Open(), ERR_TOOMANYNONETWORKINTERFACE) << "empty counts as unset";
}

TEST_F(StartupNetTest, PointToPointAdapterBesideEthernetIsIgnored) {
  bed().pc_ip({"tuntap", "add", "dev", "tun9", "mode", "tun"});
  bed().pc_ip({"addr", "add", "10.9.9.1", "peer", "10.9.9.2", "dev", "tun9"});
  bed().pc_ip({"link", "set", "tun9", "up"});
  EXPECT_EQ(open_with("192.168.16.1/24"), 0);
  EXPECT_STREQ(connection().broadcast, "192.168.16.255");
}

TEST_F(StartupNetTest, AdapterThatIsDownStillCounts) {
  bed().pc_ip({"link", "set", "pc0", "down"});
  EXPECT_EQ(open_with("192.168.16.1/24"), 0);
  EXPECT_STREQ(connection().broadcast, "192.168.16.255");
}

}  // namespace
}  // namespace vornen
