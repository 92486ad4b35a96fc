// Two segments of ten devices each, provisioned by one playbook: with two
// forks (the PCs at once) against one fork (one segment after the other),
// the same work each time. Prints the times and their ratio.
//
//   ansible_plant_bench COLLECTION_TARBALL PLAY_DIR PYTHON_DIR LIBRARY
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "plant.h"

namespace {

constexpr int kLines = 2;
constexpr int kDevices = 10;

// Every device starts at 192.168.16.(200 + i) and takes a new address while
// it has one; `base` + i is where it goes.
std::vector<plant::Line> lines(int base) {
  std::vector<plant::Line> out;
  for (int l = 1; l <= kLines; ++l) {
    plant::Line line{"line" + std::to_string(l), {}};
    for (int i = 1; i <= kDevices; ++i) {
      char mac[18];
      std::snprintf(mac, sizeof mac, "00-20-4A-B%d-00-%02d", l, i);
      line.devices.push_back({mac, "192.168.16." + std::to_string(200 + i) + "/24",
                              "192.168.16." + std::to_string(base + i) + "/24", true});
    }
    out.push_back(line);
  }
  return out;
}

double provision(const plant::Plant& p, int forks) {
  std::string output;
  const auto start = std::chrono::steady_clock::now();
  const int status = p.playbook("provision.yml", {"--forks", std::to_string(forks)}, &output);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  // Every device moved: each line's one task reports a change.
  const auto hosts = plant::recap(output);
  bool all_changed = hosts.size() == kLines;
  for (const auto& [host, counts] : hosts) all_changed = all_changed && counts.at("changed") == 1;
  if (status != 0 || !all_changed) throw std::runtime_error("the playbook failed:\n" + output);
  return took.count();
}

}  // namespace

int main(int argc, char** argv) {
  return plant::run(argc, argv, lines(100), [](plant::Plant& p) {
    const double one = provision(p, 1);
    p.set_lines(lines(150));
    const double two = provision(p, 2);
    std::printf(
        "%d segments x %d devices: one segment after the other (forks 1) %.2f s, "
        "both at once (forks 2) %.2f s: ratio %.2f\n",
        kLines, kDevices, one, two, one / two);
    return 0;
  });
}
