#include "text_forms.h"

#include <gtest/gtest.h>

namespace vornctl {
namespace {

TEST(Escapes, KnownSequencesDecode) {
  EXPECT_EQ(decode_escapes("VER\\r"), std::string("VER\r"));
  EXPECT_EQ(decode_escapes("a\\nb\\tc\\\\d"), std::string("a\nb\tc\\d"));
  EXPECT_EQ(decode_escapes("\\x41\\x0d\\xFF"), std::string("A\r\xFF"));
  EXPECT_EQ(decode_escapes("x\\0y"), std::string("x\0y", 3));
  EXPECT_EQ(decode_escapes(""), std::string());
}

TEST(Escapes, BrokenSequencesAreRefused) {
  EXPECT_FALSE(decode_escapes("end\\"));
  EXPECT_FALSE(decode_escapes("\\q"));
  EXPECT_FALSE(decode_escapes("\\x4"));
  EXPECT_FALSE(decode_escapes("\\xG1"));
}

TEST(Netmask, TheThreeDeviceNetmasksGiveTheirHostBits) {
  EXPECT_EQ(host_bits_of_netmask("255.255.255.0"), 8);
  EXPECT_EQ(host_bits_of_netmask("255.255.0.0"), 16);
  EXPECT_EQ(host_bits_of_netmask("255.0.0.0"), 24);
  EXPECT_FALSE(host_bits_of_netmask("255.255.255.128"));
  EXPECT_FALSE(host_bits_of_netmask("/24"));
}

TEST(Numbers, RangeAndJunk) {
  EXPECT_EQ(parse_number("32", 0, 32), 32);
  EXPECT_FALSE(parse_number("33", 0, 32));
  EXPECT_FALSE(parse_number("-1", 0, 32));
  EXPECT_FALSE(parse_number("8x", 0, 32));
  EXPECT_FALSE(parse_number("", 0, 32));
}

TEST(MacText, UpperCaseHyphenForm) {
  const std::uint8_t mac[6] = {0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33};
  EXPECT_EQ(mac_text(mac), "00-20-4A-8D-72-33");
}

}  // namespace
}  // namespace vornctl
