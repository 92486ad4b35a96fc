// The rows of a provisioning file: MAC,ADDRESS[,NETMASK] per line; blank
// lines and lines starting with # are skipped.
#pragma once

#include <string>
#include <vector>

namespace vornctl {

struct BatchRow {
  int line = 0;
  std::string mac;
  std::string address;
  int host_bits = 8;
  std::string error;  // not empty: the row is malformed and is skipped
};

std::vector<BatchRow> parse_batch(const std::string& content);

}  // namespace vornctl
