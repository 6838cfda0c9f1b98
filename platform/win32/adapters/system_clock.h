// The clock port over the Windows local time, in whole seconds.
#pragma once

#include "common/clock.h"

namespace velmora::win32 {

class Win32Clock final : public Clock {
 public:
  DateTime Now() const override;
};

}  // namespace velmora::win32
