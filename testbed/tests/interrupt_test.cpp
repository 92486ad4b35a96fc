// Ctrl-C in the middle of a test-bed run: the program ends by the signal as
// it would without a bed, and nothing of its bed remains.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "testbed/testbed.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Namespaces whose names start with `prefix`.
int namespaces_named(const std::string& prefix) {
  int count = 0;
  DIR* d = ::opendir("/var/run/netns");
  if (d == nullptr) return 0;
  while (dirent* e = ::readdir(d))
    if (std::string(e->d_name).rfind(prefix, 0) == 0) ++count;
  ::closedir(d);
  return count;
}

bool process_gone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

template <typename Condition>
bool within(std::chrono::milliseconds limit, Condition done) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class InterruptTest : public ::testing::TestWithParam<int> {};

TEST_P(InterruptTest, SignalEndsTheProgramAndLeavesNothingOfItsBed) {
  if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
  int out[2];
  ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    ::dup2(out[1], 1);
    ::execl(VORNEN_INTERRUPTED_BED, VORNEN_INTERRUPTED_BED, nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  std::string said;
  const auto deadline = Clock::now() + 30s;
  while (said.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buffer[128];
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    said.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  char prefix[64] = {};
  int child = 0;
  ASSERT_EQ(std::sscanf(said.c_str(), "ready %63s %d", prefix, &child), 2) << said;
  ASSERT_EQ(namespaces_named(std::string(prefix) + "-"), 4) << "pc, link and two devices";

  ASSERT_EQ(::kill(program, GetParam()), 0);
  int status = 0;
  ASSERT_TRUE(within(20s, [&] { return ::waitpid(program, &status, WNOHANG) == program; }));
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(WTERMSIG(status), GetParam()) << "ended by its own signal, not killed by its cleanup";
  EXPECT_EQ(namespaces_named(std::string(prefix) + "-"), 0);
  EXPECT_TRUE(within(5s, [&] { return process_gone(static_cast<pid_t>(child)); }))
      << "the bed's child is gone";
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest, ::testing::Values(SIGINT, SIGTERM));

}  // namespace
