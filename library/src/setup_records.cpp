#include "setup_records.h"

#include <cstring>

#include "platform/platform.h"
#include "tcp.h"
#include "text_checks.h"

namespace vornen {

namespace {

constexpr int kRecordPauseMs = 10;
constexpr std::uint8_t kFinalByte = 0xFF;

struct RecordHeader {
  std::uint8_t length;
  std::uint8_t address_high;
  std::uint8_t address_low;
  std::uint8_t type;
};

// Records 0 to 3 fill the device's settings area 0x00 to 0x77 without gap;
// record 4 ends the set.
constexpr RecordHeader kHeaders[kRecordCount] = {
    {0x20, 0x00, 0x00, 0x10}, {0x20, 0x00, 0x20, 0x10}, {0x20, 0x00, 0x40, 0x10},
    {0x18, 0x00, 0x60, 0x10}, {0x00, 0x00, 0x00, 0x01},
};

void fill_settings(const std::uint8_t octets[4], std::uint8_t host_bits, std::uint8_t* data) {
  std::memcpy(data, octets, 4);
  data[6] = host_bits;
  data[16] = 0x4C;
  data[17] = 0x01;
  // The command port 14001, low byte first.
  data[20] = 0xB1;
  data[21] = 0x36;
  data[28] = 0xC0;
}

}  // namespace

int build_setup_record(int index, const std::uint8_t octets[4], std::uint8_t host_bits,
                       std::uint8_t out[kRecordMaxBytes]) {
  const RecordHeader& h = kHeaders[index];
  std::memset(out, 0, kRecordMaxBytes);
  out[0] = h.length;
  out[1] = h.address_high;
  out[2] = h.address_low;
  out[3] = h.type;
  if (index == 0) fill_settings(octets, host_bits, out + 4);
  out[4 + h.length] = kFinalByte;
  return 5 + h.length;
}

int build_record_text(const std::uint8_t* record, int length, char out[kRecordTextMax]) {
  out[0] = ':';
  for (int i = 0; i < length; ++i) encode_hex_pair(record[i], out + 1 + 2 * i);
  out[1 + 2 * length] = '\\';
  return 2 * length + 2;
}

int send_record_text(const std::uint8_t* record, int length) {
  char text[kRecordTextMax];
  int n = build_record_text(record, length, text);
  return tcp_send(text, n);
}

int send_setup_records(const std::uint8_t octets[4], std::uint8_t host_bits) {
  for (int index = 0; index < kRecordCount; ++index) {
    std::uint8_t record[kRecordMaxBytes];
    int length = build_setup_record(index, octets, host_bits, record);
    int r = send_record_text(record, length);
    if (r != 0) return r;
    platform::ops().sleep_ms(kRecordPauseMs);
  }
  return 0;
}

int send_setup_command(const char* command, int length) {
  int r = tcp_send(command, length);
  if (r != 0) return r;
  static constexpr char kCr = '\r';
  return tcp_send(&kCr, 1);
}

}  // namespace vornen
