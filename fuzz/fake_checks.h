// Checks on the scripted fake after a library call, shared by the targets
// that drive the library.
#pragma once

#include <string>
#include <vector>

#include "platform/fake_platform.h"

namespace vornen::fuzz {

// Stops the run when the library made a call the script did not hold, left a
// scripted call unmade, or used or closed a handle after its close.
void require_clean(const fake::Fake& fake);

// Stops the run unless the fake's call log, cut down to the lines that carry
// the arguments the library passes (resolver questions, sockets, bindings,
// connects, sends, waits, reads, pauses, arp starts), is `expected`.
void compare_calls(const fake::Fake& fake, const std::vector<std::string>& expected);

}  // namespace vornen::fuzz
