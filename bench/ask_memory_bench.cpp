// The memory vornctl ask needs for a large reply: the peak resident size of
// the vornctl process (its rusage at exit) for a reply of 100 MB in each
// output form, against the same for a reply of a few bytes. The library
// writes the reply into an area vornctl reserves, so a reply of N bytes
// should cost about N bytes above the small reply's peak, whatever form is
// printed; the JSON form holds the reply again as text and as hex. Runs in a
// test bed (root); prints figures, asserts nothing.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "testbed/run_directory.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"

namespace {

constexpr long kReplyBytes = 100'000'000;
constexpr double kReplyMib = kReplyBytes / (1024.0 * 1024.0);

struct Run {
  int status = -1;
  double peak_mib = 0;
};

// Runs vornctl with its output to /dev/null and returns its exit status and
// peak resident size.
Run run_vornctl(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {VORNCTL_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  Run run;
  const pid_t pid = ::fork();
  if (pid < 0) return run;
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return run;
}

}  // namespace

int main() {
  if (!testbed::available()) {
    std::fprintf(stderr, "ask_memory_bench: %s\n", testbed::unavailable_reason().c_str());
    return 1;
  }
  testbed::TestBed bed;
  const testbed::RunDirectory run_dir("ask-memory-bench");
  std::vector<pid_t> simulators;
  const std::vector<std::pair<std::string, std::vector<std::string>>> devices = {
      {"00-20-4A-00-03-01", {}},
      {"00-20-4A-00-03-02", {"--command-large", std::to_string(kReplyBytes)}},
  };
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const auto& [mac, extra] = devices[i];
    testbed::Device d = bed.add_device(mac, "192.168.16." + std::to_string(101 + i) + "/24");
    std::vector<std::string> args = {"--mac", mac, "--log", "/dev/null"};
    args.insert(args.end(), extra.begin(), extra.end());
    const pid_t pid = testbed::start_simulator(d.ns, args, run_dir.file(d.ns + ".ready"),
                                               std::chrono::seconds(10));
    if (pid <= 0) {
      std::fprintf(stderr, "simulator %s did not start\n", mac.c_str());
      return 1;
    }
    simulators.push_back(pid);
  }

  bool all_ok = true;
  {
    testbed::TestBed::InPc in_pc(bed);
    const std::string limit = std::to_string(kReplyBytes + 1);
    const Run small = run_vornctl({"ask", "192.168.16.101", "HELLO\\r"});
    std::printf("ask, reply of 9 bytes: peak RSS %.1f MiB\n", small.peak_mib);
    all_ok = small.status == 0;
    for (const char* form : {"", "--raw", "--json"}) {
      std::vector<std::string> args = {"ask", "192.168.16.102", "Q\\r", "-c", limit};
      if (*form != '\0') args.emplace_back(form);
      const Run large = run_vornctl(args);
      const double above = large.peak_mib - small.peak_mib;
      std::printf(
          "ask %-6s reply of %.0f MB: peak RSS %.1f MiB, %.1f MiB above the small reply "
          "(%.2f x the reply; goal about 1 for text and --raw)%s\n",
          *form != '\0' ? form : "(text)", kReplyBytes / 1e6, large.peak_mib, above,
          above / kReplyMib, large.status == 0 ? "" : " FAILED");
      all_ok = all_ok && large.status == 0;
    }
  }
  for (pid_t pid : simulators) testbed::stop_simulator(pid);
  return all_ok ? 0 : 1;
}
