#include "apps/velmora/schedule_options.h"

#include "addin/model/mail_props.h"
#include "apps/velmora/command.h"
#include "apps/velmora/option_values.h"
#include "common/services.h"

namespace velmora::cli {

namespace {

namespace f = posix::pattern_field;

constexpr const char* kNoSchedule =
    "--at: give --at TIME, or a recurrence (--daily, --weekly, --monthly, --yearly or --type)";

constexpr PatternHelp kHelp = {
    .type =
        "Recurrence type: 0 daily, 1 weekly, 2 monthly, 3 monthly n-th, "
        "5 yearly, 6 yearly n-th (or their names)",
    .daily = "Daily recurrence (--interval N days, or --days for those days)",
    .weekly = "Weekly recurrence on --days (default: the start's weekday)",
    .monthly = "Monthly recurrence on --day, or on the --instance of --days",
    .yearly = "Yearly recurrence on --month and --day, or on the --instance of --days",
    .interval = "Every N days, weeks or months",
    .mask = "Weekday bits: Sunday 1, Monday 2 ... Saturday 64",
    .instance = "Which of the month's weekdays: 1 to 4, or 5/last",
    .start = "Date the recurrence starts (default: today)",
    .time = "Time of day of every occurrence (default: the next hh:00 or hh:30)",
};

}  // namespace

void ScheduleOptions::Define(CLI::App& sub) {
  at_ = sub.add_option("--at", atText_,
                       "Send once at this time: as the regional settings write it "
                       "(\"12/7/2026 9:00:00 AM\") or ISO 8601 (2026-12-07T09:00)")
            ->type_name("TIME");
  pattern_.Define(sub, kHelp);
  count_ =
      sub.add_option("--count", countText_, "End after N occurrences (1 to 999)")->type_name("N");
  until_ = sub.add_option("--until", untilText_, "End by this date")->type_name("YYYY-MM-DD");
  sub.add_flag("--no-end", noEnd_, "The recurrence never ends");
  sub.add_flag("--catch-up", catchUp_,
               "Send every occurrence already past the start at once, one copy each "
               "(otherwise such a recurrence is refused)");
}

void ScheduleOptions::Validate() const {
  if (!(Given(at_) || pattern_.Given() || Given(count_) || Given(until_) || noEnd_))
    throw UsageError(kNoSchedule);
}

posix::PatternRequest ScheduleOptions::Pattern() const {
  posix::PatternRequest p;
  p.type = pattern_.Type();
  const PatternKind& kind = KindOf(p.type);

  const DateTime fallback = CMailProps::DefaultSendTime(Now());
  const bool hasTime = pattern_.Has(PatternOptions::kTime);
  p.timeOfDay = hasTime ? pattern_.Time() : fallback.TimePart();
  p.startDate = pattern_.Has(PatternOptions::kStart)
                    ? pattern_.Start()
                    : (hasTime ? Now().DatePart() : fallback.DatePart());

  const bool hasMask = pattern_.WeekdaysGiven();
  const std::int32_t mask = hasMask ? pattern_.Weekdays() : 0;
  // --monthly and --yearly read --instance as the choice of their n-th form;
  // beside --type 2 or 5 it is passed over.
  const bool instanceRead = p.type != recurrence::kMonthly && p.type != recurrence::kYearly;
  pattern_.RefuseUnused(kind, instanceRead ? ~0u : ~f::kInstance, kind.words);

  if (kind.fields & f::kInterval) {
    const bool daily = p.type == recurrence::kDaily;
    p.interval = pattern_.Has(f::kInterval) ? pattern_.Interval(1) : (daily && hasMask ? 0 : 1);
    if (daily && pattern_.Has(f::kInterval) && hasMask)
      throw UsageError(std::string(pattern_.WeekdaysOption()) +
                       ": a daily pattern runs every N days or on weekdays, not both");
  }
  if (kind.fields & f::kInstance) p.instance = pattern_.Instance();
  if (kind.fields & f::kMask)
    p.mask = hasMask || p.type == recurrence::kDaily ? mask : p.startDate.WeekdayBit();
  if (kind.fields & f::kMonth)
    p.monthOfYear = pattern_.Has(f::kMonth) ? pattern_.Month() : p.startDate.Month();
  if (kind.fields & f::kDay)
    p.dayOfMonth = pattern_.Has(f::kDay) ? pattern_.Day() : p.startDate.Day();

  const int ends = Given(count_) + Given(until_) + noEnd_;
  if (ends != 1)
    throw UsageError(std::string(ends == 0 ? "--count: a recurrence needs its end: "
                                           : "--count: give only one end: ") +
                     "--count N, --until YYYY-MM-DD or --no-end");
  if (Given(count_)) {
    p.end = posix::RangeEnd::kCount;
    p.count = ParseWhole("--count", countText_, 1, 999);
  } else if (Given(until_)) {
    p.end = posix::RangeEnd::kUntil;
    p.until = ParseIsoDate("--until", untilText_);
  } else {
    p.end = posix::RangeEnd::kNever;
  }
  return p;
}

posix::ScheduleRequest ScheduleOptions::Resolve() const {
  posix::ScheduleRequest request;
  if (Given(at_)) {
    if (pattern_.TypeChosen()) throw UsageError("--at: give either --at or a recurrence, not both");
    std::string detail = pattern_.FirstDetailGiven();
    if (detail.empty() && Given(count_)) detail = count_->get_name();
    if (detail.empty() && Given(until_)) detail = until_->get_name();
    if (!detail.empty()) throw UsageError(detail + ": belongs to a recurrence, not to --at");
    if (noEnd_) throw UsageError("--no-end: belongs to a recurrence, not to --at");
    // The regional settings read ISO 8601 too.
    request.at = ReadDateText(atText_);
    if (!request.at)
      throw UsageError("--at: expected a time such as '" +
                       DateText(CMailProps::DefaultSendTime(Now())) +
                       "' or 2026-12-07T09:00, got '" + atText_ + "'");
    return request;
  }
  if (!pattern_.TypeChosen()) throw UsageError(kNoSchedule);
  request.pattern = Pattern();
  request.catchUp = catchUp_;
  return request;
}

}  // namespace velmora::cli
