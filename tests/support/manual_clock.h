// A clock that stands still until the test moves it.
#pragma once

#include "common/clock.h"

namespace velmora::test {

class ManualClock final : public Clock {
 public:
  explicit ManualClock(DateTime now = DateTime::FromParts(2026, 12, 7, 9, 0, 0)) : now_(now) {}
  DateTime Now() const override { return now_; }
  void Set(DateTime t) { now_ = t; }
  void Advance(std::int64_t seconds) { now_ = now_.AddSeconds(seconds); }

 private:
  DateTime now_;
};

}  // namespace velmora::test
