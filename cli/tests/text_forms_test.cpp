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

TEST(Mac, EitherCaseAndEitherSeparatorBecomeTheLibrarysForm) {
  EXPECT_EQ(normalise_mac("00:20:4a:8d:72:33"), "00:20:4A:8D:72:33");
  EXPECT_EQ(normalise_mac("00-20-4a-8D-72-33"), "00-20-4A-8D-72-33");
  EXPECT_EQ(normalise_mac("AA-BB-CC-DD-EE-FF"), "AA-BB-CC-DD-EE-FF");
  EXPECT_FALSE(normalise_mac("00-20:4A-8D-72-33")) << "mixed separators";
  EXPECT_FALSE(normalise_mac("00.20.4A.8D.72.33"));
  EXPECT_FALSE(normalise_mac("00-20-4A-8D-72-3"));
  EXPECT_FALSE(normalise_mac("00-20-4A-8D-72-33 "));
  EXPECT_FALSE(normalise_mac("00-20-4G-8D-72-33"));
  EXPECT_FALSE(normalise_mac("0020-4A-8D-72-33-"));
  std::uint8_t mac[6];
  ASSERT_TRUE(mac_bytes("00:20:4a:8d:72:33", mac));
  EXPECT_EQ(mac_text(mac), "00-20-4A-8D-72-33");
  EXPECT_EQ(mac_text_lower(mac), "00:20:4a:8d:72:33");
}

TEST(Address, DottedWithOrWithoutPrefix) {
  EXPECT_EQ(ipv4_text(*parse_ipv4("192.168.16.100")), "192.168.16.100");
  for (const char* bad : {"192.168.16", "192.168.16.256", "192.168.16.1.", " 192.168.16.1",
                          "192.168.16.1x", "1234.1.1.1", "a.b.c.d", ""})
    EXPECT_FALSE(parse_ipv4(bad)) << bad;
  auto plain = parse_address_to_set("192.168.16.100");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->address, "192.168.16.100");
  EXPECT_FALSE(plain->host_bits);
  auto wide = parse_address_to_set("192.168.16.100/16");
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->address, "192.168.16.100");
  EXPECT_EQ(wide->host_bits, 16);
  EXPECT_EQ(parse_address_to_set("10.0.0.1/8")->host_bits, 24);
  EXPECT_EQ(parse_address_to_set("10.0.0.1/32")->host_bits, 0);
  for (const char* bad : {"10.0.0.1/33", "10.0.0.1/", "10.0.0.1/-1", "10.0.0.1/8/8", "/8"})
    EXPECT_FALSE(parse_address_to_set(bad)) << bad;
}

TEST(Netmask, ContiguousMasksGiveTheirHostBitsAndBack) {
  EXPECT_EQ(host_bits_of_netmask("255.255.255.0"), 8);
  EXPECT_EQ(host_bits_of_netmask("255.255.0.0"), 16);
  EXPECT_EQ(host_bits_of_netmask("255.0.0.0"), 24);
  EXPECT_EQ(host_bits_of_netmask("255.255.255.128"), 7);
  EXPECT_EQ(host_bits_of_netmask("255.255.255.255"), 0);
  EXPECT_EQ(host_bits_of_netmask("0.0.0.0"), 32);
  EXPECT_FALSE(host_bits_of_netmask("255.0.255.0"));
  EXPECT_FALSE(host_bits_of_netmask("0.255.255.255"));
  EXPECT_FALSE(host_bits_of_netmask("/24"));
  for (int bits = 0; bits <= 32; ++bits)
    EXPECT_EQ(host_bits_of_netmask(netmask_of_host_bits(bits)), bits) << bits;
  EXPECT_EQ(netmask_of_host_bits(8), "255.255.255.0");
}

TEST(Numbers, RangeAndJunk) {
  EXPECT_EQ(parse_number("32", 0, 32), 32);
  EXPECT_FALSE(parse_number("33", 0, 32));
  EXPECT_FALSE(parse_number("-1", 0, 32));
  EXPECT_FALSE(parse_number("+1", 0, 32));
  EXPECT_FALSE(parse_number(" 1", 0, 32));
  EXPECT_FALSE(parse_number("8x", 0, 32));
  EXPECT_FALSE(parse_number("", 0, 32));
  EXPECT_FALSE(parse_number("99999999999999999999", 0, 32));
}

TEST(Printable, ControlCharactersNeverReachTheTerminalRaw) {
  EXPECT_EQ(printable("00-20-4A"), "00-20-4A");
  EXPECT_EQ(printable("a\x1b[2Jb"), "a\\x1B[2Jb");
  EXPECT_EQ(printable("\r\n\t\x7f"), "\\x0D\\x0A\\x09\\x7F");
  EXPECT_EQ(printable("back\\slash"), "back\\\\slash");
  EXPECT_EQ(printable("caf\xC3\xA9"), "caf\xC3\xA9") << "well-formed UTF-8 stays";
  EXPECT_EQ(printable("\xC2\x9B"
                      "31m"),
            "\\xC2\\x9B31m")
      << "C1 control as UTF-8";
  EXPECT_EQ(printable("\x9B"
                      "31m"),
            "\\x9B31m")
      << "C1 control as a byte";
  EXPECT_EQ(printable("\xE2\x80"), "\\xE2\\x80") << "cut sequence";
  EXPECT_EQ(printable(std::string("a\0b", 3)), "a\\x00b");
}

TEST(Hex, UpperCasePairs) { EXPECT_EQ(hex_text(std::string("M\r\0\xff", 4)), "4D0D00FF"); }

}  // namespace
}  // namespace vornctl
