// The workers on Windows: no fork, so the tasks run one after the other in
// the caller. A console's Ctrl+C, Ctrl+Break or closing, and the user
// logging off or the system shutting down, are held as the request to stop:
// the running task ends (it is bounded by the library's waits), and the
// tasks after it are not run.
#include <atomic>
#include <cstdio>

#include "platform/win_system.h"
#include "workers.h"

namespace vornctl {

namespace {

// What stopped the run: 0 for nothing, else the console event plus one (a
// Ctrl+C is event 0).
std::atomic<int> g_stop{0};

BOOL WINAPI take_stop(DWORD event) {
  int expected = 0;
  g_stop.compare_exchange_strong(expected, static_cast<int>(event) + 1);
  // Held: the report still comes. Windows ends the process anyway a few
  // seconds after a console's closing, logoff or shutdown.
  return TRUE;
}

bool output_closed() {
  // A pipe whose reader went away fails the next write; the C runtime keeps
  // that in the stream's error mark.
  return std::ferror(stdout) != 0;
}

}  // namespace

const int kStopOutputClosed = 100;

void hold_stop_requests() { ::SetConsoleCtrlHandler(take_stop, TRUE); }

std::string stop_name(int stop) {
  switch (stop - 1) {
    case CTRL_C_EVENT:
      return "Ctrl+C";
    case CTRL_BREAK_EVENT:
      return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
      return "the console closing";
    case CTRL_LOGOFF_EVENT:
      return "logoff";
    case CTRL_SHUTDOWN_EVENT:
      return "shutdown";
    default:
      return stop == kStopOutputClosed ? "a closed standard output"
                                       : "stop " + std::to_string(stop);
  }
}

int run_in_workers(int count, int, const std::function<int(int)>& task,
                   const std::function<void(int, int)>& done) {
  int stop = 0;
  for (int i = 0; i < count; ++i) {
    if (stop == 0) stop = g_stop.load();
    if (stop == 0 && output_closed()) stop = kStopOutputClosed;
    done(i, stop != 0 ? kWorkerNotRun : task(i));
  }
  return stop;
}

}  // namespace vornctl
