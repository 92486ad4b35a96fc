#include "command_runner.h"

namespace setvornip {

CommandRunner::CommandRunner(LibraryFile file, std::function<void()> wake)
    : binding_(std::move(file)), wake_(std::move(wake)) {}

CommandRunner::~CommandRunner() {
  if (worker_.joinable()) worker_.join();
}

void CommandRunner::Start(std::function<void(LibraryBinding&)> work, std::function<void()> then) {
  // The previous call's thread has handed over its result already; it has at
  // most its wake left to do.
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  worker_ = std::thread([this, work = std::move(work), then = std::move(then)]() mutable {
    work(binding_);
    {
      const std::lock_guard lock(mutex_);
      finished_ = std::move(then);
    }
    wake_();
  });
}

bool CommandRunner::Deliver() {
  std::function<void()> step;
  {
    const std::lock_guard lock(mutex_);
    step = std::exchange(finished_, nullptr);
  }
  if (!step) return false;
  busy_ = false;
  step();  // may start the command's next call
  return !busy_;
}

}  // namespace setvornip
