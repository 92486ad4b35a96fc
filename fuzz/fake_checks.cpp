#include "fake_checks.h"

#include <cstdio>

#include "fuzz_input.h"

namespace vornen::fuzz {

void require_clean(const fake::Fake& fake) {
  const auto problems = fake.problems();
  if (problems.empty()) return;
  for (const auto& p : problems) std::fprintf(stderr, "fake platform: %s\n", p.c_str());
  for (const auto& line : fake.log()) std::fprintf(stderr, "  call log: %s\n", line.c_str());
  require(false, "the library makes exactly the scripted calls, each on an open handle");
}

void compare_calls(const fake::Fake& fake, const std::vector<std::string>& expected) {
  static const char* const kKinds[] = {
      "resolve ", "socket ", "event_select ",  "connect ", "send ",  "sendto ",
      "bind ",    "wait ",   "wait_writable ", "recv ",    "sleep ", "arp ",
  };
  std::vector<std::string> made;
  for (const std::string& line : fake.log()) {
    for (const char* kind : kKinds) {
      if (line.rfind(kind, 0) == 0) {
        made.push_back(line);
        break;
      }
    }
  }
  if (made == expected) return;
  std::fprintf(stderr, "calls made:\n");
  for (const auto& line : made) std::fprintf(stderr, "  %s\n", line.c_str());
  std::fprintf(stderr, "calls expected:\n");
  for (const auto& line : expected) std::fprintf(stderr, "  %s\n", line.c_str());
  require(false, "the library makes its calls with the arguments the rules give");
}

}  // namespace vornen::fuzz
