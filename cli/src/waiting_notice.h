// Shows on a terminal that a command is waiting on the network: elapsed
// seconds on standard error, updated every second and wiped at the end.
// Nothing is shown when standard error is not a terminal.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vornctl {

class WaitingNotice {
 public:
  explicit WaitingNotice(const char* what);
  ~WaitingNotice();
  WaitingNotice(const WaitingNotice&) = delete;
  WaitingNotice& operator=(const WaitingNotice&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  bool shown_ = false;
  std::thread thread_;
};

}  // namespace vornctl
