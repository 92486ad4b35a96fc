// The command port on TCP 14001: runs the command script on each connection, one at a time.
#pragma once

#include <vector>

#include "command_script.h"
#include "device.h"

namespace devsim {

inline constexpr unsigned short kCommandPort = 14001;

// The bytes of a "large" reply from `offset` on: letters A to Z over and over, never a CR.
std::string large_pattern(std::size_t offset, std::size_t length);

void run_command_port(Device& device, const std::vector<CommandStep>& steps, UniqueFd listener);

}  // namespace devsim
