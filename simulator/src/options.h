// The command line of vorn-devsim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "address_text.h"
#include "command_script.h"

namespace devsim {

struct DiscoveryBehaviour {
  std::vector<int> before_lengths;  // extra datagrams sent before the reply
  std::optional<Mac> reply_mac;     // another device's MAC in the reply
  bool silent = false;
  int delay_ms = 0;
  int flood_count = 0;  // replies with foreign MACs sent before the real one
  int flood_interval_ms = 0;
};

struct SetupBehaviour {
  bool silent = false;         // never sends a byte
  bool no_menu = false;        // greets, but does not answer the M
  long long reset_after = -1;  // RST once this many bytes arrived on a connection; -1: never
};

struct Options {
  bool help = false;
  bool version = false;
  std::string interface;  // empty: the single non-loopback interface
  std::optional<Mac> mac;
  std::optional<Ipv4Prefix> address;
  int default_prefix = 24;
  bool retake = false;         // take a new address even when it has one
  bool any_namespace = false;  // run outside the namespaces of "ip netns add" too
  std::string log_path;
  std::string setup_log_path;
  std::string ready_file;
  DiscoveryBehaviour discovery;
  SetupBehaviour setup;
  std::vector<CommandStep> command_steps = echo_script();
};

struct OptionsParse {
  Options options;
  std::string error;  // empty when the command line is good
};

// `args` excludes the program name. A --command-script file is read here.
OptionsParse parse_options(const std::vector<std::string>& args);

std::string usage_text();

}  // namespace devsim
