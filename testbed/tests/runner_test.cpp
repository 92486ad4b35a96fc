// The test bed's process runner: a failure to start or to reap a program is
// reported as one, and no descriptor is left behind on the way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "testbed/testbed.h"

namespace {

TEST(Runner, ExitStatusAndOutputComeBack) {
  std::string out;
  EXPECT_EQ(testbed::run({"/bin/sh", "-c", "echo hello; exit 3"}, &out), 3);
  EXPECT_EQ(out, "hello\n");
  EXPECT_EQ(testbed::run({"/nonexistent/program"}), 127);
}

// With SIGCHLD ignored the system reaps children itself and waitpid fails:
// the outcome is unknown, which must not read as success.
TEST(Runner, AChildThatCannotBeReapedIsAFailure) {
  struct sigaction ignore {};
  struct sigaction saved {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGCHLD, &ignore, &saved);
  const int status = testbed::run({"/bin/false"});
  ::sigaction(SIGCHLD, &saved, nullptr);
  EXPECT_EQ(status, -1);
}

// Leaves exactly two descriptor numbers free below the limit it returns, by
// filling the other holes with copies of standard input (closed by `undo`).
int leave_two_free(std::vector<int>* fillers) {
  int highest = 0;
  for (int fd = 0; fd < 4096; ++fd)
    if (::fcntl(fd, F_GETFD) != -1) highest = fd;
  std::vector<int> holes;
  for (int fd = 0; fd < highest; ++fd)
    if (::fcntl(fd, F_GETFD) == -1) holes.push_back(fd);
  int limit = highest + 1;
  if (holes.size() < 2) limit += 2 - static_cast<int>(holes.size());
  for (std::size_t k = 2; k < holes.size(); ++k) {
    ::dup2(0, holes[k]);
    fillers->push_back(holes[k]);
  }
  return limit;
}

// Room for the output pipe but not for the error pipe.
TEST(Runner, APipeThatCannotBeMadeLeavesNoDescriptorOpen) {
  const int before = testbed::open_descriptors();
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  std::vector<int> fillers;
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(leave_two_free(&fillers));
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  std::string out;
  std::string err;
  const int status = testbed::run({"/bin/true"}, &out, &err);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  for (int fd : fillers) ::close(fd);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(testbed::open_descriptors(), before);
}

}  // namespace
