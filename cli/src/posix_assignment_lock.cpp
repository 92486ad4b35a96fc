// The assignment lock on Linux: an flock on a file that every vornctl of
// the machine opens, whatever user it runs as.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "assignment_lock.h"

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

std::string assignment_lock_path() {
  for (const char* directory : kLockDirectories) {
    const std::string path = std::string(directory) + kLockName;
    if (::access(path.c_str(), R_OK) == 0 || directory_usable(directory)) return path;
  }
  return std::string(kLockDirectories[0]) + kLockName;
}

}  // namespace

std::string assignment_lock_name() { return "the lock file " + assignment_lock_path(); }

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
      handle_ = fd;
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
  if (handle_ == kNoHandle) return;
  ::close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

}  // namespace vornctl
