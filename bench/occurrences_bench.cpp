// Cost of the occurrence rules: 999 occurrences of every recurrence type, and
// the longest walk there is, an empty weekday mask stepping day by day through
// the thousand years a count allows.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "common/picture_locale.h"
#include "common/services.h"

namespace velmora {
namespace {

CMailProps Pattern(std::int32_t type) {
  CMailProps p;
  p.m_IsRecurring = true;
  p.m_NoEndDate = true;
  p.m_RecurrenceType = type;
  p.m_Interval = 1;
  p.m_PatternStartDate = DateTime::FromParts(2027, 3, 1);
  p.m_StartTime = DateTime::FromTime(9, 0, 0);
  switch (type) {
    case recurrence::kDaily:
      p.m_Interval = 0;
      p.m_DayOfWeekMask = recurrence::kWorkdayMask;
      break;
    case recurrence::kWeekly:
      p.m_DayOfWeekMask = 2 | 32;
      break;
    case recurrence::kMonthly:
      p.m_DayOfMonth = 31;
      break;
    case recurrence::kMonthNth:
      p.m_Instance = recurrence::kInstanceLast;
      p.m_DayOfWeekMask = 2;
      break;
    case recurrence::kYearly:
      p.m_MonthOfYear = 2;
      p.m_DayOfMonth = 29;
      break;
    case recurrence::kYearNth:
      p.m_MonthOfYear = 11;
      p.m_Instance = 4;
      p.m_DayOfWeekMask = 16;
      break;
    default:
      break;
  }
  return p;
}

// The weekly rule reads the first day of the week; fix it so the benchmark
// measures the walk, not a registry.
struct Fixture {
  PictureLocale locale;
  ScopedServices services{Services{.locale = &locale}};
  ScopedFirstDOW sunday{1};
};

void Run(benchmark::State& state, CMailProps p, std::int32_t count, std::size_t expected) {
  Fixture f;
  for (auto _ : state) {
    auto list = p.GetOccurrences(count);
    if (!list || list->size() != expected) {
      state.SkipWithError("unexpected number of occurrences");
      break;
    }
    benchmark::DoNotOptimize(list->data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(expected));
}

void BM_Occurrences999(benchmark::State& state) {
  Run(state, Pattern(static_cast<std::int32_t>(state.range(0))), 999, 999);
}
BENCHMARK(BM_Occurrences999)
    ->ArgName("type")
    ->Arg(recurrence::kDaily)
    ->Arg(recurrence::kWeekly)
    ->Arg(recurrence::kMonthly)
    ->Arg(recurrence::kMonthNth)
    ->Arg(recurrence::kYearly)
    ->Arg(recurrence::kYearNth);

void BM_EmptyMaskThousandYears(benchmark::State& state) {
  CMailProps p = Pattern(static_cast<std::int32_t>(state.range(0)));
  p.m_Interval = 0;
  p.m_DayOfWeekMask = 0;
  Run(state, p, 2, 0);
}
BENCHMARK(BM_EmptyMaskThousandYears)
    ->ArgName("type")
    ->Arg(recurrence::kDaily)
    ->Arg(recurrence::kWeekly)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
