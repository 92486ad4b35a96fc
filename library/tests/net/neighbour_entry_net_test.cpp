// The permanent neighbour entry that an assignment leaves on a Linux PC: it
// names the address the device is actually given, and it goes on the
// interface the system's own "arp -s" would choose.
#include <gtest/gtest.h>

#include <string>

#include "VornEN.h"
#include "assignment_fixture.h"
#include "device_peers.h"
#include "platform/platform.h"
#include "refused_allocations.h"

namespace vornen {
namespace {

using peers::kDeviceMac;

constexpr const char* kLinkMac = "lladdr 00:20:4a:8d:72:33";

class NeighbourEntryNetTest : public AssignmentNetTest {
 protected:
  // The device's namespace reaches the PC's subnet from its own address.
  testbed::Device device_at(const std::string& address_with_prefix) {
    auto device = bed().add_device(kDeviceMac, address_with_prefix);
    bed().ip(device.ns, {"route", "add", "192.168.16.0/24", "dev", "eth0"});
    return device;
  }
};

#if VORNEN_HAVE_SIMULATOR
TEST_F(NeighbourEntryNetTest, OctalTextGetsTheEntryOfTheAddressTheDeviceTakes) {
  const auto device = bed().add_device(kDeviceMac, "");
  peers::Simulator sim(device.ns, {});
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, "192.168.16.0144", 8), 0);
  EXPECT_TRUE(peers::file_shows(sim.log(), "address set 192.168.16.100 host-bits 8"))
      << peers::read_file(sim.log());
  expect_permanent_entry("192.168.16.100");
  EXPECT_EQ(pc_neighbour("192.168.16.144"), "") << "another host's address stays free";
}
#endif

class ClassANeighbourEntryNetTest : public NeighbourEntryNetTest {
 protected:
  std::string pc_address() const override { return "10.0.0.1/8"; }
};

TEST_F(ClassANeighbourEntryNetTest, ShortenedTextGetsTheEntryOfItsAddress) {
  const auto device = bed().add_device(kDeviceMac, "10.0.0.5/8");
  peers::SetupPeer peer(bed(), device.ns);
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, "10.5", 8), 0);
  expect_permanent_entry("10.0.0.5");
}

// 192.168.0.5 passes the subnet test of a PC in 192.168.16.0/24 (0 AND 16 is
// 0); whether it gets an entry is the route's business, as with arp -s.
TEST_F(NeighbourEntryNetTest, AddressOnALinkRouteGetsItsEntryOnThatAdapter) {
  bed().pc_ip({"route", "add", "192.168.0.0/24", "dev", "pc0"});
  const auto device = device_at("192.168.0.5/24");
  peers::SetupPeer peer(bed(), device.ns);
  open();
  EXPECT_EQ(En_Set_IPAddress(kDeviceMac, "192.168.0.5", 8), 0);
  const std::string entry = pc_neighbour("192.168.0.5");
  EXPECT_NE(entry.find("dev pc0 " + std::string(kLinkMac)), std::string::npos) << entry;
  EXPECT_NE(entry.find("PERMANENT"), std::string::npos) << entry;
}

TEST_F(NeighbourEntryNetTest, AddressWithoutARouteOrBehindAGatewayGetsNone) {
  open();
  En_Set_IPAddress(kDeviceMac, "192.168.0.5", 8);
  EXPECT_EQ(pc_neighbour("192.168.0.5"), "") << "no route";
  bed().pc_ip({"route", "add", "192.168.0.0/24", "via", "192.168.16.254"});
  En_Set_IPAddress(kDeviceMac, "192.168.0.5", 8);
  EXPECT_EQ(pc_neighbour("192.168.0.5").find("PERMANENT"), std::string::npos)
      << "reached through a gateway";
  EXPECT_EQ(connection().state, kReady);
}

TEST_F(NeighbourEntryNetTest, EntryIsMadeWithoutAllocatingAnything) {
  enter_pc();
  {
    peers::RefusedAllocations refused;
    EXPECT_NO_THROW(platform::native().run_arp("-s 192.168.16.0144 00-20-4A-8D-72-33 "));
  }
  expect_permanent_entry("192.168.16.100");
}

}  // namespace
}  // namespace vornen
