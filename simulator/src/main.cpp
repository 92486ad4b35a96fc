#include <cstdio>
#include <string>
#include <vector>

#include "options.h"
#include "simulator.h"

int main(int argc, char** argv) {
  const devsim::OptionsParse parsed =
      devsim::parse_options(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "vorn-devsim: %s (see --help)\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.options.help) {
    std::fputs(devsim::usage_text().c_str(), stdout);
    return 0;
  }
  if (parsed.options.version) {
    std::puts("vorn-devsim " VORNEN_DEVSIM_VERSION);
    return 0;
  }
  return devsim::run_simulator(parsed.options);
}
