// The provisioning file of set --from: CSV with one device per row,
// MAC,ADDRESS[/PREFIX][,NETMASK], as people write it or a spreadsheet saves
// it. A first row naming the columns (mac, address, netmask, or in words as
// "MAC Address", "IP Address", "Subnet Mask"; any order, any case) is a
// header. The fields are separated by commas, or by semicolons when the first
// line holds more of those; they may be quoted ("" for a quote inside), a
// quote ending on its own line. A leading byte-order mark, empty trailing
// columns, blank lines and lines starting with # are skipped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vornctl {

// Files above this size are refused: a row takes some 40 bytes, so this is
// room for tens of thousands of devices.
inline constexpr std::size_t kMaxBatchBytes = 1024 * 1024;

struct BatchRow {
  int line = 0;         // where the row starts in the file
  std::string mac;      // normalised once valid, else as written
  std::string address;  // without the prefix
  int host_bits = 8;
  std::string error;  // not empty: the row is malformed and is not provisioned
};

struct Batch {
  std::vector<BatchRow> rows;
  std::string error;  // not empty: the whole file is refused
};

Batch parse_batch(const std::string& content);
// Reads and parses the file; refuses what is not a regular file or is larger
// than kMaxBatchBytes, before reading it.
Batch read_batch_file(const std::string& path);

}  // namespace vornctl
