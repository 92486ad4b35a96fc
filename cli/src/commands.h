// The program's commands. Each returns the exit status: 0 on success, 1 on
// a failed call, 2 on a usage error.
#pragma once

#include "invocation.h"

namespace vornctl {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int run_command(const Invocation& in);
// The help of one command, or of the program for an empty name; false for an
// unknown command.
bool print_help(const std::string& command);

}  // namespace vornctl
