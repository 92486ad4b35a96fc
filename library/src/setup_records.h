// The five setup records that carry a device's network settings, their record
// texts (":" + hex pairs + "\"), and the two-part setup commands.
#pragma once

#include <cstdint>

namespace vornen {

inline constexpr int kRecordCount = 5;
inline constexpr int kRecordMaxBytes = 37;
inline constexpr int kRecordTextMax = 2 * kRecordMaxBytes + 2;

// Builds record `index` (0 to 4) into `out`; returns its length in bytes.
int build_setup_record(int index, const std::uint8_t octets[4], std::uint8_t host_bits,
                       std::uint8_t out[kRecordMaxBytes]);
// Writes the record text of `length` bytes; returns its length in characters.
int build_record_text(const std::uint8_t* record, int length, char out[kRecordTextMax]);

int send_record_text(const std::uint8_t* record, int length);
int send_setup_records(const std::uint8_t octets[4], std::uint8_t host_bits);
int send_setup_command(const char* command, int length);

}  // namespace vornen
