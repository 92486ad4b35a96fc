// The host text check: every text is decided as the rules say, only a text
// that passes the scan reaches the address conversion, and only one that the
// conversion rejects reaches the resolver. The export that runs the check
// turns a failure into -1005 and touches no socket for it.
//
// Input: one byte of flags (bit 0: the resolver knows the name), then the
// text, which ends at the input's end or at its first zero byte.
#include <arpa/inet.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "VornEN.h"
#include "connection.h"
#include "fuzz_platform.h"
#include "text_checks.h"

using vornen::fuzz::require;

namespace {

bool permitted(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == '.';
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vornen::fuzz::install();
  vornen::fuzz::start({});
  require(vornen::check_host_text(nullptr) == -1, "a null host text fails");
  require(vornen::fuzz::record().parse_calls == 0, "a null host text is not converted");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  vornen::fuzz::Script script;
  script.resolves = (in.byte() & 1) != 0;
  const std::string text = in.bytes(size).c_str();
  // Exactly the text and its terminator: a read past it is caught.
  auto heap = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(heap.get(), text.c_str(), text.size() + 1);

  bool scanned = !text.empty() && text.size() <= static_cast<std::size_t>(vornen::kHostTextMax);
  for (std::size_t i = 0; scanned && i < text.size(); ++i)
    scanned = permitted(static_cast<unsigned char>(text[i]));
  in_addr a{};
  const bool dotted = scanned && ::inet_aton(text.c_str(), &a) != 0;
  const int expected = !scanned ? -1 : (dotted || script.resolves) ? 0 : -1;

  vornen::reset_connection_for_tests();
  vornen::fuzz::start(script);
  const int r = vornen::check_host_text(heap.get());
  const auto& rec = vornen::fuzz::record();
  require(r == 0 || r == -1, "the host text check answers 0 or -1");
  require(r == expected, "the host text check decides as the rules say");
  require(rec.parse_calls == (scanned ? 1 : 0), "converted once, and only after the scan passed");
  require(rec.resolve_calls == (scanned && !dotted ? 1 : 0),
          "resolved once, and only after the conversion rejected the text");
  if (scanned) require(rec.last_name == text, "the platform is asked about the text itself");

  // A closed library: the check decides between -1005 and the connect's -100.
  vornen::fuzz::start(script);
  const int e = En_SendStr(heap.get(), "x", 1);
  require(e == (expected == 0 ? ERR_ILLEGALSTATE_ONCONNECTION : ERR_ILLEGAL_INPUT_PARAMETER),
          "En_SendStr answers -1005 for a rejected host text, else -100 when closed");
  require(vornen::fuzz::record().sockets_made == 0, "no socket without an open library");
  require(vornen::connection().state == vornen::kClosed, "the state stays closed");
  return 0;
}
