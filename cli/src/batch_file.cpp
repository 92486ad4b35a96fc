#include "batch_file.h"

#include <sstream>

#include "text_forms.h"

namespace vornctl {

namespace {

std::string trim(const std::string& s) {
  const char* blanks = " \t\r";
  std::size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

std::vector<std::string> split_fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) fields.push_back(trim(field));
  if (!line.empty() && line.back() == ',') fields.push_back("");
  return fields;
}

}  // namespace

std::vector<BatchRow> parse_batch(const std::string& content) {
  std::vector<BatchRow> rows;
  std::stringstream in(content);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    BatchRow row;
    row.line = number;
    const std::vector<std::string> f = split_fields(line);
    if (f.size() < 2 || f.size() > 3 || f[0].empty() || f[1].empty()) {
      row.error = "expected MAC,ADDRESS[,NETMASK]";
    } else {
      row.mac = f[0];
      row.address = f[1];
      if (f.size() == 3) {
        auto bits = host_bits_of_netmask(f[2]);
        if (bits)
          row.host_bits = *bits;
        else
          row.error = "netmask must be 255.255.255.0, 255.255.0.0 or 255.0.0.0";
      }
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace vornctl
