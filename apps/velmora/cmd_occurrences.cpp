// velmora occurrences: prints the occurrences that a recurrence pattern gives,
// computed by the schedule record's own rules, one a line, oldest first.
#include <CLI/CLI.hpp>

#include <array>
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "apps/velmora/command.h"
#include "apps/velmora/option_values.h"
#include "common/debug.h"

namespace velmora::cli {

namespace {

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();

// The pattern fields each recurrence type reads.
enum Field : unsigned { kInterval = 1, kMask = 2, kDay = 4, kMonth = 8, kInstance = 16 };

struct PatternKind {
  std::int32_t type;
  const char* name;
  unsigned uses;
};

constexpr std::array<PatternKind, 6> kKinds = {{
    {recurrence::kDaily, "daily", kInterval | kMask},
    {recurrence::kWeekly, "weekly", kInterval | kMask},
    {recurrence::kMonthly, "monthly", kInterval | kDay},
    {recurrence::kMonthNth, "monthly-nth", kInterval | kInstance | kMask},
    {recurrence::kYearly, "yearly", kMonth | kDay},
    {recurrence::kYearNth, "yearly-nth", kMonth | kInstance | kMask},
}};

const PatternKind* KindOf(std::int32_t type) {
  for (const PatternKind& k : kKinds)
    if (k.type == type) return &k;
  return nullptr;
}

class OccurrencesCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    type_ = sub.add_option("--type", typeText_,
                           "Pattern type: 0 daily, 1 weekly, 2 monthly, 3 monthly n-th, "
                           "5 yearly, 6 yearly n-th (or their names)")
                ->type_name("T");
    sub.add_flag("--daily", daily_, "Daily pattern (same as --type 0)");
    sub.add_flag("--weekly", weekly_, "Weekly pattern (same as --type 1)");
    sub.add_flag("--monthly", monthly_,
                 "Monthly pattern: on --day, or on --instance of the weekdays (type 2 or 3)");
    sub.add_flag("--yearly", yearly_,
                 "Yearly pattern: on --month and --day, or on --instance (type 5 or 6)");
    interval_ = sub.add_option("--interval", intervalText_,
                               "Every N days, weeks or months; 0 for daily means every "
                               "day of the weekday mask")
                    ->type_name("N");
    mask_ = sub.add_option("--mask", maskText_,
                           "Weekday bits: Sunday 1, Monday 2 ... Saturday 64 (62 Monday to Friday)")
                ->type_name("M");
    days_ = sub.add_option("--days", daysText_, "Weekdays by name, such as mon,fri or weekdays")
                ->type_name("LIST");
    day_ = sub.add_option("--day", dayText_, "Day of the month, 1 to 31")->type_name("D");
    month_ = sub.add_option("--month", monthText_, "Month, 1 to 12 or its name")->type_name("M");
    instance_ = sub.add_option("--instance", instanceText_,
                               "Which of the month's weekdays: 1 to 4, 5 or last")
                    ->type_name("I");
    start_ = sub.add_option("--start", startText_, "Pattern start date")->type_name("YYYY-MM-DD");
    time_ =
        sub.add_option("--time", timeText_, "Time of day of every occurrence")->type_name("HH:MM");
    count_ = sub.add_option("--count", countText_, "Number of occurrences to list")->type_name("N");
    until_ =
        sub.add_option("--until", untilText_, "List the occurrences up to this date (at most 999)")
            ->type_name("YYYY-MM-DD");
    firstDow_ = sub.add_option("--first-dow", firstDowText_,
                               "First day of the week for this run: 1 Sunday ... 7 Saturday, "
                               "0 the system's (default: the host's calendar option)")
                    ->type_name("F");
  }

