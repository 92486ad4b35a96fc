#ifndef SETVORNIP_CORE_COMMAND_RUNNER_H
#define SETVORNIP_CORE_COMMAND_RUNNER_H

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "library_binding.h"

namespace setvornip {

// Runs the library's calls off the window's thread, so that the window keeps
// taking the system's messages (painting, the system's "is it still
// answering" ping) while a find waits its 5 s or a set far longer.
//
// A command is a chain of steps on the window's thread. Each step may start
// one library call with Call(); the call runs on a worker thread, which then
// wakes the window (the `wake` function, called on the worker). The window
// answers by calling Deliver() on its own thread, which runs the step that
// consumes the result. The binding is touched only by the calls, one at a
// time, so it needs no lock of its own.
class CommandRunner {
 public:
  CommandRunner(LibraryFile file, std::function<void()> wake);
  // Waits for a call under way; its result is dropped.
  ~CommandRunner();
  CommandRunner(const CommandRunner&) = delete;
  CommandRunner& operator=(const CommandRunner&) = delete;

  // Whether a command is under way: a call runs or its result waits for
  // Deliver(). A window starts no command meanwhile.
  bool Busy() const { return busy_; }

  // Starts `work` on the worker; `then` gets its result on the window's
  // thread, inside Deliver(). At most one call at a time.
  template <typename Result>
  void Call(std::function<Result(LibraryBinding&)> work, std::function<void(Result)> then) {
    auto result = std::make_shared<Result>();
    Start([work = std::move(work), result](LibraryBinding& binding) { *result = work(binding); },
          [then = std::move(then), result] { then(std::move(*result)); });
  }

  // On the window's thread, after a wake: runs the step waiting for the
  // finished call. True when the command has ended with it (the step started
  // no further call); false when there was nothing to deliver or the command
  // goes on.
  bool Deliver();

 private:
  void Start(std::function<void(LibraryBinding&)> work, std::function<void()> then);

  LibraryBinding binding_;
  std::function<void()> wake_;
  bool busy_ = false;  // the window's thread only
  std::mutex mutex_;
  std::function<void()> finished_;  // under mutex_: the step for a call that ended
  std::thread worker_;
};

}  // namespace setvornip

#endif  // SETVORNIP_CORE_COMMAND_RUNNER_H
