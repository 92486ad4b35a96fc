// The command-line tool's reader of provisioning files over any text. Only
// what any reader of this file form must keep is checked, so that the target
// stays valid as the reader grows: a refused file gives no rows; rows come in
// file order with line numbers inside the file; a row without an error
// carries a MAC in the library's form, an address in the plain dotted form
// of what the library reads it as, and a host-bit count of 0 to 32; reading
// is a pure function of the text; and a well-formed first line gives its own
// row first whatever follows it.
//
// Input: the file's text.
#include <cstdint>
#include <string>
#include <vector>

#include "batch_file.h"
#include "fuzz_input.h"
#include "platform/platform.h"
#include "text_forms.h"
#include "text_rules.h"

using vornctl::Batch;
using vornctl::BatchRow;
using vornen::fuzz::require;

namespace {

// The reader converts addresses as the library does, through the platform
// table; the system's conversion stands in for the real backend, which the
// fuzz build lacks. Nothing else of the table is used.
std::uint32_t parse_dotted(const char* text) {
  const auto value = vornen::fuzz::dotted_value(text);
  return value ? *value : vornen::platform::kAddressNone;
}

vornen::platform::Operations conversion_only() {
  vornen::platform::Operations table{};
  table.parse_dotted = parse_dotted;
  return table;
}

const vornen::platform::Operations kConversionOnly = conversion_only();

constexpr const char* kFirstLine = "00-20-4A-8D-72-33,192.168.16.100,255.255.0.0\n";

void check_batch(const Batch& batch, const std::string& text) {
  if (!batch.error.empty()) {
    require(batch.rows.empty(), "a refused file gives no rows");
    return;
  }
  // A line ends at a line feed or a carriage return, whichever a reader takes.
  std::size_t lines = 1;
  for (char ch : text) lines += ch == '\n' || ch == '\r';
  int last = 0;
  for (const BatchRow& row : batch.rows) {
    require(row.line > last, "rows come in file order, one per line at most");
    require(static_cast<std::size_t>(row.line) <= lines, "a row's line is inside the file");
    last = row.line;
    if (!row.error.empty()) continue;
    const auto value = vornen::fuzz::dotted_value(row.address);
    require(value && vornen::fuzz::dotted_text(*value) == row.address,
            "a good row's address is the plain dotted form of what the library reads");
    require(vornctl::normalise_mac(row.mac) == row.mac,
            "a good row's MAC is in the library's form");
    require(row.host_bits >= 0 && row.host_bits <= 32, "a good row has 0 to 32 host bits");
  }
}

bool same(const Batch& a, const Batch& b) {
  if (a.error != b.error || a.rows.size() != b.rows.size()) return false;
  for (std::size_t i = 0; i < a.rows.size(); ++i) {
    const BatchRow& x = a.rows[i];
    const BatchRow& y = b.rows[i];
    if (x.line != y.line || x.mac != y.mac || x.address != y.address ||
        x.host_bits != y.host_bits || x.error != y.error)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vornen::platform::use(&kConversionOnly);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  const std::string text = in.rest();
  const Batch batch = vornctl::parse_batch(text);
  check_batch(batch, text);
  require(same(batch, vornctl::parse_batch(text)), "the same text gives the same rows");

  const std::string led = kFirstLine + text;
  const Batch after = vornctl::parse_batch(led);
  check_batch(after, led);
  require(after.error.empty() && !after.rows.empty(), "a well-formed first line gives a row");
  const BatchRow& first = after.rows.front();
  require(first.line == 1 && first.error.empty() && first.mac == "00-20-4A-8D-72-33" &&
              first.address == "192.168.16.100" && first.host_bits == 16,
          "a well-formed first line gives its own row first");
  return 0;
}
