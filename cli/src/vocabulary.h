// What the command line may say: the options with their help lines, and the
// commands with the function that runs each, the options each takes and their
// help. The parser, the dispatch, the help and the tests read these two
// tables; the manual page and the completion script list the same.
#pragma once

#include <string>
#include <vector>

namespace vornctl {

struct CommandLine;
class Output;

// Runs a command whose line has been read; returns the exit status.
using CommandHandler = int (*)(const CommandLine& line, Output& out);

enum OptionId : int {
  kOptHelp = 'h',
  kOptVersion = 'V',
  kOptJson = 'j',
  kOptTrace = 'v',
  kOptInterface = 'i',
  kOptTimeout = 't',
  kOptNetmask = 'm',
  kOptFrom = 'f',
  kOptJobs = 'P',
  kOptTerminator = 'e',
  kOptMaxBytes = 'c',
  kOptRaw = 'r',
  // Long only.
  kOptHostBits = 256,
  kOptForce,
};

struct OptionSpec {
  int id;
  char short_name;        // 0: long only
  const char* long_name;  // without the dashes
  const char* argument;   // the value's name; nullptr for a flag
  const char* help;
};

struct CommandSpec {
  const char* name;
  CommandHandler handler;  // in commands.cpp or set_command.cpp
  const char* usage;       // after "vornctl "; several forms separated by '\n'
  const char* summary;     // one line for the list of commands
  const char* help;        // the full description
  std::vector<int> options;
  int min_words;
  int max_words;
};

inline constexpr long kDefaultMaxBytes = 16L * 1024 * 1024;
inline constexpr long kMaxJobs = 64;

const std::vector<OptionSpec>& option_table();
const std::vector<CommandSpec>& command_table();
// The options that may stand before the command.
const std::vector<int>& global_options();

const OptionSpec* find_option(int id);
const CommandSpec* find_command(const std::string& name);
bool takes_option(const CommandSpec& command, int id);
// "--netmask" or "-m/--netmask", as messages name an option.
std::string option_name(int id);

}  // namespace vornctl
