// Dispatcher port: work posted to run later on the deliverable's one thread,
// after the current handler has returned. The host raises its send/receive
// events this way, never from inside the call that started the work.
#pragma once

#include <functional>

namespace velmora {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  virtual void Post(std::function<void()> task) = 0;
};

}  // namespace velmora
