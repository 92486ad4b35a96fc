// The command line, read into a command, its words and its options.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vornctl {

struct Invocation {
  std::string command;
  std::vector<std::string> words;
  std::map<std::string, std::string> options;  // --name value
  std::set<std::string> flags;                 // --json, --help
  std::string error;                           // not empty: the line is unusable
};

Invocation parse_invocation(const std::vector<std::string>& args);
std::optional<std::string> option(const Invocation& in, const std::string& name);

}  // namespace vornctl
