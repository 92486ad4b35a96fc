// How long a scan of many devices takes against what the protocol itself
// needs: the 10 ms pause after the query, one 10 ms pause per reply, and the
// one full wait that ends the scan. Runs in a test bed (root).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "scan.h"
#include "testbed/run_directory.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"

int main(int argc, char** argv) {
  const int devices = argc > 1 ? std::stoi(argv[1]) : 50;
  if (!testbed::available() || devices < 1 || devices > 150) {
    std::fprintf(stderr, "usage: scan_bench [DEVICES 1..150], as root\n");
    return 1;
  }
  testbed::TestBed bed;
  const testbed::RunDirectory run("scan-bench");
  std::vector<pid_t> simulators;
  for (int i = 0; i < devices; ++i) {
    char mac[24];
    std::snprintf(mac, sizeof mac, "00-20-4A-00-01-%02X", i & 0xFF);
    const std::string address = "192.168.16." + std::to_string(101 + i) + "/24";
    testbed::Device d = bed.add_device(mac, address);
    pid_t pid = testbed::start_simulator(d.ns, {"--mac", mac, "--log", "/dev/null"},
                                         run.file(d.ns + ".ready"), std::chrono::seconds(10));
    if (pid <= 0) {
      std::fprintf(stderr, "simulator %d did not start\n", i);
      return 1;
    }
    simulators.push_back(pid);
  }

  int found_count = 0;
  double seconds = 0;
  {
    testbed::TestBed::InPc in_pc(bed);
    if (En_Open() != 0) return 1;
    std::vector<vornen::FoundDevice> found;
    const auto start = std::chrono::steady_clock::now();
    int r = vornen::scan_devices(&found);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    found_count = static_cast<int>(found.size());
    En_Close();
    if (r != 0) std::fprintf(stderr, "scan ended with %d\n", r);
  }
  for (pid_t pid : simulators) testbed::stop_simulator(pid);

  const double floor = (10 + 10.0 * devices + vornen::wait_timeout_ms()) / 1000.0;
  std::printf(
      "scan of %d simulated devices: %d found in %.3f s; protocol floor %.3f s "
      "(query pause + %d reply pauses + one %d ms wait); ratio %.3f\n",
      devices, found_count, seconds, floor, devices, vornen::wait_timeout_ms(), seconds / floor);
  return found_count == devices ? 0 : 1;
}
