// The command-line tool's escape decoder (\r \n \t \\ \0 \xHH): any text is
// decoded as a reference decoder written from the same rules decodes it, and
// any bytes written with any mix of the escapes decode back to themselves.
//
// Input: a mode byte; even: the text to decode; odd: pairs of a form byte
// and a data byte, each data byte written as the form byte says (0 as it
// is where it may be, 1 \x with upper-case digits, 2 \x with lower-case
// digits, 3 its named escape where it has one).
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "fuzz_input.h"
#include "text_forms.h"

using vornen::fuzz::require;

namespace {

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> reference(const std::string& t) {
  std::string out;
  std::size_t i = 0;
  while (i < t.size()) {
    if (t[i] != '\\') {
      out += t[i++];
      continue;
    }
    if (i + 1 >= t.size()) return std::nullopt;
    const char e = t[i + 1];
    const char* named = "r\rn\nt\t\\\\0\0";
    bool found = false;
    for (int k = 0; k < 5; ++k) {
      if (e == named[2 * k]) {
        out += named[2 * k + 1];
        found = true;
      }
    }
    if (found) {
      i += 2;
      continue;
    }
    if (e != 'x' || i + 3 >= t.size() || hex(t[i + 2]) < 0 || hex(t[i + 3]) < 0)
      return std::nullopt;
    out += static_cast<char>(hex(t[i + 2]) * 16 + hex(t[i + 3]));
    i += 4;
  }
  return out;
}

std::string escaped(char b, std::uint8_t form) {
  const auto u = static_cast<unsigned char>(b);
  char text[5];
  switch (form % 4) {
    case 0:
      if (b != '\\') return std::string(1, b);
      [[fallthrough]];
    case 1:
      std::snprintf(text, sizeof text, "\\x%02X", u);
      return text;
    case 2:
      std::snprintf(text, sizeof text, "\\x%02x", u);
      return text;
    default:
      switch (b) {
        case '\r':
          return "\\r";
        case '\n':
          return "\\n";
        case '\t':
          return "\\t";
        case '\\':
          return "\\\\";
        case '\0':
          return "\\0";
        default:
          std::snprintf(text, sizeof text, "\\x%02X", u);
          return text;
      }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  if ((in.byte() & 1) == 0) {
    const std::string text = in.rest();
    const auto got = vornctl::decode_escapes(text);
    const auto want = reference(text);
    require(got.has_value() == want.has_value(),
            "a text is refused exactly when an escape is broken");
    if (got) {
      require(*got == *want, "the text decodes as the rules say");
      require(got->size() <= text.size(), "decoding never lengthens a text");
    }
    return 0;
  }
  std::string bytes;
  std::string text;
  while (!in.empty()) {
    const std::uint8_t form = in.byte();
    const char b = static_cast<char>(in.byte());
    bytes += b;
    text += escaped(b, form);
  }
  const auto got = vornctl::decode_escapes(text);
  require(got.has_value() && *got == bytes, "escaped bytes decode back to themselves");
  return 0;
}
