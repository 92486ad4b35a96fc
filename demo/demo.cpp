// The demonstration: three simulated devices in private namespaces, one of
// them without an address; vornctl scans them, gives the new one its address
// by MAC, finds it again and asks it a command. With a display, SetVornIP then
// opens inside the PC namespace for a person to try. Everything is torn down
// at the end, also on an interrupt.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testbed/run_directory.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"

namespace {

struct Simulated {
  const char* mac;
  const char* address;  // empty: none yet
};

constexpr Simulated kDevices[] = {
    {"00-20-4A-8D-72-33", ""},
    {"00-20-4A-10-00-01", "192.168.16.101/24"},
    {"00-20-4A-10-00-02", "192.168.16.102/24"},
};

int g_failures = 0;

void heading(int number, const char* text) { std::printf("\n== %d. %s\n", number, text); }

void result(bool ok) {
  std::printf("-> %s\n", ok ? "ok" : "FAILED");
  if (!ok) ++g_failures;
  std::fflush(stdout);
}

// A word as a POSIX shell reads it back, so that a printed command can be
// pasted: as it is when no shell treats any of its characters specially,
// else in single quotes, a quote inside written as '\''.
std::string shell_word(const std::string& word) {
  constexpr const char* kPlain =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_./:=@%+,";
  if (!word.empty() && word.find_first_not_of(kPlain) == std::string::npos) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool vornctl(const testbed::TestBed& bed, const std::vector<std::string>& args,
             const std::string& expect = "") {
  std::vector<std::string> argv = {VORNCTL_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string command = "$ vornctl";
  for (const auto& a : args) command += " " + shell_word(a);
  std::printf("%s\n", command.c_str());
  std::fflush(stdout);
  std::string output;
  int status = testbed::run_in(bed.pc(), argv, &output, nullptr, true);
  std::fputs(output.c_str(), stdout);
  return status == 0 && output.find(expect) != std::string::npos;
}

void open_window(const testbed::TestBed& bed) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0' || ::access(SETVORNIP_PATH, X_OK) != 0) {
    std::printf("\n(no display: SetVornIP is not opened; set DISPLAY to try it by hand)\n");
    return;
  }
  std::printf("\nSetVornIP opens inside the PC namespace; close it to end the demonstration.\n");
  std::fflush(stdout);
  testbed::run_in(bed.pc(),
                  {"/usr/bin/env", std::string("LD_LIBRARY_PATH=") + LIBRARY_DIR, SETVORNIP_PATH},
                  nullptr, nullptr, true);
}

}  // namespace

int main() {
  if (!testbed::available()) {
    std::fprintf(stderr, "vorn-demo: %s\n", testbed::unavailable_reason().c_str());
    return 1;
  }
  std::printf(
      "Setting up the test bed: a PC namespace with pc0 192.168.16.1/24 and three\n"
      "simulated devices on one link.\n");
  testbed::TestBed bed;
  // The simulators' logs stay for reading after the run.
  const testbed::RunDirectory logs("vorn-demo", /*keep=*/true);
  std::vector<pid_t> simulators;
  for (const Simulated& d : kDevices) {
    testbed::Device device = bed.add_device(d.mac, d.address);
    const std::string base = logs.file(device.ns.substr(device.ns.rfind('-') + 1));
    pid_t pid = testbed::start_simulator(device.ns, {"--mac", d.mac, "--log", base + ".log"},
                                         base + ".ready", std::chrono::seconds(10));
    std::printf("  device %s %-18s %s, log %s.log\n", d.mac,
                *d.address ? d.address : "without an address",
                pid > 0 ? "running" : "FAILED to start", base.c_str());
    if (pid <= 0) {
      ++g_failures;
      continue;
    }
    simulators.push_back(pid);
  }

  heading(1, "Scan: every device that answers a discovery query");
  result(vornctl(bed, {"scan"}, "00-20-4A-10-00-02"));
  heading(2, "Set: give 00-20-4A-8D-72-33 the address 192.168.16.100 by its MAC");
  result(vornctl(bed, {"set", "00-20-4A-8D-72-33", "192.168.16.100"}));
  heading(3, "Find: look the address up again by the MAC");
  result(vornctl(bed, {"find", "00-20-4A-8D-72-33"}, "192.168.16.100"));
  heading(4, "Ask: send a command to the device's command port and show the reply");
  result(vornctl(bed, {"ask", "192.168.16.100", "VERSION\\r"}));
  heading(5, "Scan again: the new device now answers with its address");
  result(vornctl(bed, {"scan"}, "192.168.16.100"));

  if (isatty(STDIN_FILENO)) open_window(bed);
  for (pid_t pid : simulators) testbed::stop_simulator(pid);
  bed.teardown();
  std::printf("\n%s\n", g_failures == 0 ? "Every step succeeded." : "Some steps FAILED.");
  return g_failures == 0 ? 0 : 1;
}
