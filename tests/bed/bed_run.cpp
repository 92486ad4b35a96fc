// vornen-bed-run: makes a test bed with simulated devices, runs one program
// inside its PC namespace, and tears everything down again. Programs that
// are not C++ tests (the Python tests, the examples, programs built against
// an installed library) meet the devices this way.
//
//   vornen-bed-run [--simulator PATH] [--device MAC[=ADDRESS/PREFIX]]...
//                  [--adapter NAME=ADDRESS/PREFIX[:MAC=ADDRESS/PREFIX]]...
//                  -- PROGRAM [ARGUMENTS...]
//
// --device adds a device on the PC's adapter pc0 (192.168.16.1/24); without
// an address it has none yet. --adapter gives the PC a further adapter on a
// link of its own, with one device behind it when a MAC follows. The program
// finds the bed in its environment: VORNEN_BED_DEVICES ("MAC=ADDRESS ...",
// the address empty for none) and VORNEN_BED_ADAPTERS ("NAME=ADDRESS/PREFIX
// ...") and VORNEN_BED_LOGS, the folder of the simulators' event logs, one
// MAC.log each. The exit status is the program's; 77 when no bed can be made here
// (not root), 2 when the bed or a simulator failed.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "testbed/child.h"
#include "testbed/run_directory.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"

namespace {

constexpr int kSkipped = 77;
constexpr int kBedFailed = 2;

struct DeviceOption {
  std::string mac;
  std::string address;  // with its prefix; empty: none
};

struct AdapterOption {
  std::string name;
  std::string address;
  DeviceOption device;  // mac empty: no device behind it
};

struct Request {
  std::string simulator = testbed::simulator_path();
  std::vector<DeviceOption> devices;
  std::vector<AdapterOption> adapters;
  std::vector<std::string> program;
};

DeviceOption parse_device(const std::string& text) {
  const auto equals = text.find('=');
  if (equals == std::string::npos) return {text, ""};
  return {text.substr(0, equals), text.substr(equals + 1)};
}

Request parse(int argc, char** argv) {
  Request r;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--") {
      ++i;
      break;
    }
    if (i + 1 >= argc) throw std::invalid_argument(word + " needs a value");
    const std::string value = argv[++i];
    if (word == "--simulator") {
      r.simulator = value;
    } else if (word == "--device") {
      r.devices.push_back(parse_device(value));
    } else if (word == "--adapter") {
      const auto equals = value.find('=');
      if (equals == std::string::npos) throw std::invalid_argument("--adapter NAME=ADDRESS");
      AdapterOption a;
      a.name = value.substr(0, equals);
      const std::string rest = value.substr(equals + 1);
      const auto colon = rest.find(':');
      a.address = rest.substr(0, colon);
      if (colon != std::string::npos) a.device = parse_device(rest.substr(colon + 1));
      r.adapters.push_back(a);
    } else {
      throw std::invalid_argument("unknown option " + word);
    }
  }
  for (; i < argc; ++i) r.program.emplace_back(argv[i]);
  if (r.program.empty()) throw std::invalid_argument("no program after --");
  return r;
}

// Starts the simulator in `ns` and waits for its ready file.
void start_simulator(testbed::TestBed& bed, const Request& r, const std::string& ns,
                     const DeviceOption& device, const std::string& log_base) {
  const std::string ready = log_base + ".ready";
  ::unlink(ready.c_str());
  const pid_t pid = bed.spawn(ns, {r.simulator, "--mac", device.mac, "--interface", "eth0", "--log",
                                   log_base + ".log", "--ready-file", ready});
  if (!testbed::wait_ready(pid, ready, std::chrono::seconds(10)))
    throw std::runtime_error("simulator for " + device.mac + " did not start; see " + log_base +
                             ".log");
}

std::string bare(const std::string& address) { return address.substr(0, address.find('/')); }

int run(const Request& r) {
  testbed::TestBed bed;
  const testbed::RunDirectory logs("vornen-bed");
  std::string devices;
  std::string adapters = "pc0=192.168.16.1/24";
  for (const DeviceOption& d : r.devices) {
    const testbed::Device made = bed.add_device(d.mac, d.address);
    start_simulator(bed, r, made.ns, d, logs.file(d.mac));
    devices += (devices.empty() ? "" : " ") + d.mac + "=" + bare(d.address);
  }
  for (const AdapterOption& a : r.adapters) {
    // A device namespace whose link goes straight to the PC's new adapter
    // instead of to the bridge behind pc0.
    bed.pc_ip({"link", "add", a.name, "type", "veth", "peer", "name", a.name + "p"});
    bed.pc_ip({"addr", "add", a.address, "dev", a.name});
    bed.pc_ip({"link", "set", a.name, "up"});
    adapters += " " + a.name + "=" + a.address;
    if (a.device.mac.empty()) continue;
    const testbed::Device made = bed.add_device(a.device.mac, "");
    bed.ip(made.ns, {"link", "del", "eth0"});
    bed.pc_ip({"link", "set", a.name + "p", "netns", made.ns});
    bed.ip(made.ns, {"link", "set", a.name + "p", "name", "eth0"});
    bed.ip(made.ns, {"link", "set", "eth0", "address", made.mac});
    if (!a.device.address.empty())
      bed.ip(made.ns, {"addr", "add", a.device.address, "dev", "eth0"});
    bed.ip(made.ns, {"link", "set", "eth0", "up"});
    start_simulator(bed, r, made.ns, a.device, logs.file(a.device.mac));
    devices += (devices.empty() ? "" : " ") + a.device.mac + "=" + bare(a.device.address);
  }
  ::setenv("VORNEN_BED_DEVICES", devices.c_str(), 1);
  ::setenv("VORNEN_BED_ADAPTERS", adapters.c_str(), 1);
  ::setenv("VORNEN_BED_LOGS", logs.path().c_str(), 1);
  const int status = testbed::run_in(bed.pc(), r.program, nullptr, nullptr, true);
  if (status != 0) {
    std::fprintf(stderr, "vornen-bed-run: the program ended with %d; simulator logs:\n", status);
    testbed::run({"/bin/sh", "-c", "tail -n 20 " + logs.path() + "/*.log >&2"}, nullptr, nullptr,
                 true);
  }
  bed.teardown();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  try {
    request = parse(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vornen-bed-run: %s\n", e.what());
    return kBedFailed;
  }
  if (!testbed::available()) {
    std::fprintf(stderr, "vornen-bed-run: skipped: %s\n", testbed::unavailable_reason().c_str());
    return kSkipped;
  }
  try {
    return run(request);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vornen-bed-run: %s\n", e.what());
    return kBedFailed;
  }
}
