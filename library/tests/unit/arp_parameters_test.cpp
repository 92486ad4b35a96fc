#include "platform/arp_parameters.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/fake_platform.h"

namespace vornen::platform {
namespace {

using Mac = std::array<std::uint8_t, 6>;

// Read as the POSIX backend reads it: with the same conversion as every
// other step of an assignment.
bool parse(const char* text, ArpEntry* e) {
  return parse_arp_parameters(text, native().parse_dotted, e);
}

Mac mac_of(const ArpEntry& e) {
  Mac m{};
  std::memcpy(m.data(), e.mac, 6);
  return m;
}

TEST(ArpParameters, HyphenFormWithTrailingBlankGivesAddressAndMac) {
  ArpEntry e{};
  ASSERT_TRUE(parse("-s 192.168.16.100 00-20-4A-8D-72-33 ", &e));
  EXPECT_EQ(e.address, fake::address("192.168.16.100"));
  EXPECT_EQ(mac_of(e), (Mac{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33}));
}

TEST(ArpParameters, ColonFormGivesTheSameEntry) {
  ArpEntry e{};
  ASSERT_TRUE(parse("-s 192.168.16.100 00:20:4A:8D:72:33 ", &e));
  EXPECT_EQ(e.address, fake::address("192.168.16.100"));
  EXPECT_EQ(mac_of(e), (Mac{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33}));
}

TEST(ArpParameters, TrailingBlankAndLowerCaseAreOptional) {
  ArpEntry e{};
  ASSERT_TRUE(parse("-s 10.0.0.1 0a-1b-2c-3d-4e-5f", &e));
  EXPECT_EQ(e.address, fake::address("10.0.0.1"));
  EXPECT_EQ(mac_of(e), (Mac{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}));
}

// The device is given what the dotted-address conversion makes of the text;
// the entry must name the same address.
TEST(ArpParameters, ShortenedAndOctalFormsGiveTheAddressTheDeviceIsGiven) {
  ArpEntry e{};
  ASSERT_TRUE(parse("-s 192.168.16.0144 00-20-4A-8D-72-33 ", &e));
  EXPECT_EQ(e.address, fake::address("192.168.16.100"));
  ASSERT_TRUE(parse("-s 10.5 00-20-4A-8D-72-33 ", &e));
  EXPECT_EQ(e.address, fake::address("10.0.0.5"));
  ASSERT_TRUE(parse("-s 192.168.16 00-20-4A-8D-72-33 ", &e));
  EXPECT_EQ(e.address, fake::address("192.168.0.16"));
}

TEST(ArpParameters, JunkIsRejected) {
  const char* const texts[] = {
      "",
      " ",
      "-s",
      "-s 192.168.16.100",
      "-d 192.168.16.100 00-20-4A-8D-72-33 ",
      "-s 192.168.16.100 00-20-4A-8D-72-33 extra",
      "-s 192.168.16.256 00-20-4A-8D-72-33 ",
      "-s 192.168.16.100.1 00-20-4A-8D-72-33 ",
      "-s 192..16.100 00-20-4A-8D-72-33 ",
      "-s 1920.168.16.100 00-20-4A-8D-72-33 ",
      "-s 192.168.16.100 00-20:4A-8D-72-33 ",
      "-s 192.168.16.100 00-20-4A-8D-72-3 ",
      "-s 192.168.16.100 00-20-4A-8D-72-333 ",
      "-s 192.168.16.100 00-20-4G-8D-72-33 ",
      "-s 192.168.16.100 00.20.4A.8D.72.33 ",
      "-s 192.168.16.100; 00-20-4A-8D-72-33 ",
      "-s 00-20-4A-8D-72-33 192.168.16.100 ",
      "-s 192.168.16.08 00-20-4A-8D-72-33 ",
      "-s 255.255.255.255 00-20-4A-8D-72-33 ",
      "-s 192.168.16.10000000000 00-20-4A-8D-72-33 ",
  };
  for (const char* text : texts) {
    ArpEntry e{};
    EXPECT_FALSE(parse(text, &e)) << '"' << text << '"';
  }
  ArpEntry e{};
  EXPECT_FALSE(parse(nullptr, &e));
}

}  // namespace
}  // namespace vornen::platform
