// The setup dialogue on TCP 9999, one connection at a time.
#pragma once

#include "device.h"
#include "options.h"

namespace devsim {

inline constexpr unsigned short kSetupPort = 9999;

// `raw_log` (may be invalid) receives every byte read on the port, all connections in a row.
void run_setup_port(Device& device, const SetupBehaviour& behaviour, UniqueFd listener,
                    UniqueFd raw_log);

}  // namespace devsim
