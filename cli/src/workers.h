// Tasks run in worker processes, a bounded number at a time. The library
// holds one connection per process, so independent calls can only run side
// by side in processes of their own. On Linux (posix_workers.cpp) each
// worker is forked from the caller (which must have no other threads then),
// runs one task and hands its result back through a pipe.
//
// A worker never outlives the caller: it is killed when the caller ends,
// however it ends (the parent-death signal), and the caller stops every
// worker when it is asked to stop (SIGINT, SIGTERM, SIGHUP) or when the
// reader of its standard output goes away. Each worker has a process group
// of its own, so that a Ctrl-C on the terminal reaches the caller alone,
// which then stops the workers and still reports.
//
// Windows has no fork (win_workers.cpp): there a worker is the program
// started again with the words `worker_words` gives for the task, which
// prints the task's result on its standard output. The workers belong to a
// job object that the system closes, killing them, when the caller ends;
// they have a process group of their own, out of reach of the console's
// Ctrl+C; a stop request (Ctrl+C, Ctrl+Break, the console closing) ends
// them and the run still reports.
#pragma once

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace vornctl {

// Results handed to done() in place of a task's own.
inline constexpr int kWorkerLost = INT_MIN;         // ended without a result (a crash)
inline constexpr int kWorkerStopped = INT_MIN + 1;  // stopped by the caller while running
inline constexpr int kWorkerNotRun = INT_MIN + 2;   // not started: the run was stopped

// Runs task(i) for i from 0 to count - 1, at most `jobs` at a time, each in
// a process of its own. done(i, result) is called in the parent in index
// order, as soon as task i and every task before it have ended; after a
// stop, for every task left, with the result the task gave before it was
// stopped or kWorkerStopped or kWorkerNotRun.
//
// Returns 0 when every task ran, or what stopped the run: a stop request
// (on Linux the signal), or kStopOutputClosed when standard output is a
// pipe or socket whose reader went away.
//
// `worker_words` (Windows only) gives the program's words that run task i
// in a process of its own; without it the tasks run one after the other in
// the caller.
int run_in_workers(int count, int jobs, const std::function<int(int)>& task,
                   const std::function<void(int, int)>& done,
                   const std::function<std::vector<std::string>(int)>& worker_words = nullptr);

// From here to the end of the process a stop request (on Linux SIGINT,
// SIGTERM and SIGHUP) is held for run_in_workers to take, never a death
// that would cut a report short; a reader that goes away shows as a failed
// write, not as SIGPIPE. A request that comes after the run stays unheeded.
void hold_stop_requests();

// What run_in_workers returns when the reader of standard output went away.
extern const int kStopOutputClosed;

// The name of what stopped a run, for the report: "SIGINT", "Ctrl+C", ...
std::string stop_name(int stop);

}  // namespace vornctl
