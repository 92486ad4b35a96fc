// A soak of many mixed library calls, successes and every kind of failure,
// with a shortened wait: open descriptors, threads and resident memory after
// the first hundred calls and at the end. Runs in a test bed (root).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "VornEN.h"
#include "connection.h"
#include "testbed/run_directory.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"

namespace {

long status_field(const char* name) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(name);
  while (std::getline(in, line))
    if (line.compare(0, n, name) == 0) return std::stol(line.substr(n + 1));
  return -1;
}

struct Figures {
  int descriptors;
  long threads;
  long rss_kb;
};

Figures measure() {
  return {testbed::open_descriptors(), status_field("Threads:"), status_field("VmRSS:")};
}

constexpr const char* kMac = "00-20-4A-8D-72-33";
constexpr const char* kDevice = "192.168.16.100";
constexpr const char* kSilent = "192.168.16.101";

int one_call(int i) {
  char buffer[64];
  std::int32_t size = sizeof buffer;
  switch (i % 12) {
    case 0:
      return En_Get_IPAddress(kMac, buffer, &size);
    case 1:
      return En_Get_IPAddress("00-20-4A-00-00-99", buffer, &size);  // -1008
    case 2:
      return En_SendRecvStr(kDevice, "PING\r", 5, buffer, &size, '\r');
    case 3:
      return En_SendStr(kDevice, "PING\r", 5);
    case 4:
      return En_SendRecvStr(kSilent, "PING\r", 5, buffer, &size, '\r');  // -301
    case 5:
      return En_SendRecvStr("192.168.16.200", "PING\r", 5, buffer, &size, '\r');  // -101
    case 6:
      return i % 60 == 6 ? En_Set_IPAddress(kMac, kDevice, 8) : En_Open();
    case 7:
      return En_Set_IPAddress(kMac, "10.0.0.1", 8);  // -1007
    case 8:
      return En_SendStr("192.168.16.100 ", "x", 1);  // -1005
    case 9:
      return En_Get_IPAddress("00-20-4a-8d-72-33", buffer, &size);  // -1005
    case 10:
      return En_Get_Dll_Version(buffer, &size);
    default:
      return En_SendRecvStr(kDevice, nullptr, 0, buffer, &size, '\r');  // read only: -301
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::stoi(argv[1]) : 10000;
  if (!testbed::available() || calls < 200) {
    std::fprintf(stderr, "usage: soak [CALLS >= 200], as root\n");
    return 1;
  }
  testbed::TestBed bed;
  const testbed::RunDirectory run("soak");
  testbed::Device d1 = bed.add_device(kMac, std::string(kDevice) + "/24");
  testbed::Device d2 = bed.add_device("00-20-4A-00-00-02", std::string(kSilent) + "/24");
  pid_t s1 = testbed::start_simulator(d1.ns, {"--mac", kMac, "--log", "/dev/null"},
                                      run.file("d1.ready"), std::chrono::seconds(10));
  pid_t s2 = testbed::start_simulator(
      d2.ns, {"--mac", "00-20-4A-00-00-02", "--command-sink", "--log", "/dev/null"},
      run.file("d2.ready"), std::chrono::seconds(10));
  if (s1 <= 0 || s2 <= 0) return 1;

  std::map<int, int> results;
  std::map<std::pair<int, int>, int> by_kind;  // (kind of call, result)
  Figures early{};
  Figures end{};
  const auto start = std::chrono::steady_clock::now();
  {
    testbed::TestBed::InPc in_pc(bed);
    vornen::set_wait_timeout_ms(30);
    if (En_Open() != 0) return 1;
    for (int i = 0; i < calls; ++i) {
      const int r = one_call(i);
      ++results[r];
      ++by_kind[{i % 12 == 6 && i % 60 == 6 ? 12 : i % 12, r}];
      if (i == 99) early = measure();
    }
    end = measure();
    En_Close();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  testbed::stop_simulator(s1);
  testbed::stop_simulator(s2);

  std::printf("soak: %d calls in %.1f s; results:", calls, seconds);
  for (const auto& [code, count] : results) std::printf(" %d x%d", code, count);
  std::printf("\n  by kind of call (12 = assignment):");
  for (const auto& [kind, count] : by_kind)
    std::printf(" [%d: %d x%d]", kind.first, kind.second, count);
  std::printf("\n  after 100 calls: %d descriptors, %ld threads, %ld kB resident\n",
              early.descriptors, early.threads, early.rss_kb);
  std::printf("  at the end:      %d descriptors, %ld threads, %ld kB resident\n", end.descriptors,
              end.threads, end.rss_kb);
  const bool steady = end.descriptors == early.descriptors && end.threads == early.threads &&
                      end.rss_kb <= early.rss_kb + 256;
  std::printf("  %s\n", steady ? "steady" : "GROWING");
  return steady ? 0 : 1;
}
