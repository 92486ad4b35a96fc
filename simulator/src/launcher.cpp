#include "devsim/launcher.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace devsim {
namespace {

using Clock = std::chrono::steady_clock;

// Writes a message from the forked child, where only async-signal-safe calls are allowed.
void child_message(const char* what) {
  const char prefix[] = "vorn-devsim launcher: ";
  [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, prefix, sizeof prefix - 1);
  std::size_t length = 0;
  while (what[length] != '\0') ++length;
  ignored = ::write(STDERR_FILENO, what, length);
  ignored = ::write(STDERR_FILENO, "\n", 1);
}

int decode_status(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Reaps the child if it has exited; true when it has.
bool reap(pid_t pid, int& status) { return ::waitpid(pid, &status, WNOHANG) == pid; }

}  // namespace

const char* simulator_path() { return VORNEN_DEVSIM_PATH; }

pid_t start_simulator(const std::string& netns, const std::vector<std::string>& args,
                      const std::string& ready_file, std::chrono::milliseconds timeout) {
  // Everything the child needs is built before the fork.
  std::vector<std::string> words;
  words.emplace_back(simulator_path());
  words.insert(words.end(), args.begin(), args.end());
  words.emplace_back("--ready-file");
  words.push_back(ready_file);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string netns_path = "/var/run/netns/" + netns;
  ::unlink(ready_file.c_str());

  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    // A test that dies must not leave a simulator behind.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (!netns.empty()) {
      const int fd = ::open(netns_path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
        child_message("cannot enter the network namespace");
        ::_exit(127);
      }
      ::close(fd);
    }
    ::execv(argv[0], argv.data());
    child_message("cannot run the simulator");
    ::_exit(127);
  }

  const auto deadline = Clock::now() + timeout;
  while (true) {
    struct stat info {};
    if (::stat(ready_file.c_str(), &info) == 0) return pid;
    int status = 0;
    if (reap(pid, status)) return -1;
    if (Clock::now() >= deadline) {
      stop_simulator(pid, std::chrono::seconds(2));
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int stop_simulator(pid_t pid, std::chrono::milliseconds grace) {
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
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return decode_status(status);
}

}  // namespace devsim
