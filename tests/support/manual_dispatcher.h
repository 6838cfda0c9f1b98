// A dispatcher whose posted work runs only when the test drains it.
#pragma once

#include <deque>
#include <functional>

#include "common/dispatcher.h"

namespace velmora::test {

class ManualDispatcher final : public Dispatcher {
 public:
  void Post(std::function<void()> task) override { queue_.push_back(std::move(task)); }
  // Runs posted work, including work posted meanwhile; returns how much ran.
  int Drain(int limit = 100000) {
    int n = 0;
    while (!queue_.empty() && n < limit) {
      auto task = std::move(queue_.front());
      queue_.pop_front();
      task();
      ++n;
    }
    return n;
  }
  std::size_t Pending() const { return queue_.size(); }

 private:
  std::deque<std::function<void()>> queue_;
};

}  // namespace velmora::test
