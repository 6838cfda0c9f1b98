// What a user asks for when scheduling a mail from the command line — once at
// a time, or on a recurrence pattern with its range — checked as the
// recurrence dialog checks it and applied to a schedule record as the dialog's
// OK does (the end by date kept in the record and turned into a count, the
// first occurrence set). Used by `velmora schedule` and `velmora reschedule`.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "common/datetime.h"

namespace velmora::posix {

// A request that cannot be scheduled; what() names the option at fault
// ("--day: Recurrence pattern is not valid (...)").
class ScheduleError : public std::runtime_error {
 public:
  ScheduleError(std::string option, const std::string& message)
      : std::runtime_error(option + ": " + message), option_(std::move(option)) {}
  const std::string& Option() const noexcept { return option_; }

 private:
  std::string option_;
};

enum class RangeEnd { kCount, kUntil, kNever };

// The pattern fields a recurrence type reads.
namespace pattern_field {
inline constexpr unsigned kInterval = 1;
inline constexpr unsigned kMask = 2;
inline constexpr unsigned kDay = 4;
inline constexpr unsigned kMonth = 8;
inline constexpr unsigned kInstance = 16;
}  // namespace pattern_field

// The fields that a recurrence type reads; none for a number that is no type.
unsigned PatternFields(std::int32_t type);

// The largest --interval of a recurrence type: 999 days, 99 weeks or months.
std::int32_t MaxInterval(std::int32_t type);

struct PatternRequest {
  std::int32_t type = 1;      // the recurrence numbering: 0, 1, 2, 3, 5, 6
  std::int32_t interval = 1;  // daily 0 means every day of `mask`
  std::int32_t mask = 0;
  std::int32_t dayOfMonth = 0;
  std::int32_t monthOfYear = 0;
  std::int32_t instance = 0;
  DateTime startDate;  // the date of the pattern's start
  DateTime timeOfDay;  // hours and minutes of every occurrence
  RangeEnd end = RangeEnd::kNever;
  std::int32_t count = 0;  // kCount
  DateTime until;          // kUntil
};

struct ScheduleRequest {
  std::optional<DateTime> at;             // once
  std::optional<PatternRequest> pattern;  // or recurring
  // A recurrence whose start lies so far back that several occurrences are
  // due is refused unless the user asks for every one of them to be sent.
  bool catchUp = false;
};

// The dialog's note for a monthly pattern on day 29 to 31, with its number.
std::string ShortMonthsNote(std::int32_t day);

// Writes the request's schedule into the record (attachments and content
// untouched) and sets its first occurrence. Returns notes for the user (a
// day that some months lack, an end date beyond the 999th occurrence).
// Raises ScheduleError for a request the dialog would refuse.
std::vector<std::string> ApplySchedule(const ScheduleRequest& request, CMailProps& record);

}  // namespace velmora::posix
