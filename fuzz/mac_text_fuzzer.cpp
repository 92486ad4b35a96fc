// The MAC text parse against a reference parse: the same verdict and bytes,
// six zero bytes after a failure, nothing written beside the six bytes. The
// export that parses it answers -1005 or, closed, -100 with the buffer
// emptied and nothing else touched.
//
// Input: the text, up to the input's end or its first zero byte.
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

namespace {

constexpr std::uint8_t kFill = 0xA5;
constexpr std::size_t kGuard = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  const std::string text = in.text();
  auto heap = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(heap.get(), text.c_str(), text.size() + 1);
  const auto expected = vornen::fuzz::reference_mac(text);

  std::uint8_t area[kGuard + 6 + kGuard];
  std::memset(area, kFill, sizeof area);
  const int r = vornen::parse_mac_text(heap.get(), area + kGuard);
  require(r == 0 || r == -1, "the MAC text parse answers 0 or -1");
  require((r == 0) == expected.has_value(), "the MAC text parse decides as the reference");
  for (std::size_t i = 0; i < 6; ++i) {
    const std::uint8_t want = expected ? (*expected)[i] : 0;
    require(area[kGuard + i] == want, "the MAC bytes are the pairs' values, or zero on failure");
  }
  for (std::size_t i = 0; i < kGuard; ++i) {
    require(area[i] == kFill && area[kGuard + 6 + i] == kFill, "nothing beside the six bytes");
  }

  // En_Get_IPAddress with the library closed: -1005 before anything, or the
  // buffer emptied and -100.
  vornen::reset_connection_for_tests();
  vornen::fake::Fake fake;
  constexpr std::int32_t kCapacity = 16;
  auto buffer = std::make_unique<char[]>(kCapacity);
  std::memset(buffer.get(), 'x', kCapacity);
  std::int32_t capacity = kCapacity;
  const int e = En_Get_IPAddress(heap.get(), buffer.get(), &capacity);
  require(e == (expected ? ERR_ILLEGALSTATE_ONCONNECTION : ERR_ILLEGAL_INPUT_PARAMETER),
          "En_Get_IPAddress answers -1005 for a rejected MAC text, else -100 when closed");
  require(capacity == kCapacity, "the capacity is unchanged on failure");
  require(buffer[0] == (expected ? '\0' : 'x'), "the buffer is emptied only after the checks");
  for (int i = 1; i < kCapacity; ++i) require(buffer[i] == 'x', "only the first byte is emptied");
  require(fake.log().empty(), "no call without an open library");
  vornen::fuzz::require_clean(fake);
  return 0;
}
