// Provisioning many devices from a file with vornctl set --from, one at a
// time and ten at a time, against the protocol's own floor for one device
// (the pauses of an assignment and its four round trips). Runs in a test bed
// (root) against 50 simulated devices that already hold the addresses the
// file gives them, as protocol_bench's device does; prints figures, asserts
// nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "testbed/run_directory.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"
#include "timing.h"

namespace {

using bench::Clock;
using bench::median;
using bench::ms_since;
using bench::round_trip_ms;

}  // namespace

int main() {
  if (!testbed::available()) {
    std::fprintf(stderr, "provision_bench: %s\n", testbed::unavailable_reason().c_str());
    return 1;
  }
  constexpr int kDevices = 50;
  constexpr int kRuns = 3;
  testbed::TestBed bed;
  const testbed::RunDirectory run_dir("provision-bench");
  std::vector<pid_t> simulators;
  const std::string csv = run_dir.file("devices.csv");
  {
    std::ofstream rows(csv);
    rows << "mac,address\n";
    for (int i = 0; i < kDevices; ++i) {
      char mac[24];
      std::snprintf(mac, sizeof mac, "00-20-4A-00-02-%02X", i);
      const std::string address = "192.168.16." + std::to_string(101 + i);
      testbed::Device d = bed.add_device(mac, address + "/24");
      pid_t pid = testbed::start_simulator(d.ns, {"--mac", mac, "--log", "/dev/null"},
                                           run_dir.file(d.ns + ".ready"), std::chrono::seconds(10));
      if (pid <= 0) {
        std::fprintf(stderr, "simulator %d did not start\n", i);
        return 1;
      }
      simulators.push_back(pid);
      rows << mac << "," << address << "\n";
    }
  }

  std::vector<double> one, ten;
  double rtt = 0;
  bool all_ok = true;
  {
    // vornctl is started from this thread, in the PC namespace, without the
    // cost of "ip netns exec".
    testbed::TestBed::InPc in_pc(bed);
    rtt = round_trip_ms("192.168.16.101");
    for (int run = 0; run < kRuns; ++run) {
      for (const char* jobs : {"1", "10"}) {
        std::string out;
        const auto start = Clock::now();
        const int status =
            testbed::run({VORNCTL_PATH, "set", "--from", csv, "--jobs", jobs}, &out, nullptr);
        const double ms = ms_since(start);
        (std::string(jobs) == "1" ? one : ten).push_back(ms);
        const bool ok =
            status == 0 && out.find("50 rows: 50 provisioned, 0 failed") != std::string::npos;
        if (!ok) std::fprintf(stderr, "--jobs %s: status %d\n%s", jobs, status, out.c_str());
        all_ok = all_ok && ok;
      }
    }
  }
  for (pid_t pid : simulators) testbed::stop_simulator(pid);

  // Two connect pauses, the pause before "S0" and five record pauses; round
  // trips: the touch's refusal, the setup connect, the greeting and the menu.
  const double floor = 20 + 20 + 1 + 5 * 10 + 4 * rtt;
  const double serial_floor = kDevices * floor;
  const double parallel_floor = (kDevices / 10) * floor;
  std::printf("one device's floor: %.2f ms (91 ms of pauses + 4 round trips of %.3f ms)\n", floor,
              rtt);
  std::printf(
      "set --from, %d devices, --jobs 1: median %.1f ms over %d runs; floor 50 x %.2f = %.1f "
      "ms; ratio %.3f (goal <= 1.10)\n",
      kDevices, median(one), kRuns, floor, serial_floor, median(one) / serial_floor);
  std::printf(
      "set --from, %d devices, --jobs 10: median %.1f ms over %d runs; floor 5 x %.2f = %.1f "
      "ms; ratio %.3f (goal <= 1.5)\n",
      kDevices, median(ten), kRuns, floor, parallel_floor, median(ten) / parallel_floor);
  return all_ok ? 0 : 1;
}
