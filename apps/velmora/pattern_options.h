// The recurrence pattern options that `velmora occurrences`, `schedule` and
// `reschedule` share: the type (--type or --daily, --weekly, --monthly,
// --yearly), --interval, --mask or --days, --day, --month, --instance,
// --start and --time. Each command words their help and applies its own
// rules of what a type needs and what an absent option means.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "common/datetime.h"
#include "platform/posix/schedule_request.h"

namespace velmora::cli {

// A recurrence type as the options name it.
struct PatternKind {
  std::int32_t type;
  const char* name;   // as --type takes it: "monthly-nth"
  const char* words;  // as a sentence says it: "monthly n-th"
  unsigned fields;    // posix::pattern_field bits that the type reads
};

// The kind of a recurrence type the options can give.
const PatternKind& KindOf(std::int32_t type);

// The options' help texts, one per option, as each command words them.
struct PatternHelp {
  const char* type;
  const char* daily;
  const char* weekly;
  const char* monthly;
  const char* yearly;
  const char* interval;
  const char* mask;
  const char* instance;
  const char* start;
  const char* time;
};

class PatternOptions {
 public:
  // Options of the pattern that are neither a field of the record nor the type.
  static constexpr unsigned kStart = 32;
  static constexpr unsigned kTime = 64;

  void Define(CLI::App& sub, const PatternHelp& help);

  // True when any of the options was given.
  bool Given() const;
  // The name of the first option given among --interval ... --time, or
  // empty text when none was.
  std::string FirstDetailGiven() const;
  // Whether the option of a posix::pattern_field bit, kStart or kTime was given.
  bool Has(unsigned option) const;

  // True when a type was chosen; Type() raises UsageError when more than one
  // was, or --type names none.
  bool TypeChosen() const;
  std::int32_t Type() const;

  // Raises "--day: not used by a <words> pattern" for the first option given
  // among `options` that the kind does not read.
  void RefuseUnused(const PatternKind& kind, unsigned options, const char* words) const;

  // Whether --mask or --days was given; raises UsageError when both were.
  bool WeekdaysGiven() const;
  // The name of the one given, for messages.
  const char* WeekdaysOption() const;

  // The options' values, read from their text as given (empty when absent);
  // each raises UsageError naming the option and the text at fault.
  std::int32_t Interval(std::int32_t min) const;
  std::int32_t Weekdays() const;
  std::int32_t Day() const;
  std::int32_t Month() const;
  std::int32_t Instance() const;
  DateTime Start() const;
  DateTime Time() const;

 private:
  const CLI::Option* OptionOf(unsigned option) const;

  CLI::Option* type_ = nullptr;
  CLI::Option* interval_ = nullptr;
  CLI::Option* mask_ = nullptr;
  CLI::Option* days_ = nullptr;
  CLI::Option* day_ = nullptr;
  CLI::Option* month_ = nullptr;
  CLI::Option* instance_ = nullptr;
  CLI::Option* start_ = nullptr;
  CLI::Option* time_ = nullptr;
  std::string typeText_, intervalText_, maskText_, daysText_, dayText_, monthText_, instanceText_,
      startText_, timeText_;
  bool daily_ = false, weekly_ = false, monthly_ = false, yearly_ = false;
};

}  // namespace velmora::cli
