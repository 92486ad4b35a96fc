// Tasks run in worker processes, a bounded number at a time. The library
// holds one connection per process, so independent calls can only run side
// by side in processes of their own. Each worker is forked from the caller
// (which must have no other threads then), runs one task and hands its
// result back through a pipe.
//
// A worker never outlives the caller: it is killed when the caller ends,
// however it ends (the parent-death signal), and the caller stops every
// worker when it is asked to stop (SIGINT, SIGTERM, SIGHUP) or when the
// reader of its standard output goes away. Each worker has a process group
// of its own, so that a Ctrl-C on the terminal reaches the caller alone,
// which then stops the workers and still reports.
#pragma once

#include <signal.h>

#include <climits>
#include <functional>

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
// While it runs, SIGINT, SIGTERM and SIGHUP are held blocked and taken as
// the request to stop. Returns 0 when every task ran, or what stopped the
// run: the signal, or SIGPIPE when standard output is a pipe or socket whose
// reader went away.
int run_in_workers(int count, int jobs, const std::function<int(int)>& task,
                   const std::function<void(int, int)>& done);

// The signals run_in_workers takes as the request to stop.
void add_stop_signals(sigset_t* set);

}  // namespace vornctl
