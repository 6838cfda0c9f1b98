// Host events as RAII subscriptions: dropping a subscription disconnects its
// handler, as releasing a host object with events does. Raising copies the
// handler list first, so a handler may drop its own subscription.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace velmora::host {

class Subscription {
 public:
  virtual ~Subscription() = default;
};
using SubscriptionPtr = std::unique_ptr<Subscription>;

template <class... A>
class Event {
 public:
  using Handler = std::function<void(A...)>;

  SubscriptionPtr Connect(Handler h) {
    const std::uint64_t id = ++state_->next;
    state_->handlers.emplace_back(id, std::make_shared<Handler>(std::move(h)));
    return std::make_unique<Sub>(state_, id);
  }

  // Handlers run in the order they were connected; one dropped while an
  // earlier one runs is not called.
  void Raise(A... args) const {
    auto snapshot = state_->handlers;
    for (const auto& [id, h] : snapshot)
      if (Connected(id)) (*h)(args...);
  }

  std::size_t Count() const { return state_->handlers.size(); }

 private:
  struct State {
    std::uint64_t next = 0;
    std::vector<std::pair<std::uint64_t, std::shared_ptr<Handler>>> handlers;
  };
  struct Sub final : Subscription {
    Sub(std::weak_ptr<State> s, std::uint64_t i) : state(std::move(s)), id(i) {}
    ~Sub() override {
      if (auto s = state.lock())
        std::erase_if(s->handlers, [this](const auto& p) { return p.first == id; });
    }
    std::weak_ptr<State> state;
    std::uint64_t id;
  };
  bool Connected(std::uint64_t id) const {
    for (const auto& p : state_->handlers)
      if (p.first == id) return true;
    return false;
  }
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace velmora::host
