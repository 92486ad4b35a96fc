// The command line read with getopt_long: options before the command (those
// every command shares), the command, then its own options and words in any
// order; "--" ends the options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornctl {

struct Options {
  bool help = false;
  bool version = false;
  bool json = false;
  bool trace = false;
  bool force = false;
  bool raw = false;
  std::optional<std::string> interface;
  std::optional<std::string> timeout;
  std::optional<std::string> netmask;
  std::optional<std::string> host_bits;
  std::optional<std::string> from;
  std::optional<std::string> jobs;
  std::optional<std::string> terminator;
  std::optional<std::string> max_bytes;
};

struct CommandLine {
  std::string command;  // empty when none was given
  std::vector<std::string> words;
  Options options;
  // Not empty: the line is unusable, for the reason given. Parsing goes on
  // past the first error so that --help and --json are still known.
  std::string error;
};

CommandLine parse_command_line(const std::vector<std::string>& args);

}  // namespace vornctl
