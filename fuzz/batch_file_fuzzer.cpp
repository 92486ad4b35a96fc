// The command-line tool's reader of provisioning files over any text. Only
// what any reader of this file form must keep is checked, so that the target
// stays valid as the reader grows: rows come in file order with line numbers
// inside the file, a row without an error carries a MAC, an address and the
// host-bit count of a netmask the devices take, reading is a pure function
// of the text, and a well-formed first line gives its own row first whatever
// follows it.
//
// Input: the file's text.
#include <cstdint>
#include <string>
#include <vector>

#include "batch_file.h"
#include "fuzz_input.h"

using vornctl::BatchRow;
using vornen::fuzz::require;

namespace {

constexpr const char* kFirstLine = "00-20-4A-8D-72-33,192.168.16.100,255.255.0.0\n";

void check_rows(const std::vector<BatchRow>& rows, const std::string& text) {
  // A line ends at a line feed or a carriage return, whichever a reader takes.
  std::size_t lines = 1;
  for (char ch : text) lines += ch == '\n' || ch == '\r';
  int last = 0;
  for (const BatchRow& row : rows) {
    require(row.line > last, "rows come in file order, one per line at most");
    require(static_cast<std::size_t>(row.line) <= lines, "a row's line is inside the file");
    last = row.line;
    if (!row.error.empty()) continue;
    require(!row.mac.empty() && !row.address.empty(), "a good row has a MAC and an address");
    require(row.host_bits == 8 || row.host_bits == 16 || row.host_bits == 24,
            "a good row has the host bits of a netmask the devices take");
  }
}

bool same(const std::vector<BatchRow>& a, const std::vector<BatchRow>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].line != b[i].line || a[i].mac != b[i].mac || a[i].address != b[i].address ||
        a[i].host_bits != b[i].host_bits || a[i].error != b[i].error)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  const std::string text = in.rest();
  const std::vector<BatchRow> rows = vornctl::parse_batch(text);
  check_rows(rows, text);
  require(same(rows, vornctl::parse_batch(text)), "the same text gives the same rows");

  const std::string led = kFirstLine + text;
  const std::vector<BatchRow> after = vornctl::parse_batch(led);
  check_rows(after, led);
  require(!after.empty(), "a well-formed line gives a row");
  const BatchRow& first = after.front();
  require(first.line == 1 && first.error.empty() && first.mac == "00-20-4A-8D-72-33" &&
              first.address == "192.168.16.100" && first.host_bits == 16,
          "a well-formed first line gives its own row first");
  return 0;
}
