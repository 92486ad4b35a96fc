#include "testbed/child.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace testbed {
namespace {

using Clock = std::chrono::steady_clock;

// Writes a message from the forked child, where only async-signal-safe calls
// are allowed.
void child_message(const char* what, const char* program) {
  [[maybe_unused]] ssize_t ignored = 0;
  for (const char* part : {"testbed: ", what, " ", program, "\n"}) {
    std::size_t length = 0;
    while (part[length] != '\0') ++length;
    ignored = ::write(STDERR_FILENO, part, length);
  }
}

int decode_status(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Reaps the child if it has exited; true when it has.
bool reap(pid_t pid, int& status) {
  pid_t r;
  while ((r = ::waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  return r == pid;
}

}  // namespace

pid_t start_child(const std::string& ns, const std::vector<std::string>& argv,
                  bool end_with_thread) {
  // Made before the fork: the child of a process with threads may not
  // allocate, another thread may have held the allocator's lock.
  std::vector<std::string> words = argv;
  std::vector<char*> args;
  for (std::string& word : words) args.push_back(word.data());
  args.push_back(nullptr);
  const std::string ns_path = "/var/run/netns/" + ns;
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid != 0) return pid < 0 ? -1 : pid;

  if (end_with_thread) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
  }
  // The bed catches these signals and its threads may block some; the
  // program gets them as usual.
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &plain, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (!ns.empty()) {
    const int fd = ::open(ns_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
      child_message("cannot enter the network namespace of", args[0]);
      ::_exit(126);
    }
    ::close(fd);
  }
  ::execv(args[0], args.data());
  child_message("cannot run", args[0]);
  ::_exit(127);
}

bool wait_ready(pid_t pid, const std::string& ready_file, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (::access(ready_file.c_str(), F_OK) != 0) {
    // Only looked at, not reaped: the owner still stops the child.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        info.si_pid == pid)
      return false;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

int stop_child(pid_t pid, std::chrono::milliseconds grace) {
  if (pid <= 0) return -1;
  int status = 0;
  if (reap(pid, status)) return decode_status(status);
  if (::kill(pid, SIGTERM) != 0) return -1;
  const auto deadline = Clock::now() + grace;
  while (Clock::now() < deadline) {
    if (reap(pid, status)) return decode_status(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  pid_t r;
  while ((r = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return r == pid ? decode_status(status) : -1;
}

}  // namespace testbed
