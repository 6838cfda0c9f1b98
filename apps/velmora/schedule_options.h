// The schedule options shared by `velmora schedule` and `velmora reschedule`:
// --at TIME for once, or a recurrence pattern with the options of `velmora
// occurrences` plus --start, --time and one of --count, --until, --no-end.
// Unset details default as the recurrence dialog fills its pages: from the
// start date (its weekday, its day, its month).
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "platform/posix/schedule_request.h"

namespace velmora::cli {

class ScheduleOptions {
 public:
  void Define(CLI::App& sub);
  // True when any schedule option was given.
  bool Given() const;
  // The request, read with the user's regional settings and clock; raises
  // UsageError naming the option at fault.
  posix::ScheduleRequest Resolve() const;

 private:
  posix::PatternRequest Pattern() const;
  std::int32_t PatternType() const;

  CLI::Option* at_ = nullptr;
  CLI::Option* type_ = nullptr;
  CLI::Option* interval_ = nullptr;
  CLI::Option* mask_ = nullptr;
  CLI::Option* days_ = nullptr;
  CLI::Option* day_ = nullptr;
  CLI::Option* month_ = nullptr;
  CLI::Option* instance_ = nullptr;
  CLI::Option* start_ = nullptr;
  CLI::Option* time_ = nullptr;
  CLI::Option* count_ = nullptr;
  CLI::Option* until_ = nullptr;
  std::string atText_, typeText_, intervalText_, maskText_, daysText_, dayText_, monthText_,
      instanceText_, startText_, timeText_, countText_, untilText_;
  bool daily_ = false, weekly_ = false, monthly_ = false, yearly_ = false, noEnd_ = false;
};

}  // namespace velmora::cli
