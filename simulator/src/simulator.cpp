#include "simulator.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "address_taker.h"
#include "command_port.h"
#include "device.h"
#include "discovery.h"
#include "interface.h"
#include "setup_port.h"
#include "socket_io.h"

namespace devsim {
namespace {

int fail(Device& device, const std::string& what, int error) {
  log_error(device.log, "start failed: " + what + (error != 0 ? ": " : "") +
                            (error != 0 ? std::strerror(error) : ""));
  return 1;
}

bool same_namespace(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool namespace_of(pid_t pid, struct stat* ns) {
  return ::stat(("/proc/" + std::to_string(pid) + "/ns/net").c_str(), ns) == 0;
}

pid_t parent_of(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string word;
  while (status >> word)
    if (word == "PPid:" && status >> word) return static_cast<pid_t>(std::atoi(word.c_str()));
  return 0;
}

// The machine's own network namespace: that of process 1 where it may be
// read; in a sandbox that hides process 1, that of the oldest ancestor that
// can still be read, since whatever started a test or a shell runs there.
bool host_namespace(struct stat* host) {
  if (namespace_of(1, host)) return true;
  bool found = false;
  for (pid_t pid = ::getppid(); pid > 1; pid = parent_of(pid)) {
    struct stat ns {};
    if (!namespace_of(pid, &ns)) break;
    *host = ns;
    found = true;
  }
  return found;
}

// True when this process shares the machine's own network namespace. A name
// under /var/run/netns proves nothing: "ip netns attach" can give the host's
// namespace one. A namespace that cannot be compared counts as the host's.
bool in_host_namespace() {
  struct stat own {};
  struct stat host {};
  if (::stat("/proc/self/ns/net", &own) != 0 || !host_namespace(&host)) return true;
  return same_namespace(own, host);
}

bool write_ready_file(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!fd.valid()) return false;
  const std::string pid = std::to_string(::getpid()) + "\n";
  return ::write(fd.get(), pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
}

std::string addresses_text(const std::string& interface) {
  std::string text;
  for (const Ipv4Prefix& address : ipv4_addresses(interface)) {
    // Appended piece by piece: no temporary string grows at its front.
    text += ' ';
    text += format_ipv4(address.address);
    text += '/';
    text += std::to_string(address.prefix);
  }
  return text.empty() ? " none" : text;
}

}  // namespace

int run_simulator(const Options& options) {
  Device device;
  device.default_prefix = options.default_prefix;
  if (!options.log_path.empty() && !open_event_log(device.log, options.log_path)) {
    return fail(device, "cannot open log " + options.log_path, errno);
  }
  // Changing a MAC or an address of the machine's own interfaces would disturb a real network.
  if (!options.any_namespace && in_host_namespace()) {
    return fail(device,
                "refusing to run in the machine's own network namespace "
                "(give --any-namespace to run here anyway)",
                0);
  }
  device.interface = options.interface;
  if (device.interface.empty()) {
    std::string error;
    device.interface = find_single_interface(error);
    if (device.interface.empty()) return fail(device, error, 0);
  }
  device.index = interface_index(device.interface);
  if (device.index == 0) return fail(device, "no interface " + device.interface, errno);
  if (options.mac) {
    if (const int result = set_mac(device.interface, *options.mac); result != 0) {
      return fail(device, "cannot set MAC " + format_mac(*options.mac), -result);
    }
  }
  if (const int result = bring_up(device.interface); result != 0) {
    return fail(device, "cannot bring " + device.interface + " up", -result);
  }
  if (const int result = read_mac(device.interface, device.mac); result != 0) {
    return fail(device, "cannot read the MAC", -result);
  }
  if (options.address) {
    if (const int result = replace_addresses(device.interface, *options.address); result != 0) {
      return fail(device, "cannot set the starting address", -result);
    }
  }

  UniqueFd discovery = bind_udp(kDiscoveryPort);
  if (!discovery.valid()) return fail(device, "UDP port 30718", errno);
  UniqueFd packets = open_packet_socket(device.index);
  if (!packets.valid()) return fail(device, "packet socket", errno);
  UniqueFd setup = listen_tcp(kSetupPort);
  if (!setup.valid()) return fail(device, "TCP port 9999", errno);
  UniqueFd command = listen_tcp(kCommandPort);
  if (!command.valid()) return fail(device, "TCP port 14001", errno);
  UniqueFd setup_log;
  if (!options.setup_log_path.empty()) {
    setup_log.reset(
        ::open(options.setup_log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!setup_log.valid()) return fail(device, "cannot open " + options.setup_log_path, errno);
  }
  device.stop.reset(::eventfd(0, EFD_CLOEXEC));
  if (!device.stop.valid()) return fail(device, "eventfd", errno);

  // Signals are taken only by the sigwait below, so every thread must block them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  std::vector<std::thread> services;
  services.emplace_back(run_discovery, std::ref(device), std::cref(options.discovery),
                        std::move(discovery));
  services.emplace_back(run_address_taker, std::ref(device), options.retake, std::move(packets));
  services.emplace_back(run_setup_port, std::ref(device), std::cref(options.setup),
                        std::move(setup), std::move(setup_log));
  services.emplace_back(run_command_port, std::ref(device), std::cref(options.command_steps),
                        std::move(command));

  log_event(device.log, "ready interface " + device.interface + " mac " + format_mac(device.mac) +
                            " address" + addresses_text(device.interface));
  if (!options.ready_file.empty() && !write_ready_file(options.ready_file)) {
    log_error(device.log, "cannot write " + options.ready_file);
  }

  int signal_number = 0;
  sigwait(&signals, &signal_number);
  log_event(device.log,
            std::string("stopping on ") + (signal_number == SIGINT ? "SIGINT" : "SIGTERM"));
  const std::uint64_t one = 1;
  if (::write(device.stop.get(), &one, sizeof one) < 0) return 1;
  for (std::thread& service : services) service.join();
  if (!options.ready_file.empty()) ::unlink(options.ready_file.c_str());
  log_event(device.log, "stopped");
  return 0;
}

}  // namespace devsim
