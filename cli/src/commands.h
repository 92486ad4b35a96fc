// The program: reads the command line, runs the command, and returns the
// exit status (the table is in exit_codes.h).
#pragma once

#include <string>
#include <vector>

#include "command_line.h"
#include "output.h"

namespace vornctl {

int run(const std::vector<std::string>& args);

// Shared by the commands: opens the library on the adapter the options name.
// Returns 0, or the exit status of the failure, which is already reported.
int open_library(const Options& options, Output& out);

// The commands, each named in the command table (vocabulary.cpp); those that
// change the neighbour table are in set_command.cpp.
int find_command(const CommandLine& line, Output& out);
int set_command(const CommandLine& line, Output& out);
int forget_command(const CommandLine& line, Output& out);
int send_command(const CommandLine& line, Output& out);
int ask_command(const CommandLine& line, Output& out);
int scan_command(const CommandLine& line, Output& out);
int version_command(const CommandLine& line, Output& out);
int help_command(const CommandLine& line, Output& out);

}  // namespace vornctl
