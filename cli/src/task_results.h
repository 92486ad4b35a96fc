// The bookkeeping of a run of tasks that both systems' workers share: each
// task's result as it ends, handed to done() in index order as soon as every
// task before it has ended too.
#pragma once

#include <functional>
#include <vector>

namespace vornctl {

class TaskResults {
 public:
  TaskResults(int count, const std::function<void(int, int)>& done)
      : done_(done), results_(static_cast<std::size_t>(count)), ended_(results_.size()) {}

  bool all_handed() const { return handed_ == results_.size(); }

  // Task `index` ended with `result`; handed over with hand_ready().
  void ended(int index, int result) {
    results_[static_cast<std::size_t>(index)] = result;
    ended_[static_cast<std::size_t>(index)] = true;
  }

  // Hands over the results of the tasks that ended, up to the first that has not.
  void hand_ready() {
    for (; handed_ < results_.size() && ended_[handed_]; ++handed_)
      done_(static_cast<int>(handed_), results_[handed_]);
  }

  // Hands over every result left: tasks that did not end get `without`.
  void hand_rest(int without) {
    for (std::size_t i = handed_; i < results_.size(); ++i)
      if (!ended_[i]) ended(static_cast<int>(i), without);
    hand_ready();
  }

 private:
  const std::function<void(int, int)>& done_;
  std::vector<int> results_;
  std::vector<bool> ended_;
  std::size_t handed_ = 0;
};

}  // namespace vornctl
