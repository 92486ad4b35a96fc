#include "text_checks.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "fake_fixture.h"

namespace vornen {
namespace {

TEST(HexDigit, OnlyDigitsAndUpperCaseAToF) {
  const std::string digits = "0123456789ABCDEF";
  int accepted = 0;
  for (int c = 0; c < 256; ++c) {
    const bool expected = c != 0 && digits.find(static_cast<char>(c)) != std::string::npos;
    EXPECT_EQ(is_hex_digit(static_cast<unsigned char>(c)), expected) << "code " << c;
    accepted += is_hex_digit(static_cast<unsigned char>(c)) ? 1 : 0;
  }
  EXPECT_EQ(accepted, 16);
}

// The host text check ends with the platform's conversion and resolver; the
// fake writes every question to the resolver into its log.
class HostTextTest : public FakeTest {
 protected:
  int resolver_questions() const { return fake.count("resolve"); }
};

TEST_F(HostTextTest, DottedAddressPassesWithoutTheResolver) {
  EXPECT_EQ(check_host_text("192.168.16.100"), 0);
  EXPECT_EQ(check_host_text("0.0.0.0"), 0);
  EXPECT_EQ(resolver_questions(), 0);
}

TEST_F(HostTextTest, ShortenedFormsOfTheConversionPass) {
  for (const char* text : {"10", "127.1", "192.168.4196", "010.0.0.1", "192.168.16.0100"}) {
    EXPECT_EQ(check_host_text(text), 0) << text;
  }
  EXPECT_EQ(resolver_questions(), 0);
}

TEST_F(HostTextTest, NullAndEmptyTextFail) {
  EXPECT_EQ(check_host_text(nullptr), -1);
  EXPECT_EQ(check_host_text(""), -1);
  EXPECT_TRUE(fake.log().empty());
}

TEST_F(HostTextTest, ForbiddenCharacterFailsBeforeConversionOrLookup) {
  fake.add_host("192.168.16.10a", "192.168.16.100");
  for (const char* text :
       {"192.168.16.100 ", " 192.168.16.100", "192.168.16.10a", "a92.168.16.100", "DEVICe",
        "192-168-16-100", "1:2", "0X10", "G", "192.168.16.1\x81", "\xC0.1"}) {
    EXPECT_EQ(check_host_text(text), -1) << text;
  }
  EXPECT_EQ(resolver_questions(), 0) << "a rejected text never reaches the resolver";
}

TEST_F(HostTextTest, SixteenCharactersAreScannedToTheEndThenDecided) {
  EXPECT_EQ(check_host_text("192.168.016.0100"), 0) << "converts";
  EXPECT_EQ(resolver_questions(), 0);

  EXPECT_EQ(check_host_text("1234.5678.9ABC.D"), -1) << "unknown to the resolver";
  EXPECT_EQ(fake.count("resolve 1234.5678.9ABC.D"), 1);
  fake.add_host("1234.5678.9ABC.D", "192.168.16.100");
  EXPECT_EQ(check_host_text("1234.5678.9ABC.D"), 0) << "known to the resolver";
}

TEST_F(HostTextTest, SeventeenCharactersFailWithoutConversionOrLookup) {
  fake.add_host("ABCDEFABCDEFABCDE", "192.168.16.100");
  EXPECT_EQ(check_host_text("192.168.016.01000"), -1);
  EXPECT_EQ(check_host_text("ABCDEFABCDEFABCDE"), -1);
  EXPECT_EQ(check_host_text("192.168.16.100..."), -1);
  EXPECT_EQ(check_host_text("192.168.16.100.1.2.3"), -1);
  EXPECT_EQ(resolver_questions(), 0);
}

TEST_F(HostTextTest, TextTheConversionRejectsPassesOnlyThroughTheResolver) {
  EXPECT_EQ(check_host_text("192.168.16.300"), -1);
  EXPECT_EQ(check_host_text("FACADE"), -1);
  EXPECT_EQ(check_host_text("1.2.3.4.5"), -1);
  EXPECT_EQ(check_host_text("1..2"), -1);
  EXPECT_EQ(resolver_questions(), 4);

  fake.add_host("192.168.16.300", "192.168.16.100");
  fake.add_host("DEADBEEF", "192.168.16.100");
  EXPECT_EQ(check_host_text("192.168.16.300"), 0);
  EXPECT_EQ(check_host_text("DEADBEEF"), 0);
}

TEST_F(HostTextTest, AllOnesAddressIsTheConversionsFailureValueAndGoesToTheResolver) {
  EXPECT_EQ(check_host_text("255.255.255.255"), -1);
  EXPECT_EQ(fake.count("resolve 255.255.255.255"), 1);
}

// --- MAC text ---------------------------------------------------------------

using Mac = std::array<std::uint8_t, 6>;
constexpr Mac kUntouched = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
constexpr Mac kZero = {0, 0, 0, 0, 0, 0};

Mac parse(const char* text, int* result) {
  Mac mac = kUntouched;
  *result = parse_mac_text(text, mac.data());
  return mac;
}

// The address an assignment gives a device, read as the assignment reads it
// and never by the resolver, which only a host text may reach.
TEST_F(HostTextTest, AddressTextIsReadAsTheAssignmentReadsItWithoutTheResolver) {
  fake.add_host("CAFE", "192.168.16.100");
  const std::pair<const char*, const char*> read[] = {{"192.168.16.100", "192.168.16.100"},
                                                      {"192.168.16.010", "192.168.16.8"},
                                                      {"192.168.4104", "192.168.16.8"},
                                                      {"10.5", "10.0.0.5"}};
  for (const auto& [text, dotted] : read) {
    std::uint32_t address = 0;
    EXPECT_TRUE(read_address_text(text, &address)) << text;
    in_addr expected{};
    ASSERT_EQ(::inet_aton(dotted, &expected), 1);
    EXPECT_EQ(address, expected.s_addr) << text;
  }
  for (const char* text :
       std::initializer_list<const char*>{"CAFE", "255.255.255.255", "0x0A.0.0.1", "192.168.16.1 ",
                                          "", nullptr, "192.168.016.00100"}) {
    std::uint32_t address = 7;
    EXPECT_FALSE(read_address_text(text, &address)) << (text ? text : "null");
    EXPECT_EQ(address, 7u) << "left alone on failure";
  }
  EXPECT_EQ(resolver_questions(), 0);
}

TEST(MacText, DashOrColonSeparatedPairsGiveTheBytesInTextOrder) {
  int r = 1;
  EXPECT_EQ(parse("00-20-4A-8D-72-33", &r), (Mac{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33}));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(parse("00:20:4A:8D:72:33", &r), (Mac{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33}));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(parse("FF-EE-09-90-A5-5A", &r), (Mac{0xFF, 0xEE, 0x09, 0x90, 0xA5, 0x5A}));
  EXPECT_EQ(r, 0);
}

TEST(MacText, EveryByteValueParsesFromItsHexPair) {
  for (int b = 0; b < 256; ++b) {
    char pair[2];
    encode_hex_pair(static_cast<std::uint8_t>(b), pair);
    std::string text;
    for (int k = 0; k < 6; ++k) {
      if (k > 0) text += '-';
      text.append(pair, 2);
    }
    int r = 1;
    const Mac mac = parse(text.c_str(), &r);
    EXPECT_EQ(r, 0) << text;
    for (std::uint8_t byte : mac) EXPECT_EQ(byte, b) << text;
  }
}

TEST(MacText, NullFailsAndLeavesTheOutputAlone) {
  int r = 0;
  EXPECT_EQ(parse(nullptr, &r), kUntouched);
  EXPECT_EQ(r, -1);
}

TEST(MacText, EveryOtherFailureLeavesSixZeroBytes) {
  for (const char* text : {
           "00-20:4A-8D-72-33",   // mixed separators
           "00:20:4A:8D:72-33",   // mixed, last one differs
           "00-20-4a-8d-72-33",   // lower case
           "00-20-4A-8D-72-3",    // 16 characters
           "00-20-4A-8D-72-333",  // 18 characters
           "00-20-4A-8D-72-33-",  // 18 characters
           "",                    // empty
           "0-020-4A-8D-72-33",   // separators shifted by one
           "00.20.4A.8D.72.33",   // other separator
           "00 20 4A 8D 72 33",   // blanks as separators
           "00-20-4A-8D-72-3G",   // bytes before the bad digit were already parsed
       }) {
    int r = 0;
    EXPECT_EQ(parse(text, &r), kZero) << text;
    EXPECT_EQ(r, -1) << text;
  }
}

TEST(MacText, BlankGOrDotInAnyDigitPositionFails) {
  const char* const good = "00-20-4A-8D-72-33";
  for (int position : {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, 16}) {
    for (char bad : {' ', 'G', '.'}) {
      std::string text = good;
      text[static_cast<std::size_t>(position)] = bad;
      int r = 0;
      EXPECT_EQ(parse(text.c_str(), &r), kZero) << text;
      EXPECT_EQ(r, -1) << text;
    }
  }
}

TEST(MacText, LengthIsFoundWithoutReadingPastTheTerminator) {
  // Sixteen characters at the very end of an area: a read beyond the
  // terminator would leave the area (and the sanitizer would see it).
  char area[17];
  std::memcpy(area, "00-20-4A-8D-72-3", 17);
  int r = 0;
  EXPECT_EQ(parse(area, &r), kZero);
  EXPECT_EQ(r, -1);
}

// --- hex pairs ----------------------------------------------------------------

TEST(HexPair, UpperFourBitsFirstUpperCaseLetters) {
  const struct {
    std::uint8_t byte;
    const char* pair;
  } cases[] = {{0x00, "00"}, {0x0D, "0D"}, {0x4C, "4C"}, {0xB1, "B1"}, {0xFF, "FF"}};
  for (const auto& c : cases) {
    char out[3] = {'x', 'x', 'x'};
    encode_hex_pair(c.byte, out);
    EXPECT_EQ(std::string(out, 2), c.pair);
    EXPECT_EQ(out[2], 'x') << "nothing after the pair";
  }
}

TEST(HexPair, EveryByteGivesTwoHexDigitsThatReadBackAsTheByte) {
  const std::string digits = "0123456789ABCDEF";
  for (int b = 0; b < 256; ++b) {
    char out[2];
    encode_hex_pair(static_cast<std::uint8_t>(b), out);
    const auto hi = digits.find(out[0]);
    const auto lo = digits.find(out[1]);
    ASSERT_NE(hi, std::string::npos) << b;
    ASSERT_NE(lo, std::string::npos) << b;
    EXPECT_EQ(static_cast<int>(hi * 16 + lo), b);
  }
}

}  // namespace
}  // namespace vornen
