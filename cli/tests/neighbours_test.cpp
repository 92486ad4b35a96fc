#include "neighbours.h"

#include <gtest/gtest.h>

#include "text_forms.h"

namespace vornctl {
namespace {

const char* kRoute =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "pc0\t00000000\tFE10A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "pc0\t0010A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";

std::uint32_t ip(const char* text) { return *parse_ipv4(text); }

// Two entries as the kernel's table holds them: one written by hand, one
// learnt.
std::vector<Neighbour> table_of_two() {
  return {{ip("192.168.16.100"), {0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33}, true, 2, "pc0"},
          {ip("192.168.16.50"), {0x02, 0x00, 0x00, 0x00, 0x00, 0x50}, false, 2, "pc0"}};
}

TEST(Neighbours, EntriesAreFoundByAddressAndShownAsIpNeighShowsThem) {
  const auto table = table_of_two();
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
  view.neighbours = table_of_two();
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