  void Validate() override {
    props_.m_IsRecurring = true;
    props_.m_NoEndDate = true;
    props_.m_RecurrenceType = PatternType();
    const PatternKind& kind = *KindOf(props_.m_RecurrenceType);

    if (Given(mask_) && Given(days_)) throw UsageError("--days: give either --mask or --days");
    const bool hasMask = Given(mask_) || Given(days_);
    Unused(kind, kInterval, interval_, "--interval");
    Unused(kind, kMask, mask_, "--mask");
    Unused(kind, kMask, days_, "--days");
    Unused(kind, kDay, day_, "--day");
    Unused(kind, kMonth, month_, "--month");
    Unused(kind, kInstance, instance_, "--instance");

    if (hasMask)
      props_.m_DayOfWeekMask =
          Given(mask_) ? ParseWeekdayMask("--mask", maskText_) : ParseWeekdays("--days", daysText_);
    if (kind.uses & kInterval) {
      if (props_.m_RecurrenceType == recurrence::kDaily) {
        // Weekdays without an interval mean "every one of these days".
        props_.m_Interval = Given(interval_) ? ParseWhole("--interval", intervalText_, 0, kMaxInt)
                                             : (hasMask ? 0 : 1);
        if (props_.m_Interval == 0 && !hasMask)
          throw UsageError(
              "--mask: a daily pattern with --interval 0 needs its weekdays "
              "(--mask or --days)");
        if (props_.m_Interval != 0 && hasMask)
          throw UsageError(std::string(Given(mask_) ? "--mask" : "--days") +
                           ": a daily pattern reads weekdays only with --interval 0");
      } else {
        props_.m_Interval =
            Given(interval_) ? ParseWhole("--interval", intervalText_, 1, kMaxInt) : 1;
      }
    }
    if ((kind.uses & kMask) && props_.m_RecurrenceType != recurrence::kDaily && !hasMask)
      throw UsageError(std::string("--mask: a ") + kind.name +
                       " pattern needs its weekdays (--mask or --days)");
    if (kind.uses & kDay)
      props_.m_DayOfMonth = ParseWhole("--day", Required(day_, dayText_, ForKind(kind)), 1, 31);
    if (kind.uses & kMonth)
      props_.m_MonthOfYear = ParseMonth("--month", Required(month_, monthText_, ForKind(kind)));
    if (kind.uses & kInstance)
      props_.m_Instance =
          ParseInstance("--instance", Required(instance_, instanceText_, ForKind(kind)));

    props_.m_PatternStartDate =
        ParseIsoDate("--start", Required(start_, startText_, "(YYYY-MM-DD)"));
    props_.m_StartTime = ParseClockTime("--time", Required(time_, timeText_, "(HH:MM)"));

    if (Given(count_) && Given(until_))
      throw UsageError("--until: give either --count or --until, not both");
    if (Given(count_))
      limit_ = ParseWhole("--count", countText_, 0, kMaxInt);
    else if (Given(until_))
      limit_ = ParseIsoDate("--until", untilText_);
    else
      throw UsageError("--count: give --count N or --until YYYY-MM-DD");

    if (Given(firstDow_)) firstDowValue_ = ParseFirstDow("--first-dow", firstDowText_);
  }

  int Run(std::ostream& out) override {
    std::optional<ScopedFirstDOW> fixed;
    if (firstDowValue_) fixed.emplace(*firstDowValue_);
    const std::optional<std::vector<DateTime>> list = props_.GetOccurrences(limit_);
    if (!list) {
      std::cerr << "velmora occurrences: the pattern's occurrences could not be computed (see "
                << g_debug().FilePath().string() << ")\n";
      return 1;
    }
    for (DateTime t : *list)
      out << ToIsoText(t) << '\n';
    out.flush();
    return out ? 0 : 1;
  }

 private:
  static bool Given(const CLI::Option* o) { return o && o->count() > 0; }

  std::int32_t PatternType() const {
    const int chosen = Given(type_) + daily_ + weekly_ + monthly_ + yearly_;
    if (chosen > 1)
      throw UsageError("--type: give only one of --type, --daily, --weekly, --monthly, --yearly");
    if (chosen == 0)
      throw UsageError(
          "--type: a pattern type is required (--type, or --daily, --weekly, "
          "--monthly, --yearly)");
    if (daily_) return recurrence::kDaily;
    if (weekly_) return recurrence::kWeekly;
    if (monthly_) return Given(instance_) ? recurrence::kMonthNth : recurrence::kMonthly;
    if (yearly_) return Given(instance_) ? recurrence::kYearNth : recurrence::kYearly;
    std::int32_t type = 0;
    if (ParseInt32(typeText_, type) && KindOf(type)) return type;
    for (const PatternKind& k : kKinds)
      if (ToLowerAscii(Trim(typeText_)) == k.name) return k.type;
    throw UsageError(
        "--type: expected 0 daily, 1 weekly, 2 monthly, 3 monthly-nth, 5 yearly or "
        "6 yearly-nth, got '" +
        typeText_ + "'");
  }

  static void Unused(const PatternKind& kind, Field field, const CLI::Option* o,
                     const char* option) {
    if (Given(o) && !(kind.uses & field))
      throw UsageError(std::string(option) + ": not used by a " + kind.name + " pattern");
  }

  static std::string ForKind(const PatternKind& kind) {
    return std::string("for a ") + kind.name + " pattern";
  }

  static const std::string& Required(const CLI::Option* o, const std::string& text,
                                     const std::string& why) {
    if (!Given(o)) throw UsageError(o->get_name() + ": required " + why);
    return text;
  }

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
  CLI::Option* firstDow_ = nullptr;
  std::string typeText_, intervalText_, maskText_, daysText_, dayText_, monthText_, instanceText_,
      startText_, timeText_, countText_, untilText_, firstDowText_;
  bool daily_ = false, weekly_ = false, monthly_ = false, yearly_ = false;

  CMailProps props_;
  host::Value limit_;
  std::optional<int> firstDowValue_;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"occurrences", "Print the occurrences of a recurrence pattern, oldest first",
                     [] { return std::make_unique<OccurrencesCommand>(); }});

}  // namespace

}  // namespace velmora::cli
