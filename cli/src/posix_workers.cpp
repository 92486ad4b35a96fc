#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "task_results.h"
#include "workers.h"

namespace vornctl {

namespace {

void add_stop_signals(sigset_t* set) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(set, sig);
}

struct Running {
  pid_t pid;
  int index;
  int pipe;  // read end
};

int read_result(int fd, int without) {
  std::int32_t result = 0;
  ssize_t n;
  do {
    n = ::read(fd, &result, sizeof result);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(sizeof result) ? result : without;
}

void reap(pid_t pid) {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Standard output, when it is a pipe or a socket: its reader can go away.
int watched_output() {
  struct stat st {};
  if (::fstat(STDOUT_FILENO, &st) != 0) return -1;
  return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? STDOUT_FILENO : -1;
}

// The stop signals, blocked for the run and read from a descriptor, so that
// one arriving between two checks is never lost; the mask is put back at
// the end.
class StopSignals {
 public:
  StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    add_stop_signals(&set);
    ::sigprocmask(SIG_BLOCK, &set, &saved_);
    fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    // Unread, they would be lost: then they end the caller as before, and
    // the workers with it.
    if (fd_ < 0) ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  }
  ~StopSignals() {
    if (fd_ >= 0) ::close(fd_);
    ::sigprocmask(SIG_SETMASK, &saved_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  int fd() const { return fd_; }
  // The signal that came, or 0.
  int take() const {
    signalfd_siginfo info{};
    ssize_t n;
    do {
      n = ::read(fd_, &info, sizeof info);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : 0;
  }
  // For a worker: the stop signals as they were before, and no descriptor.
  void leave_in_child() const {
    if (fd_ >= 0) ::close(fd_);
    sigset_t set;
    sigemptyset(&set);
    add_stop_signals(&set);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  }

 private:
  sigset_t saved_{};
  int fd_ = -1;
};

// In the worker, before its task: it dies with its parent, and keeps out of
// the terminal's process group.
void bind_to_parent(pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The parent may have ended before the line above took effect.
  if (::getppid() != parent) ::_exit(0);
  ::setpgid(0, 0);
  // Its trace goes to the terminal from outside the foreground group; with
  // `stty tostop` that would stop it for good.
  ::signal(SIGTTOU, SIG_IGN);
}

}  // namespace

const int kStopOutputClosed = SIGPIPE;

void hold_stop_requests() {
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  add_stop_signals(&stop_signals);
  ::sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

std::string stop_name(int stop) {
  switch (stop) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "signal " + std::to_string(stop);
  }
}

int run_in_workers(int count, int jobs, const std::function<int(int)>& task,
                   const std::function<void(int, int)>& done,
                   const std::function<std::vector<std::string>(int)>&) {
  const StopSignals signals;
  const int output = watched_output();
  const pid_t parent = ::getpid();
  TaskResults results(count, done);
  std::vector<Running> running;
  int next = 0;  // the next task to start
  int stop = 0;

  auto finish = [&](const Running& r, int result) {
    results.ended(r.index, result);
    ::close(r.pipe);
  };

  while (!results.all_handed()) {
    while (stop == 0 && next < count && static_cast<int>(running.size()) < jobs) {
      int ends[2];
      if (::pipe2(ends, O_CLOEXEC) != 0) break;
      // Nothing buffered may be written twice, once by each process.
      std::fflush(nullptr);
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::close(ends[0]);
        signals.leave_in_child();
        bind_to_parent(parent);
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
      // Also here, so that the group exists before the parent may signal it.
      ::setpgid(pid, pid);
      running.push_back({pid, next, ends[0]});
      ++next;
    }
    if (running.empty()) {
      // No worker could be started, or the run is stopped: what is left did
      // not run (or is lost when nothing stopped it).
      results.hand_rest(stop != 0 ? kWorkerNotRun : kWorkerLost);
      break;
    }

    if (stop == 0) {
      std::vector<pollfd> watch = {{signals.fd(), POLLIN, 0}, {output, 0, 0}};
      for (const Running& r : running) watch.push_back({r.pipe, POLLIN, 0});
      if (::poll(watch.data(), watch.size(), -1) < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        // Nothing can be watched: wait for the oldest worker alone.
        watch.assign(watch.size(), pollfd{-1, 0, 0});
        watch[2].revents = POLLIN;
      }
      if (watch[0].revents != 0) stop = signals.take();
      if (stop == 0 && (watch[1].revents & (POLLERR | POLLHUP)) != 0) stop = kStopOutputClosed;
      // A worker's pipe is readable once it wrote its result or ended.
      std::vector<Running> still;
      for (std::size_t i = 0; i < running.size(); ++i) {
        const Running& r = running[i];
        if (watch[i + 2].revents == 0) {
          still.push_back(r);
          continue;
        }
        const int result = read_result(r.pipe, kWorkerLost);
        reap(r.pid);
        finish(r, result);
      }
      running.swap(still);
    }
    if (stop != 0) {
      // A worker that handed its result back in time keeps it.
      for (const Running& r : running)
        if (::kill(-r.pid, SIGKILL) != 0) ::kill(r.pid, SIGKILL);
      for (const Running& r : running) {
        reap(r.pid);
        finish(r, read_result(r.pipe, kWorkerStopped));
      }
      running.clear();
    }
    results.hand_ready();
  }
  return stop;
}

}  // namespace vornctl
