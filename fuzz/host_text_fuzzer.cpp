// The host text check: every text is decided as the rules say, only a text
// that passes the scan reaches the address conversion, and only one that the
// conversion rejects (all-ones included) reaches the resolver. The export
// that runs the check turns a failure into -1005 and touches no socket for it.
//
// Input: one byte of flags (bit 0: the resolver knows the name), then the
// text, which ends at the input's end or at its first zero byte.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "VornEN.h"
#include "connection.h"
#include "fake_checks.h"
#include "fuzz_input.h"
#include "text_checks.h"
#include "text_rules.h"

using vornen::fuzz::require;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vornen::fake::Fake fake;
  require(vornen::check_host_text(nullptr) == -1, "a null host text fails");
  require(fake.parses() == 0 && fake.log().empty(), "a null host text is not converted");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  const bool known = (in.byte() & 1) != 0;
  const std::string text = in.text();
  // Exactly the text and its terminator: a read past it is caught.
  auto heap = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(heap.get(), text.c_str(), text.size() + 1);

  const bool scanned = vornen::fuzz::host_text_scans(text);
  const auto value = vornen::fuzz::dotted_value(text);
  // The conversion's failure value is all ones, which a text may also spell.
  const bool dotted = scanned && value && *value != 0xFFFFFFFFu;
  const bool asked = scanned && !dotted;
  const int expected = !scanned ? -1 : (dotted || known) ? 0 : -1;

  vornen::reset_connection_for_tests();
  {
    vornen::fake::Fake fake;
    if (known) fake.add_host(text, "10.11.12.13");
    const int r = vornen::check_host_text(heap.get());
    require(r == 0 || r == -1, "the host text check answers 0 or -1");
    require(r == expected, "the host text check decides as the rules say");
    require(fake.parses() == (scanned ? 1 : 0), "converted once, and only after the scan passed");
    require(fake.count("resolve ") == (asked ? 1 : 0),
            "resolved once, and only after the conversion rejected the text");
    if (asked)
      require(fake.log().front() == "resolve " + text, "the resolver gets the text itself");
    vornen::fuzz::require_clean(fake);
  }

  // A closed library: the check decides between -1005 and the connect's -100.
  vornen::fake::Fake fake;
  if (known) fake.add_host(text, "10.11.12.13");
  const int e = En_SendStr(heap.get(), "x", 1);
  require(e == (expected == 0 ? ERR_ILLEGALSTATE_ONCONNECTION : ERR_ILLEGAL_INPUT_PARAMETER),
          "En_SendStr answers -1005 for a rejected host text, else -100 when closed");
  require(fake.count("socket") == 0, "no socket without an open library");
  vornen::fuzz::require_clean(fake);
  require(vornen::connection().state == vornen::kClosed, "the state stays closed");
  return 0;
}
