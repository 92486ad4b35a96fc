#include "batch_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "console.h"
#include "file_input.h"
#include "text_forms.h"

namespace vornctl {

namespace {

struct Record {
  int line = 0;
  std::vector<std::string> fields;
  std::string error;
};

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// Spreadsheets save "CSV UTF-8" with a byte-order mark in front.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The lines of the text without their line ends (LF or CR LF), each with its
// number; blank lines and # comment lines are left out.
std::vector<std::pair<int, std::string_view>> lines_of(std::string_view text) {
  std::vector<std::pair<int, std::string_view>> out;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    out.emplace_back(number, line);
  }
  return out;
}

// The separator of the file: a semicolon when the first line holds more of
// them than commas outside quotes (the CSV of locales that write decimal
// commas), else a comma.
char separator_of(std::string_view first_line) {
  int commas = 0;
  int semicolons = 0;
  bool quoted = false;
  for (char c : first_line) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    commas += c == ',';
    semicolons += c == ';';
  }
  return semicolons > commas ? ';' : ',';
}

// The fields of one line (RFC 4180 quoting, "" for a quote inside). No field
// of this file holds a line break, so a quote still open at the end of the
// line is an error of that line alone. Empty fields at the end (the empty
// columns a spreadsheet saves as ",,") are dropped.
Record record_of(int number, std::string_view line, char separator) {
  Record r;
  r.line = number;
  std::size_t p = 0;
  for (;;) {
    while (p < line.size() && blank(line[p])) ++p;
    if (p < line.size() && line[p] == '"') {
      std::string value;
      bool closed = false;
      for (++p; p < line.size(); ++p) {
        if (line[p] == '"') {
          if (p + 1 < line.size() && line[p + 1] == '"') {
            value += '"';
            ++p;
            continue;
          }
          closed = true;
          ++p;
          break;
        }
        value += line[p];
      }
      r.fields.push_back(value);
      if (!closed) {
        r.error = "a quoted field has no closing quote";
        break;
      }
      while (p < line.size() && blank(line[p])) ++p;
      if (p < line.size() && line[p] != separator) {
        r.error = "text after a quoted field";
        break;
      }
    } else {
      const std::size_t end = std::min(line.find(separator, p), line.size());
      r.fields.push_back(trimmed(line.substr(p, end - p)));
      p = end;
    }
    if (p >= line.size()) break;
    ++p;  // the separator
  }
  while (!r.fields.empty() && r.fields.back().empty()) r.fields.pop_back();
  return r;
}

std::vector<Record> records_of(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    text.remove_prefix(kByteOrderMark.size());
  const auto lines = lines_of(text);
  std::vector<Record> out;
  if (lines.empty()) return out;
  const char separator = separator_of(lines.front().second);
  out.reserve(lines.size());
  for (const auto& [number, line] : lines) out.push_back(record_of(number, line, separator));
  return out;
}

enum class Column { kNone, kMac, kAddress, kNetmask };

// A column as people name it in a header: "mac", "MAC Address",
// "ip_address", "Subnet Mask", ... (any case; spaces, - and _ ignored).
Column column_named(const std::string& name) {
  std::string key;
  for (char c : name)
    if (c != ' ' && c != '-' && c != '_' && c != '\t')
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* n : {"mac", "macaddress", "hwaddress", "hardwareaddress"})
    if (key == n) return Column::kMac;
  for (const char* n : {"address", "ip", "ipaddress", "ipv4", "ipv4address"})
    if (key == n) return Column::kAddress;
  for (const char* n : {"netmask", "mask", "subnetmask", "subnet"})
    if (key == n) return Column::kNetmask;
  return Column::kNone;
}

struct Columns {
  int mac = 0;
  int address = 1;
  int netmask = 2;
  std::size_t count = 0;  // 0: no header, two or three fields
};

