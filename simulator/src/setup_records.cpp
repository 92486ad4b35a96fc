#include "setup_records.h"

#include <cstdio>
#include <vector>

namespace devsim {
namespace {

int upper_hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Record 0 bytes that depend on the wanted address and host bits; the rest are constants.
bool is_variable_byte(int index, std::size_t at) {
  return index == 0 && ((at >= 4 && at <= 7) || at == 10);
}

// The bytes a record must hold, with zeros where record 0 carries the address.
std::vector<unsigned char> expected_record(int index) {
  if (index == 4) return {0x00, 0x00, 0x00, 0x01, 0xFF};
  const unsigned char length = index == 3 ? 0x18 : 0x20;
  std::vector<unsigned char> record(std::size_t{length} + 5, 0x00);
  record[0] = length;
  record[2] = static_cast<unsigned char>(index * 0x20);
  record[3] = 0x10;
  if (index == 0) {
    record[20] = 0x4C;
    record[21] = 0x01;
    record[24] = 0xB1;  // command port 14001, low byte first
    record[25] = 0x36;
    record[32] = 0xC0;
  }
  record.back() = 0xFF;
  return record;
}

std::string describe(int index, const char* format, unsigned a, unsigned b, unsigned c) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return "record " + std::to_string(index) + ": " + text;
}

}  // namespace

std::string check_record(int index, std::string_view text) {
  if (index < 0 || index >= kSetupRecordCount) {
    return "record " + std::to_string(index) + ": more than five records";
  }
  const std::vector<unsigned char> expected = expected_record(index);
  const std::size_t want_length = expected.size() * 2 + 2;
  if (text.size() != want_length) {
    return describe(index, "%u characters, expected %u", static_cast<unsigned>(text.size()),
                    static_cast<unsigned>(want_length), 0);
  }
  if (text.front() != ':') return describe(index, "does not start with a colon", 0, 0, 0);
  if (text.back() != '\\') return describe(index, "does not end with a backslash", 0, 0, 0);
  for (std::size_t at = 0; at < expected.size(); ++at) {
    const int high = upper_hex_digit(text[1 + at * 2]);
    const int low = upper_hex_digit(text[2 + at * 2]);
    if (high < 0 || low < 0) {
      return describe(index, "byte %u is not two upper-case hex digits", static_cast<unsigned>(at),
                      0, 0);
    }
    const auto byte = static_cast<unsigned>(high * 16 + low);
    if (is_variable_byte(index, at)) {
      if (at == 10 && byte > 32) {
        return describe(index, "host-bit count %u above 32", byte, 0, 0);
      }
      continue;
    }
    if (byte != expected[at]) {
      return describe(index, "byte %u is %02X, expected %02X", static_cast<unsigned>(at), byte,
                      expected[at]);
    }
  }
  return {};
}

SetupTarget record0_target(std::string_view text) {
  auto byte_at = [text](std::size_t at) {
    return static_cast<unsigned char>(upper_hex_digit(text[1 + at * 2]) * 16 +
                                      upper_hex_digit(text[2 + at * 2]));
  };
  SetupTarget target;
  for (std::size_t i = 0; i < 4; ++i) target.address[i] = byte_at(4 + i);
  target.host_bits = byte_at(10);
  return target;
}

}  // namespace devsim
