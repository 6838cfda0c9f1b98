#include "apps/velmora/schedule_options.h"

#include <limits>

#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "apps/velmora/command.h"
#include "apps/velmora/option_values.h"
#include "common/services.h"
#include "common/text.h"

namespace velmora::cli {

namespace {

bool Has(const CLI::Option* o) {
  return o && o->count() > 0;
}

void NotFor(const CLI::Option* o, const char* kind) {
  if (Has(o)) throw UsageError(o->get_name() + ": not used by a " + kind + " pattern");
}

}  // namespace

void ScheduleOptions::Define(CLI::App& sub) {
  at_ = sub.add_option("--at", atText_,
                       "Send once at this time: as the regional settings write it "
                       "(\"12/7/2026 9:00:00 AM\") or ISO 8601 (2026-12-07T09:00)")
            ->type_name("TIME");
  type_ = sub.add_option("--type", typeText_,
                         "Recurrence type: 0 daily, 1 weekly, 2 monthly, 3 monthly n-th, "
                         "5 yearly, 6 yearly n-th (or their names)")
              ->type_name("T");
  sub.add_flag("--daily", daily_, "Daily recurrence (--interval N days, or --days for those days)");
  sub.add_flag("--weekly", weekly_, "Weekly recurrence on --days (default: the start's weekday)");
  sub.add_flag("--monthly", monthly_,
               "Monthly recurrence on --day, or on the --instance of --days");
  sub.add_flag("--yearly", yearly_,
               "Yearly recurrence on --month and --day, or on the --instance of --days");
  interval_ =
      sub.add_option("--interval", intervalText_, "Every N days, weeks or months")->type_name("N");
  mask_ = sub.add_option("--mask", maskText_, "Weekday bits: Sunday 1, Monday 2 ... Saturday 64")
              ->type_name("M");
  days_ = sub.add_option("--days", daysText_, "Weekdays by name, such as mon,fri or weekdays")
              ->type_name("LIST");
  day_ = sub.add_option("--day", dayText_, "Day of the month, 1 to 31")->type_name("D");
  month_ = sub.add_option("--month", monthText_, "Month, 1 to 12 or its name")->type_name("M");
  instance_ = sub.add_option("--instance", instanceText_,
                             "Which of the month's weekdays: 1 to 4, or 5/last")
                  ->type_name("I");
  start_ = sub.add_option("--start", startText_, "Date the recurrence starts (default: today)")
               ->type_name("YYYY-MM-DD");
  time_ = sub.add_option("--time", timeText_,
                         "Time of day of every occurrence (default: the next hh:00 or hh:30)")
              ->type_name("HH:MM");
  count_ =
      sub.add_option("--count", countText_, "End after N occurrences (1 to 999)")->type_name("N");
  until_ = sub.add_option("--until", untilText_, "End by this date")->type_name("YYYY-MM-DD");
  sub.add_flag("--no-end", noEnd_, "The recurrence never ends");
}

bool ScheduleOptions::Given() const {
  return Has(at_) || Has(type_) || daily_ || weekly_ || monthly_ || yearly_ || Has(interval_) ||
         Has(mask_) || Has(days_) || Has(day_) || Has(month_) || Has(instance_) || Has(start_) ||
         Has(time_) || Has(count_) || Has(until_) || noEnd_;
}

std::int32_t ScheduleOptions::PatternType() const {
  const int chosen = Has(type_) + daily_ + weekly_ + monthly_ + yearly_;
  if (chosen > 1)
    throw UsageError("--type: give only one of --type, --daily, --weekly, --monthly, --yearly");
  if (daily_) return recurrence::kDaily;
  if (weekly_) return recurrence::kWeekly;
  if (monthly_) return Has(instance_) ? recurrence::kMonthNth : recurrence::kMonthly;
  if (yearly_) return Has(instance_) ? recurrence::kYearNth : recurrence::kYearly;
  static const std::pair<std::int32_t, const char*> kNames[] = {
      {recurrence::kDaily, "daily"},     {recurrence::kWeekly, "weekly"},
      {recurrence::kMonthly, "monthly"}, {recurrence::kMonthNth, "monthly-nth"},
      {recurrence::kYearly, "yearly"},   {recurrence::kYearNth, "yearly-nth"}};
  std::int32_t type = -1;
  const std::string lower = ToLowerAscii(Trim(typeText_));
  for (const auto& [number, name] : kNames)
    if (lower == name || (ParseInt32(typeText_, type) && type == number)) return number;
  throw UsageError(
      "--type: expected 0 daily, 1 weekly, 2 monthly, 3 monthly-nth, 5 yearly or 6 yearly-nth, "
      "got '" +
      typeText_ + "'");
}

posix::PatternRequest ScheduleOptions::Pattern() const {
  posix::PatternRequest p;
  p.type = PatternType();
  const char* kind = p.type == recurrence::kDaily      ? "daily"
                     : p.type == recurrence::kWeekly   ? "weekly"
                     : p.type == recurrence::kMonthly  ? "monthly"
                     : p.type == recurrence::kMonthNth ? "monthly n-th"
                     : p.type == recurrence::kYearly   ? "yearly"
                                                       : "yearly n-th";

  const DateTime fallback = CMailProps::DefaultSendTime(Now());
  p.timeOfDay = Has(time_) ? ParseClockTime("--time", timeText_) : fallback.TimePart();
  p.startDate = Has(start_) ? ParseIsoDate("--start", startText_)
                            : (Has(time_) ? Now().DatePart() : fallback.DatePart());

  if (Has(mask_) && Has(days_)) throw UsageError("--days: give either --mask or --days");
  const bool hasMask = Has(mask_) || Has(days_);
  std::int32_t mask = 0;
  if (hasMask)
    mask = Has(mask_) ? ParseWeekdayMask("--mask", maskText_) : ParseWeekdays("--days", daysText_);
  const std::int32_t startBit = p.startDate.WeekdayBit();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

  switch (p.type) {
    case recurrence::kDaily:
      NotFor(day_, kind);
      NotFor(month_, kind);
      NotFor(instance_, kind);
      p.interval =
          Has(interval_) ? ParseWhole("--interval", intervalText_, 1, kMax) : (hasMask ? 0 : 1);
      if (Has(interval_) && hasMask)
        throw UsageError(std::string(Has(mask_) ? "--mask" : "--days") +
                         ": a daily pattern runs every N days or on weekdays, not both");
      p.mask = mask;
      break;
    case recurrence::kWeekly:
      NotFor(day_, kind);
      NotFor(month_, kind);
      NotFor(instance_, kind);
      p.interval = Has(interval_) ? ParseWhole("--interval", intervalText_, 1, kMax) : 1;
      p.mask = hasMask ? mask : startBit;
      break;
    case recurrence::kMonthly:
      NotFor(mask_, kind);
      NotFor(days_, kind);
      NotFor(month_, kind);
      p.interval = Has(interval_) ? ParseWhole("--interval", intervalText_, 1, kMax) : 1;
      p.dayOfMonth = Has(day_) ? ParseWhole("--day", dayText_, 1, 31) : p.startDate.Day();
      break;
    case recurrence::kMonthNth:
      NotFor(day_, kind);
      NotFor(month_, kind);
      p.interval = Has(interval_) ? ParseWhole("--interval", intervalText_, 1, kMax) : 1;
      p.instance = ParseInstance("--instance", instanceText_);
      p.mask = hasMask ? mask : startBit;
      break;
    case recurrence::kYearly:
      NotFor(interval_, kind);
      NotFor(mask_, kind);
      NotFor(days_, kind);
      p.monthOfYear = Has(month_) ? ParseMonth("--month", monthText_) : p.startDate.Month();
      p.dayOfMonth = Has(day_) ? ParseWhole("--day", dayText_, 1, 31) : p.startDate.Day();
      break;
    default:
      NotFor(interval_, kind);
      NotFor(day_, kind);
      p.instance = ParseInstance("--instance", instanceText_);
      p.mask = hasMask ? mask : startBit;
      p.monthOfYear = Has(month_) ? ParseMonth("--month", monthText_) : p.startDate.Month();
      break;
  }

  const int ends = Has(count_) + Has(until_) + noEnd_;
  if (ends != 1)
    throw UsageError(std::string(ends == 0 ? "--count: a recurrence needs its end: "
                                           : "--count: give only one end: ") +
                     "--count N, --until YYYY-MM-DD or --no-end");
  if (Has(count_)) {
    p.end = posix::RangeEnd::kCount;
    p.count = ParseWhole("--count", countText_, 1, 999);
  } else if (Has(until_)) {
    p.end = posix::RangeEnd::kUntil;
    p.until = ParseIsoDate("--until", untilText_);
  } else {
    p.end = posix::RangeEnd::kNever;
  }
  return p;
}

posix::ScheduleRequest ScheduleOptions::Resolve() const {
  posix::ScheduleRequest request;
  const bool pattern = Has(type_) || daily_ || weekly_ || monthly_ || yearly_;
  if (Has(at_)) {
    if (pattern) throw UsageError("--at: give either --at or a recurrence, not both");
    for (const CLI::Option* o :
         {interval_, mask_, days_, day_, month_, instance_, start_, time_, count_, until_})
      if (Has(o)) throw UsageError(o->get_name() + ": belongs to a recurrence, not to --at");
    if (noEnd_) throw UsageError("--no-end: belongs to a recurrence, not to --at");
    request.at = posix::ReadWhen(atText_);
    if (!request.at)
      throw UsageError("--at: expected a time such as '" +
                       DateText(CMailProps::DefaultSendTime(Now())) +
                       "' or 2026-12-07T09:00, got '" + atText_ + "'");
    return request;
  }
  if (!pattern)
    throw UsageError(
        "--at: give --at TIME, or a recurrence (--daily, --weekly, --monthly, --yearly or --type)");
  request.pattern = Pattern();
  return request;
}

}  // namespace velmora::cli
