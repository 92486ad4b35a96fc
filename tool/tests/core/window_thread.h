#ifndef SETVORNIP_TESTS_CORE_WINDOW_THREAD_H
#define SETVORNIP_TESTS_CORE_WINDOW_THREAD_H

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "command_runner.h"
#include "commands.h"

namespace setvornip {

// The test's own thread as a window's thread: it takes the runner's wakes
// and delivers the results, as a window's event loop does.
class WindowThread {
 public:
  explicit WindowThread(LibraryFile file)
      : runner(std::move(file), [this] {
          {
            const std::lock_guard lock(mutex_);
            ++wakes_;
          }
          woken_.notify_one();
        }) {}

  // Waits for the runner's next wake and delivers its result; false when
  // none comes within 30 s.
  bool Step() {
    {
      std::unique_lock lock(mutex_);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      if (!woken_.wait_until(lock, deadline, [this] { return wakes_ > 0; })) {
        ADD_FAILURE() << "no call ended within 30 s";
        return false;
      }
      --wakes_;
    }
    runner.Deliver();
    return true;
  }

  // Delivers results until the command has ended.
  void Finish() {
    while (runner.Busy() && Step()) {
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  int wakes_ = 0;

 public:
  CommandRunner runner;  // last: its worker ends before the rest goes
};

inline void Open(Form& form, WindowThread& thread) {
  OpenCommand(form, thread.runner);
  thread.Finish();
}

inline void Set(Form& form, WindowThread& thread, std::u16string_view missing_right = {}) {
  SetCommand(form, thread.runner, missing_right);
  thread.Finish();
}

inline void Find(Form& form, WindowThread& thread) {
  FindCommand(form, thread.runner);
  thread.Finish();
}

}  // namespace setvornip

#endif  // SETVORNIP_TESTS_CORE_WINDOW_THREAD_H