BatchRow row_of(const Record& record, const Columns& columns) {
  BatchRow row;
  row.line = record.line;
  row.error = record.error;
  const std::size_t n = record.fields.size();
  // Empty trailing fields are gone, so a row may be shorter than the header
  // by its empty last columns, never by the MAC or the address.
  const std::size_t needed = static_cast<std::size_t>(std::max(columns.mac, columns.address)) + 1;
  const bool shaped = columns.count != 0 ? n >= needed && n <= columns.count : n == 2 || n == 3;
  if (row.error.empty() && !shaped)
    row.error = columns.count != 0 ? "expected " + std::to_string(columns.count) + " fields"
                                   : "expected MAC,ADDRESS[,NETMASK]";
  auto field = [&](int index) {
    return index >= 0 && static_cast<std::size_t>(index) < n ? record.fields[index] : std::string();
  };
  row.mac = field(columns.mac);
  const std::string address = field(columns.address);
  const std::string netmask = field(columns.netmask);
  row.address = address;
  if (!row.error.empty()) return row;

  const auto mac = normalise_mac(row.mac);
  if (!mac) {
    row.error = "not a MAC address: '" + row.mac + "'";
    return row;
  }
  row.mac = *mac;
  const auto to_set = parse_address_to_set(address, &row.error);
  if (!to_set) return row;
  row.address = to_set->address;
  if (to_set->host_bits) row.host_bits = *to_set->host_bits;
  if (!netmask.empty()) {
    const auto bits = host_bits_of_netmask(netmask);
    if (!bits)
      row.error = "not a netmask: '" + netmask + "'";
    else if (to_set->host_bits && *to_set->host_bits != *bits)
      row.error = "the prefix and the netmask differ";
    else
      row.host_bits = *bits;
  }
  return row;
}

}  // namespace

Batch parse_batch(const std::string& content) {
  Batch batch;
  const std::vector<Record> records = records_of(content);
  Columns columns;
  std::size_t first = 0;
  // A header: the first row names the MAC column and holds no MAC itself.
  bool header = false;
  if (!records.empty()) {
    const auto& f = records[0].fields;
    header =
        std::any_of(f.begin(), f.end(),
                    [](const std::string& s) { return column_named(s) == Column::kMac; }) &&
        std::none_of(f.begin(), f.end(), [](const std::string& s) { return normalise_mac(s); });
  }
  if (header) {
    const Record& names = records[0];
    if (!names.error.empty()) {
      batch.error = "line " + std::to_string(names.line) + ": " + names.error;
      return batch;
    }
    columns = {-1, -1, -1, names.fields.size()};
    for (std::size_t i = 0; i < names.fields.size(); ++i) {
      const Column column = column_named(names.fields[i]);
      int* slot = column == Column::kMac       ? &columns.mac
                  : column == Column::kAddress ? &columns.address
                  : column == Column::kNetmask ? &columns.netmask
                                               : nullptr;
      if (slot == nullptr || *slot != -1) {
        batch.error = "line " + std::to_string(names.line) + ": column '" + names.fields[i] +
                      "' of the header is " +
                      (slot == nullptr ? "unknown (mac, address, netmask)" : "given twice");
        return batch;
      }
      *slot = static_cast<int>(i);
    }
    if (columns.address < 0) {
      batch.error = "the header names no address column";
      return batch;
    }
    first = 1;
  }
  for (std::size_t i = first; i < records.size(); ++i)
    batch.rows.push_back(row_of(records[i], columns));
  return batch;
}

Batch read_batch_file(const std::string& path) {
  FileInput in = read_small_file(path, kMaxBatchBytes);
  Batch refused;
  switch (in.status) {
    case FileStatus::Read:
      return parse_batch(in.content);
    case FileStatus::CannotOpen:
      refused.error = "cannot open " + path + ": " + system_error_text(in.error);
      break;
    case FileStatus::NotRegular:
      refused.error = path + " is not a regular file";
      break;
    case FileStatus::TooLarge:
      refused.error = path + " is larger than " + std::to_string(kMaxBatchBytes / 1024) + " KiB";
      break;
    case FileStatus::CannotRead:
      refused.error = "cannot read " + path + ": " + system_error_text(in.error);
      break;
  }
  return refused;
}

}  // namespace vornctl
