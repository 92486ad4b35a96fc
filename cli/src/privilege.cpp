#include "privilege.h"

#include <fstream>
#include <string>

namespace vornctl {

bool may_change_neighbours() {
  constexpr int kCapNetAdmin = 12;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("CapEff:", 0) == 0) {
      unsigned long long caps = std::stoull(line.substr(7), nullptr, 16);
      return (caps >> kCapNetAdmin) & 1ULL;
    }
  }
  return false;
}

}  // namespace vornctl
