// The schedule options shared by `velmora schedule` and `velmora reschedule`:
// --at TIME for once, or a recurrence pattern with the options of `velmora
// occurrences` plus --start, --time and one of --count, --until, --no-end.
// Unset details default as the recurrence dialog fills its pages: from the
// start date (its weekday, its day, its month).
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "apps/velmora/pattern_options.h"
#include "platform/posix/schedule_request.h"

namespace velmora::cli {

class ScheduleOptions {
 public:
  void Define(CLI::App& sub);
  // Raises UsageError when no schedule option was given.
  void Validate() const;
  // The request, read with the user's regional settings and clock; raises
  // UsageError naming the option at fault.
  posix::ScheduleRequest Resolve() const;

 private:
  posix::PatternRequest Pattern() const;

  PatternOptions pattern_;
  CLI::Option* at_ = nullptr;
  CLI::Option* count_ = nullptr;
  CLI::Option* until_ = nullptr;
  std::string atText_, countText_, untilText_;
  bool noEnd_ = false;
  bool catchUp_ = false;
};

}  // namespace velmora::cli
