#include "assignment_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace vornctl {

namespace {

constexpr const char* kLockDirectories[] = {"/run/lock", "/tmp"};
constexpr const char* kLockName = "/vornctl.lock";

// Opens the lock file in `directory`, making it when it is missing. An
// existing file is opened without O_CREAT: in a sticky directory the kernel
// refuses O_CREAT on another user's file (protected_regular), root included.
int open_lock_file(const std::string& path) {
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW;
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = ::open(path.c_str(), kFlags);
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      // Readable by all whatever the umask, so that every user can lock it.
      (void)::fchmod(fd, 0644);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

bool directory_usable(const char* directory) {
  struct stat s {};
  return ::stat(directory, &s) == 0 && S_ISDIR(s.st_mode) && ::access(directory, W_OK) == 0;
}

// The lock whose entry is being written, for the table's run_arp, which
// cannot carry state of its own.
AssignmentLock* g_releasing = nullptr;
const vornen::platform::Operations* g_previous = nullptr;

void run_arp_then_release(const char* parameters) {
  g_previous->run_arp(parameters);
  if (g_releasing != nullptr) g_releasing->release();
}

}  // namespace

std::string assignment_lock_path() {
  for (const char* directory : kLockDirectories) {
    const std::string path = std::string(directory) + kLockName;
    if (::access(path.c_str(), R_OK) == 0 || directory_usable(directory)) return path;
  }
  return std::string(kLockDirectories[0]) + kLockName;
}

AssignmentLock::AssignmentLock() {
  const std::string path = assignment_lock_path();
  const int fd = open_lock_file(path);
  if (fd < 0) {
    error_ = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
  int e = 0;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return;
    }
    e = errno;
    if ((e != EWOULDBLOCK && e != EINTR) || std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  error_ = e != EWOULDBLOCK
               ? "cannot lock " + path + ": " + std::strerror(e)
               : "another vornctl has held " + path + " for " + std::to_string(kLockWaitMs / 1000) +
                     " s; it checks and writes one neighbour entry at a time";
  ::close(fd);
}

void AssignmentLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

ReleaseAfterNeighbourWrite::ReleaseAfterNeighbourWrite(AssignmentLock& lock)
    : previous_(&vornen::platform::ops()), table_(*previous_) {
  table_.run_arp = run_arp_then_release;
  g_previous = previous_;
  g_releasing = &lock;
  vornen::platform::use(&table_);
}

ReleaseAfterNeighbourWrite::~ReleaseAfterNeighbourWrite() {
  vornen::platform::use(previous_);
  g_releasing = nullptr;
  g_previous = nullptr;
}

}  // namespace vornctl
