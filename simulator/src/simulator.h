// Starts every service of the device on its interface and runs until SIGTERM or SIGINT.
#pragma once

#include "options.h"

namespace devsim {

// Returns the process exit code: 0 after a clean stop, 1 when the device could not start.
int run_simulator(const Options& options);

}  // namespace devsim
