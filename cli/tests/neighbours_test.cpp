#include "neighbours.h"

#include <gtest/gtest.h>

#include "text_forms.h"

namespace vornctl {
namespace {

const char* kArp =
    "IP address       HW type     Flags       HW address            Mask     Device\n"
    "192.168.16.100   0x1         0x6         00:20:4a:8d:72:33     *        pc0\n"
    "192.168.16.50    0x1         0x2         02:00:00:00:00:50     *        pc0\n"
    "192.168.16.77    0x1         0x0         00:00:00:00:00:00     *        pc0\n";

const char* kRoute =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "pc0\t00000000\tFE10A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "pc0\t0010A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";

std::uint32_t ip(const char* text) { return *parse_ipv4(text); }

TEST(Neighbours, TheArpTableGivesEntriesThatHoldAMac) {
  const auto table = parse_arp_table(kArp);
  ASSERT_EQ(table.size(), 2u) << "the unresolved entry is left out";
  EXPECT_EQ(neighbour_text(table[0]), "192.168.16.100 lladdr 00:20:4a:8d:72:33 dev pc0 PERMANENT");
  EXPECT_EQ(neighbour_text(table[1]), "192.168.16.50 lladdr 02:00:00:00:00:50 dev pc0");
  EXPECT_TRUE(find_neighbour(table, ip("192.168.16.50")));
  EXPECT_FALSE(find_neighbour(table, ip("192.168.16.77")));
}

TEST(Neighbours, TheRouteTableGivesGatewaysInNetworkOrder) {
  const auto gateways = parse_route_table(kRoute);
  ASSERT_EQ(gateways.size(), 1u);
  EXPECT_EQ(ipv4_text(gateways[0].address), "192.168.16.254");
  EXPECT_EQ(gateways[0].device, "pc0");
}

TEST(Neighbours, UnsafeAddressesSayWhy) {
  NetworkView view;
  view.own = {{ip("192.168.16.1"), "pc0"}};
  view.gateways = parse_route_table(kRoute);
  view.neighbours = parse_arp_table(kArp);
  std::uint8_t mac[6];
  ASSERT_TRUE(mac_bytes("00-20-4A-8D-72-33", mac));
  EXPECT_EQ(unsafe_reason(view, ip("192.168.16.1"), mac),
            "192.168.16.1 is this PC's own address (pc0)");
  EXPECT_EQ(unsafe_reason(view, ip("192.168.16.254"), mac),
            "192.168.16.254 is the gateway of a route on pc0");
  EXPECT_EQ(unsafe_reason(view, ip("192.168.16.50"), mac),
            "192.168.16.50 is in the neighbour table with another MAC: 192.168.16.50 lladdr "
            "02:00:00:00:00:50 dev pc0");
  EXPECT_EQ(unsafe_reason(view, ip("192.168.16.100"), mac), "") << "its own entry";
  EXPECT_EQ(unsafe_reason(view, ip("192.168.16.77"), mac), "") << "unresolved";
  EXPECT_EQ(unsafe_reason(view, ip("192.168.16.120"), mac), "");
}

}  // namespace
}  // namespace vornctl
