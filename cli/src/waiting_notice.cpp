#include "waiting_notice.h"

#include <chrono>
#include <cstdio>

#include "console.h"

namespace vornctl {

WaitingNotice::WaitingNotice(const char* what) {
  if (!is_terminal(kStandardError)) return;
  thread_ = std::thread([this, what] {
    std::unique_lock<std::mutex> lock(mutex_);
    for (int seconds = 1;
         !done_.wait_for(lock, std::chrono::seconds(1), [this] { return finished_; }); ++seconds) {
      std::fprintf(stderr, "\r%s: waiting %d s ", what, seconds);
      std::fflush(stderr);
      shown_ = true;
    }
    if (shown_) std::fprintf(stderr, "\r\033[K");
  });
}

WaitingNotice::~WaitingNotice() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  done_.notify_one();
  thread_.join();
}

}  // namespace vornctl
