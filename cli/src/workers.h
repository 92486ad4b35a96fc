// Tasks run in worker processes, a bounded number at a time. The library
// holds one connection per process, so independent calls can only run side
// by side in processes of their own. Each worker is forked from the caller
// (which must have no other threads then), runs one task and hands its
// result back through a pipe.
#pragma once

#include <climits>
#include <functional>

namespace vornctl {

// The result of a worker that ended without handing one back (a crash).
inline constexpr int kWorkerLost = INT_MIN;

// Runs task(i) for i from 0 to count - 1, at most `jobs` at a time, each in
// a process of its own. done(i, result) is called in the parent in index
// order, as soon as task i and every task before it have ended.
void run_in_workers(int count, int jobs, const std::function<int(int)>& task,
                    const std::function<void(int, int)>& done);

}  // namespace vornctl
