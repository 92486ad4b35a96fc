// What the device sends on discovery, and which frames make it take an address.
#include "discovery.h"

#include <gtest/gtest.h>

#include "address_taker.h"
#include "event_log.h"

namespace devsim {
namespace {

const Mac kDeviceMac{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33};

TEST(DiscoveryReply, IsThirtyBytesWithTheMacAtTheEnd) {
  const std::string reply = discovery_reply({192, 168, 16, 100}, kDeviceMac);
  ASSERT_EQ(reply.size(), 30u);
  EXPECT_EQ(reply.substr(24), std::string("\x00\x20\x4A\x8D\x72\x33", 6));
  EXPECT_EQ(reply.substr(0, 8), std::string("\x00\x00\x00\xF7\xC0\xA8\x10\x64", 8));
  EXPECT_EQ(reply.substr(8, 16), std::string(16, '\0'));
}

TEST(DiscoveryReply, OnlyTheExactQueryIsAnswered) {
  EXPECT_TRUE(is_discovery_query(std::string("\x00\x00\x00\xF6", 4)));
  EXPECT_FALSE(is_discovery_query(std::string("\x00\x00\x00\xF6\x00", 5)));
  EXPECT_FALSE(is_discovery_query(std::string("\x00\x00\xF6", 3)));
  EXPECT_FALSE(is_discovery_query(std::string("\x00\x00\x00\xF7", 4)));
  EXPECT_FALSE(is_discovery_query(""));
}

TEST(DiscoveryReply, FloodMacsNeverNameTheDevice) {
  const Mac other{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
  // A random value that would give exactly `other` must be moved off it.
  EXPECT_NE(foreign_mac(0x554433221102ULL, kDeviceMac, other), other);
  for (unsigned long long seed = 0; seed < 1000; ++seed) {
    const Mac mac = foreign_mac(seed * 0x9E3779B97F4A7C15ULL, kDeviceMac, other);
    EXPECT_NE(mac, kDeviceMac);
    EXPECT_EQ(mac[0] & 0x03, 0x02);  // unicast, locally administered
  }
}

// An Ethernet frame with an IPv4 header: destination MAC, then destination address.
std::string frame(const Mac& to, const Ipv4& target, unsigned char version_ihl = 0x45) {
  std::string bytes(14 + 20, '\0');
  for (std::size_t i = 0; i < 6; ++i) bytes[i] = static_cast<char>(to[i]);
  bytes[12] = '\x08';
  bytes[14] = static_cast<char>(version_ihl);
  for (std::size_t i = 0; i < 4; ++i) bytes[30 + i] = static_cast<char>(target[i]);
  return bytes;
}

TEST(AddressTaking, TheFirstPacketToOurMacNamesTheAddress) {
  EXPECT_EQ(frame_target(frame(kDeviceMac, {192, 168, 16, 100}), kDeviceMac),
            (Ipv4{192, 168, 16, 100}));
}

TEST(AddressTaking, OtherFramesAreIgnored) {
  const Mac broadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const Mac other{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x34};
  EXPECT_FALSE(frame_target(frame(broadcast, {192, 168, 16, 100}), kDeviceMac));
  EXPECT_FALSE(frame_target(frame(other, {192, 168, 16, 100}), kDeviceMac));
  EXPECT_FALSE(frame_target(frame(kDeviceMac, {192, 168, 16, 100}, 0x65), kDeviceMac));
  EXPECT_FALSE(frame_target(frame(kDeviceMac, {224, 0, 0, 1}), kDeviceMac));
  EXPECT_FALSE(frame_target(frame(kDeviceMac, {255, 255, 255, 255}), kDeviceMac));
  EXPECT_FALSE(frame_target(frame(kDeviceMac, {0, 0, 0, 0}), kDeviceMac));
  EXPECT_FALSE(frame_target(frame(kDeviceMac, {192, 168, 16, 100}).substr(0, 33), kDeviceMac));
  std::string arp = frame(kDeviceMac, {192, 168, 16, 100});
  arp[13] = '\x06';
  EXPECT_FALSE(frame_target(arp, kDeviceMac));
}

TEST(EventLogText, HashMatchesKnownFnvValues) {
  EXPECT_EQ(fnv1a64(kFnvOffset, ""), 0xcbf29ce484222325ULL);
  EXPECT_EQ(fnv1a64(kFnvOffset, "a"), 0xaf63dc4c8601ec8cULL);
  EXPECT_EQ(fnv1a64(fnv1a64(kFnvOffset, "foo"), "bar"), fnv1a64(kFnvOffset, "foobar"));
}

TEST(EventLogText, QuotedTextShowsControlBytes) {
  EXPECT_EQ(quoted_text("S0\r"), "\"S0\\r\"");
  EXPECT_EQ(quoted_text(std::string("\x00:\\", 3)), "\"\\x00:\\\\\"");
  EXPECT_EQ(hex_preview("ABCD", 2), "4142...");
}

}  // namespace
}  // namespace devsim
