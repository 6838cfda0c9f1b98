// The machine's local wall clock, in whole seconds, for the standalone host.
#pragma once

#include "common/clock.h"

namespace velmora::posix {

class SystemClock final : public Clock {
 public:
  DateTime Now() const override;
};

}  // namespace velmora::posix
