// The help texts, made from the tables of options, commands and exit
// statuses, so that they cannot drift from what the parser takes.
#pragma once

#include <string>

namespace vornctl {

// The whole program: commands, shared options and exit statuses.
std::string program_help();
// One command: its usage, description, options and the exit statuses.
std::string command_help(const std::string& command);
// The short hint after a usage error: the usage lines and where to read on.
std::string usage_hint(const std::string& command);
// The program's version, "1.0.0.1".
const char* program_version();
// "vornctl 1.0.0.1" and the library's version text, one per line.
std::string version_text();

}  // namespace vornctl
