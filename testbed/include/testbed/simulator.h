// Starts and stops the device simulator (vorn-devsim) for tests, inside a network namespace,
// through the bed's way of running a program (child.h).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testbed {

// The path of the vorn-devsim program this library was built with.
const char* simulator_path();

// Starts the simulator in the network namespace `netns` (a name under /var/run/netns, as
// "ip netns add" makes it; empty: the caller's own namespace) with `args`, to which
// "--ready-file READY_FILE" is added. Waits until the ready file appears.
// @return the child's pid, or -1 when it could not start, exited, or was not ready within
// `timeout` (it is stopped then). Needs root to enter another namespace.
// The simulator gets SIGTERM when the calling thread ends, so no test leaves one behind:
// call this from a thread that lives as long as the simulator should.
pid_t start_simulator(const std::string& netns, const std::vector<std::string>& args,
                      const std::string& ready_file, std::chrono::milliseconds timeout);

// Sends SIGTERM and reaps the child, sending SIGKILL when it has not exited within `grace`.
// @return the exit code, 128 + the signal when it was killed by one, -1 when not reaped.
int stop_simulator(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(5));

}  // namespace testbed
