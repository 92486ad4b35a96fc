#include "workers.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace vornctl {

namespace {

struct Running {
  int index;
  int pipe;  // read end
};

int read_result(int fd) {
  std::int32_t result = 0;
  ssize_t n;
  do {
    n = ::read(fd, &result, sizeof result);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(sizeof result) ? result : kWorkerLost;
}

}  // namespace

void run_in_workers(int count, int jobs, const std::function<int(int)>& task,
                    const std::function<void(int, int)>& done) {
  std::vector<int> results(static_cast<std::size_t>(count), 0);
  std::vector<bool> finished(static_cast<std::size_t>(count), false);
  std::map<pid_t, Running> running;
  int next = 0;      // the next task to start
  int reported = 0;  // tasks before this one have been passed to done()

  while (reported < count) {
    while (next < count && static_cast<int>(running.size()) < jobs) {
      int ends[2];
      if (::pipe2(ends, O_CLOEXEC) != 0) break;
      // Nothing buffered may be written twice, once by each process.
      std::fflush(nullptr);
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::close(ends[0]);
        // Whatever happens, the child never returns into the parent's code,
        // runs no exit handlers and flushes nothing the parent buffered.
        try {
          const std::int32_t result = task(next);
          ssize_t ignored = ::write(ends[1], &result, sizeof result);
          (void)ignored;
        } catch (...) {
        }
        ::_exit(0);
      }
      ::close(ends[1]);
      if (pid < 0) {
        ::close(ends[0]);
        break;
      }
      running[pid] = {next, ends[0]};
      ++next;
    }
    if (running.empty()) {
      // No worker could be started: what is left is lost.
      for (int i = reported; i < count; ++i) done(i, kWorkerLost);
      return;
    }

    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      // Our children are gone without a word: take what the pipes hold.
      for (auto& [child, r] : running) {
        results[static_cast<std::size_t>(r.index)] = read_result(r.pipe);
        finished[static_cast<std::size_t>(r.index)] = true;
        ::close(r.pipe);
      }
      running.clear();
    } else if (auto it = running.find(pid); it != running.end()) {
      const Running r = it->second;
      running.erase(it);
      results[static_cast<std::size_t>(r.index)] = read_result(r.pipe);
      finished[static_cast<std::size_t>(r.index)] = true;
      ::close(r.pipe);
    }
    while (reported < count && finished[static_cast<std::size_t>(reported)]) {
      done(reported, results[static_cast<std::size_t>(reported)]);
      ++reported;
    }
  }
}

}  // namespace vornctl
