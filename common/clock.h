// Clock port: the local wall clock in whole seconds.
#pragma once

#include "common/datetime.h"

namespace velmora {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;
};

}  // namespace velmora
