// One assignment at a time on the PC, across every vornctl: the lock is held
// from the safety check of an assignment through the writing of its
// permanent neighbour entry, so that a second vornctl checking the same
// address finds the first one's entry and is refused instead of taking the
// address for another device.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace vornctl {

// Waits this long for another vornctl to let go; a holder lets go within
// milliseconds, so reaching it means a holder that hangs.
inline constexpr int kLockWaitMs = 10000;

// The lock, as messages name it. On Linux the lock file vornctl.lock in
// /run/lock, the directory every user may make lock files in, so that root
// and a user with only CAP_NET_ADMIN share one file; /tmp where /run/lock
// is missing or closed. On Windows a mutex of the machine's Global
// namespace, which every session sees.
std::string assignment_lock_name();

class AssignmentLock {
 public:
  // Takes the lock, waiting up to kLockWaitMs; held() says whether it did and
  // error() why not.
  AssignmentLock();
  ~AssignmentLock() { release(); }
  AssignmentLock(const AssignmentLock&) = delete;
  AssignmentLock& operator=(const AssignmentLock&) = delete;

  bool held() const { return handle_ != kNoHandle; }
  const std::string& error() const { return error_; }
  // Lets go now; closing the file ends its lock.
  void release();

 private:
  // The lock file's descriptor on Linux, the mutex's HANDLE on Windows.
  static constexpr std::intptr_t kNoHandle = -1;
  std::intptr_t handle_ = kNoHandle;
  std::string error_;
};

// Puts a table of operations in front of the library core's whose neighbour
// write releases `lock` as soon as the entry is in the table, so that the
// lock is not held over the device dialogue that follows (up to ten seconds
// per answer). Puts the previous table back when it ends.
class ReleaseAfterNeighbourWrite {
 public:
  explicit ReleaseAfterNeighbourWrite(AssignmentLock& lock);
  ~ReleaseAfterNeighbourWrite();
  ReleaseAfterNeighbourWrite(const ReleaseAfterNeighbourWrite&) = delete;
  ReleaseAfterNeighbourWrite& operator=(const ReleaseAfterNeighbourWrite&) = delete;

 private:
  const vornen::platform::Operations* previous_;
  vornen::platform::Operations table_;
};

}  // namespace vornctl
