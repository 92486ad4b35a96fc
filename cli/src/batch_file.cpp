#include "batch_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "text_forms.h"

namespace vornctl {

namespace {

struct Record {
  int line = 0;
  std::vector<std::string> fields;
  std::string error;
};

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Splits the text into records of fields (RFC 4180, with blank lines and #
// comment lines skipped). A quoted field may span lines.
std::vector<Record> records_of(const std::string& text) {
  std::vector<Record> out;
  std::size_t at = 0;
  int line = 1;
  while (at < text.size()) {
    // Skip a blank or comment line.
    std::size_t first = at;
    while (first < text.size() && blank(text[first])) ++first;
    const char c = first < text.size() ? text[first] : '\n';
    if (c == '\n' || c == '\r' || c == '#') {
      const std::size_t end = text.find('\n', at);
      at = end == std::string::npos ? text.size() : end + 1;
      ++line;
      continue;
    }
    Record r;
    r.line = line;
    std::string field;
    bool ended = false;
    while (!ended) {
      // One field.
      std::size_t p = at;
      while (p < text.size() && blank(text[p])) ++p;
      if (p < text.size() && text[p] == '"') {
        std::string value;
        bool closed = false;
        for (++p; p < text.size(); ++p) {
          if (text[p] == '"') {
            if (p + 1 < text.size() && text[p + 1] == '"') {
              value += '"';
              ++p;
              continue;
            }
            closed = true;
            ++p;
            break;
          }
          if (text[p] == '\n') ++line;
          value += text[p];
        }
        if (!closed && r.error.empty()) r.error = "a quoted field has no closing quote";
        while (p < text.size() && blank(text[p])) ++p;
        if (p < text.size() && text[p] != ',' && text[p] != '\n' && text[p] != '\r' &&
            r.error.empty())
          r.error = "text after a quoted field";
        field = value;
      } else {
        const std::size_t end = text.find_first_of(",\n", p);
        field = trimmed(text.substr(at, (end == std::string::npos ? text.size() : end) - at));
        if (!field.empty() && field.back() == '\r')
          field = trimmed(field.substr(0, field.size() - 1));
        p = end == std::string::npos ? text.size() : end;
      }
      // Up to the end of the field.
      while (p < text.size() && text[p] != ',' && text[p] != '\n') ++p;
      r.fields.push_back(field);
      if (p >= text.size()) {
        at = text.size();
        ended = true;
      } else if (text[p] == ',') {
        at = p + 1;
      } else {
        at = p + 1;
        ++line;
        ended = true;
      }
    }
    out.push_back(r);
  }
  return out;
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
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
  const bool shaped = columns.count != 0 ? n == columns.count : n == 2 || n == 3;
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
  // A header: the first row names a column "mac" and holds no MAC itself.
  bool header = false;
  if (!records.empty()) {
    const auto& f = records[0].fields;
    header =
        std::any_of(f.begin(), f.end(), [](const std::string& s) { return lower(s) == "mac"; }) &&
        std::none_of(f.begin(), f.end(), [](const std::string& s) { return normalise_mac(s); });
  }
  if (header) {
    columns = {-1, -1, -1, records[0].fields.size()};
    for (std::size_t i = 0; i < records[0].fields.size(); ++i) {
      const std::string name = lower(records[0].fields[i]);
      int* slot = name == "mac"       ? &columns.mac
                  : name == "address" ? &columns.address
                  : name == "netmask" ? &columns.netmask
                                      : nullptr;
      if (slot == nullptr || *slot != -1) {
        batch.error = "line " + std::to_string(records[0].line) + ": column '" +
                      records[0].fields[i] + "' of the header is " +
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
  Batch refused;
  // Not blocking: a FIFO would otherwise hold the open until a writer came.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    refused.error = "cannot open " + path + ": " + std::strerror(errno);
    return refused;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    refused.error = path + " is not a regular file";
    return refused;
  }
  const std::string too_large =
      path + " is larger than " + std::to_string(kMaxBatchBytes / 1024) + " KiB";
  if (static_cast<std::size_t>(st.st_size) > kMaxBatchBytes) {
    refused.error = too_large;
    return refused;
  }
  std::string content;
  char block[16384];
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      refused.error = "cannot read " + path + ": " + std::strerror(errno);
      return refused;
    }
    if (n == 0) break;
    content.append(block, static_cast<std::size_t>(n));
    if (content.size() > kMaxBatchBytes) {
      refused.error = too_large;
      return refused;
    }
  }
  return parse_batch(content);
}

}  // namespace vornctl
