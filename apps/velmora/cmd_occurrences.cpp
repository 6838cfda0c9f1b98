// velmora occurrences: prints the occurrences that a recurrence pattern gives,
// computed by the schedule record's own rules, one a line, oldest first.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "addin/dialogs/frm_recurrence.h"
#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "apps/velmora/command.h"
#include "apps/velmora/option_values.h"
#include "apps/velmora/pattern_options.h"
#include "common/debug.h"

namespace velmora::cli {

namespace {

namespace f = posix::pattern_field;

constexpr PatternHelp kHelp = {
    .type =
        "Pattern type: 0 daily, 1 weekly, 2 monthly, 3 monthly n-th, "
        "5 yearly, 6 yearly n-th (or their names)",
    .daily = "Daily pattern (same as --type 0)",
    .weekly = "Weekly pattern (same as --type 1)",
    .monthly = "Monthly pattern: on --day, or on --instance of the weekdays (type 2 or 3)",
    .yearly = "Yearly pattern: on --month and --day, or on --instance (type 5 or 6)",
    .interval =
        "Every N days, weeks or months; 0 for daily means every "
        "day of the weekday mask",
    .mask = "Weekday bits: Sunday 1, Monday 2 ... Saturday 64 (62 Monday to Friday)",
    .instance = "Which of the month's weekdays: 1 to 4, 5 or last",
    .start = "Pattern start date",
    .time = "Time of day of every occurrence",
};

class OccurrencesCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    pattern_.Define(sub, kHelp);
    count_ = sub.add_option("--count", countText_, "Number of occurrences to list")->type_name("N");
    until_ =
        sub.add_option("--until", untilText_, "List the occurrences up to this date (at most 999)")
            ->type_name("YYYY-MM-DD");
    firstDow_ = sub.add_option("--first-dow", firstDowText_,
                               "First day of the week for this run: 1 Sunday ... 7 Saturday, "
                               "0 the system's (default: the host's calendar option)")
                    ->type_name("F");
    sub.add_flag("--range", range_,
                 "Print the count and the end date that the recurrence dialog shows for "
                 "--count or --until, instead of the list");
  }

  void Validate() override {
    props_.m_IsRecurring = true;
    props_.m_NoEndDate = true;
    if (!pattern_.TypeChosen())
      throw UsageError(
          "--type: a pattern type is required (--type, or --daily, --weekly, "
          "--monthly, --yearly)");
    props_.m_RecurrenceType = pattern_.Type();
    const PatternKind& kind = KindOf(props_.m_RecurrenceType);

    const bool hasMask = pattern_.WeekdaysGiven();
    // Every option that the type does not read is refused.
    pattern_.RefuseUnused(kind, ~0u, kind.name);

    if (hasMask) props_.m_DayOfWeekMask = pattern_.Weekdays();
    if (kind.fields & f::kInterval) {
      if (props_.m_RecurrenceType == recurrence::kDaily) {
        // Weekdays without an interval mean "every one of these days".
        props_.m_Interval = pattern_.Has(f::kInterval) ? pattern_.Interval(0) : (hasMask ? 0 : 1);
        if (props_.m_Interval == 0 && !hasMask)
          throw UsageError(
              "--mask: a daily pattern with --interval 0 needs its weekdays "
              "(--mask or --days)");
        if (props_.m_Interval != 0 && hasMask)
          throw UsageError(std::string(pattern_.WeekdaysOption()) +
                           ": a daily pattern reads weekdays only with --interval 0");
      } else {
        props_.m_Interval = pattern_.Has(f::kInterval) ? pattern_.Interval(1) : 1;
      }
    }
    // The same bounds as `velmora schedule`: what one prints, the other takes.
    if ((kind.fields & f::kInterval) &&
        props_.m_Interval > posix::MaxInterval(props_.m_RecurrenceType))
      throw UsageError("--interval: The number is not valid. (1 to " +
                       std::to_string(posix::MaxInterval(props_.m_RecurrenceType)) + ")");
    if ((kind.fields & f::kMask) && props_.m_RecurrenceType != recurrence::kDaily && !hasMask)
      throw UsageError(std::string("--mask: a ") + kind.name +
                       " pattern needs its weekdays (--mask or --days)");
    const std::string forKind = std::string("for a ") + kind.name + " pattern";
    if (kind.fields & f::kDay) {
      Require(f::kDay, "--day", forKind);
      props_.m_DayOfMonth = pattern_.Day();
    }
    if (kind.fields & f::kMonth) {
      Require(f::kMonth, "--month", forKind);
      props_.m_MonthOfYear = pattern_.Month();
    }
    if (kind.fields & f::kInstance) {
      Require(f::kInstance, "--instance", forKind);
      props_.m_Instance = pattern_.Instance();
    }
    Require(PatternOptions::kStart, "--start", "(YYYY-MM-DD)");
    props_.m_PatternStartDate = pattern_.Start();
    Require(PatternOptions::kTime, "--time", "(HH:MM)");
    props_.m_StartTime = pattern_.Time();

    if (Given(count_) && Given(until_))
      throw UsageError("--until: give either --count or --until, not both");
    if (Given(count_))
      // The dialog's count field holds 1 to 999.
      limit_ = ParseWhole("--count", countText_, range_ ? 1 : 0, range_ ? 999 : kMaxWhole);
    else if (Given(until_))
      limit_ = ParseIsoDate("--until", untilText_);
    else
      throw UsageError("--count: give --count N or --until YYYY-MM-DD");

    if (Given(firstDow_)) firstDowValue_ = ParseFirstDow("--first-dow", firstDowText_);
  }

  bool ReadsOnly() const override { return true; }

  int Run(std::ostream& out) override {
    std::optional<ScopedFirstDOW> fixed;
    if (firstDowValue_) fixed.emplace(*firstDowValue_);
    if (range_) return PrintRange(out);
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
  int PrintRange(std::ostream& out) {
    const auto* count = std::get_if<std::int32_t>(&limit_);
    const auto* until = std::get_if<DateTime>(&limit_);
    std::int32_t n = count ? *count : 0;
    DateTime end = until ? *until : DateTime();
    if (!PreviewRangeEnd(props_, count != nullptr, n, end)) {
      std::cerr << "velmora occurrences: the pattern has no occurrence to end its range (see "
                << g_debug().FilePath().string() << ")\n";
      return 1;
    }
    out << "count: " << n << "\nend: " << ToIsoText(end).substr(0, 10) << '\n';
    out.flush();
    return out ? 0 : 1;
  }

  void Require(unsigned option, const char* name, const std::string& why) const {
    if (!pattern_.Has(option)) throw UsageError(std::string(name) + ": required " + why);
  }

  PatternOptions pattern_;
  CLI::Option* count_ = nullptr;
  CLI::Option* until_ = nullptr;
  CLI::Option* firstDow_ = nullptr;
  std::string countText_, untilText_, firstDowText_;

  CMailProps props_;
  host::Value limit_;
  std::optional<int> firstDowValue_;
  bool range_ = false;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"occurrences", "Print the occurrences of a recurrence pattern, oldest first",
                     [] { return std::make_unique<OccurrencesCommand>(); }});

}  // namespace

}  // namespace velmora::cli
