// How every program of the test bed starts and ends: the bed's own children,
// the device simulators and the programs vornen-bed-run runs.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testbed {

// Starts `argv` (a path, no shell) in network namespace `ns` (a name under
// /var/run/netns; empty: this process's own), with the signal mask and
// dispositions a fresh program expects. With `end_with_thread` the child gets
// SIGTERM when the calling thread ends, so that a test that dies leaves none
// behind. The child exits 126 when it cannot enter the namespace and 127 when
// the program cannot run, naming the cause on standard error.
// @return the child's pid, or -1 when fork failed.
pid_t start_child(const std::string& ns, const std::vector<std::string>& argv,
                  bool end_with_thread = false);

// Waits until `ready_file` exists while the child lives, for at most `timeout`.
// @return true when it appeared; false when the child exited or time ran out.
bool wait_ready(pid_t pid, const std::string& ready_file, std::chrono::milliseconds timeout);

// Sends SIGTERM and reaps the child, sending SIGKILL when it has not exited
// within `grace`; a child that has exited already is only reaped.
// @return the exit code, 128 + the signal when it was killed by one, -1 when
// not reaped.
int stop_child(pid_t pid, std::chrono::milliseconds grace);

}  // namespace testbed
