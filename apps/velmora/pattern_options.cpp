#include "apps/velmora/pattern_options.h"

#include <array>

#include "addin/model/mail_props.h"
#include "apps/velmora/command.h"
#include "apps/velmora/option_values.h"
#include "common/text.h"

namespace velmora::cli {

namespace {

namespace f = posix::pattern_field;

const std::array<PatternKind, 6>& Kinds() {
  static const std::array<PatternKind, 6> kinds = [] {
    std::array<PatternKind, 6> k = {{
        {recurrence::kDaily, "daily", "daily", 0},
        {recurrence::kWeekly, "weekly", "weekly", 0},
        {recurrence::kMonthly, "monthly", "monthly", 0},
        {recurrence::kMonthNth, "monthly-nth", "monthly n-th", 0},
        {recurrence::kYearly, "yearly", "yearly", 0},
        {recurrence::kYearNth, "yearly-nth", "yearly n-th", 0},
    }};
    for (PatternKind& kind : k)
      kind.fields = posix::PatternFields(kind.type);
    return k;
  }();
  return kinds;
}

}  // namespace

const PatternKind& KindOf(std::int32_t type) {
  for (const PatternKind& k : Kinds())
    if (k.type == type) return k;
  throw UsageError("--type: no such pattern type");
}

void PatternOptions::Define(CLI::App& sub, const PatternHelp& help) {
  type_ = sub.add_option("--type", typeText_, help.type)->type_name("T");
  sub.add_flag("--daily", daily_, help.daily);
  sub.add_flag("--weekly", weekly_, help.weekly);
  sub.add_flag("--monthly", monthly_, help.monthly);
  sub.add_flag("--yearly", yearly_, help.yearly);
  interval_ = sub.add_option("--interval", intervalText_, help.interval)->type_name("N");
  mask_ = sub.add_option("--mask", maskText_, help.mask)->type_name("M");
  days_ = sub.add_option("--days", daysText_, "Weekdays by name, such as mon,fri or weekdays")
              ->type_name("LIST");
  day_ = sub.add_option("--day", dayText_, "Day of the month, 1 to 31")->type_name("D");
  month_ = sub.add_option("--month", monthText_, "Month, 1 to 12 or its name")->type_name("M");
  instance_ = sub.add_option("--instance", instanceText_, help.instance)->type_name("I");
  start_ = sub.add_option("--start", startText_, help.start)->type_name("YYYY-MM-DD");
  time_ = sub.add_option("--time", timeText_, help.time)->type_name("HH:MM");
}

bool PatternOptions::Given() const {
  return TypeChosen() || !FirstDetailGiven().empty();
}

std::string PatternOptions::FirstDetailGiven() const {
  for (const CLI::Option* o : {interval_, mask_, days_, day_, month_, instance_, start_, time_})
    if (cli::Given(o)) return o->get_name();
  return {};
}

const CLI::Option* PatternOptions::OptionOf(unsigned option) const {
  switch (option) {
    case f::kInterval:
      return interval_;
    case f::kDay:
      return day_;
    case f::kMonth:
      return month_;
    case f::kInstance:
      return instance_;
    case kStart:
      return start_;
    case kTime:
      return time_;
    default:
      return nullptr;
  }
}

bool PatternOptions::Has(unsigned option) const {
  if (option == f::kMask) return cli::Given(mask_) || cli::Given(days_);
  return cli::Given(OptionOf(option));
}

bool PatternOptions::TypeChosen() const {
  return cli::Given(type_) || daily_ || weekly_ || monthly_ || yearly_;
}

std::int32_t PatternOptions::Type() const {
  const int chosen = cli::Given(type_) + daily_ + weekly_ + monthly_ + yearly_;
  if (chosen > 1)
    throw UsageError("--type: give only one of --type, --daily, --weekly, --monthly, --yearly");
  if (daily_) return recurrence::kDaily;
  if (weekly_) return recurrence::kWeekly;
  if (monthly_) return cli::Given(instance_) ? recurrence::kMonthNth : recurrence::kMonthly;
  if (yearly_) return cli::Given(instance_) ? recurrence::kYearNth : recurrence::kYearly;
  std::int32_t type = 0;
  const std::string lower = ToLowerAscii(Trim(typeText_));
  for (const PatternKind& k : Kinds())
    if (lower == k.name || (ParseInt32(typeText_, type) && type == k.type)) return k.type;
  throw UsageError(
      "--type: expected 0 daily, 1 weekly, 2 monthly, 3 monthly-nth, 5 yearly or 6 yearly-nth, "
      "got '" +
      typeText_ + "'");
}

void PatternOptions::RefuseUnused(const PatternKind& kind, unsigned options,
                                  const char* words) const {
  const std::pair<unsigned, const CLI::Option*> inOrder[] = {
      {f::kInterval, interval_}, {f::kMask, mask_},   {f::kMask, days_},
      {f::kDay, day_},           {f::kMonth, month_}, {f::kInstance, instance_}};
  for (const auto& [field, o] : inOrder)
    if ((options & field) && !(kind.fields & field) && cli::Given(o))
      throw UsageError(o->get_name() + ": not used by a " + words + " pattern");
}

bool PatternOptions::WeekdaysGiven() const {
  if (cli::Given(mask_) && cli::Given(days_))
    throw UsageError("--days: give either --mask or --days");
  return cli::Given(mask_) || cli::Given(days_);
}

const char* PatternOptions::WeekdaysOption() const {
  return cli::Given(mask_) ? "--mask" : "--days";
}

std::int32_t PatternOptions::Interval(std::int32_t min) const {
  return ParseWhole("--interval", intervalText_, min, kMaxWhole);
}

std::int32_t PatternOptions::Weekdays() const {
  return cli::Given(mask_) ? ParseWeekdayMask("--mask", maskText_)
                           : ParseWeekdays("--days", daysText_);
}

std::int32_t PatternOptions::Day() const {
  return ParseWhole("--day", dayText_, 1, 31);
}

std::int32_t PatternOptions::Month() const {
  return ParseMonth("--month", monthText_);
}

std::int32_t PatternOptions::Instance() const {
  return ParseInstance("--instance", instanceText_);
}

DateTime PatternOptions::Start() const {
  return ParseIsoDate("--start", startText_);
}

DateTime PatternOptions::Time() const {
  return ParseClockTime("--time", timeText_);
}

}  // namespace velmora::cli
