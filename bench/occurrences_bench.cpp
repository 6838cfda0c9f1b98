// Cost of the occurrence rules: 999 occurrences of every recurrence type, and
// the longest walk there is, an empty weekday mask stepping day by day through
// the thousand years a count allows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

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

// Every type against the daily one, timed side by side in the same
// iterations (thread CPU time, so that other processes' load counts for
// neither): the median of each type's time over the daily one's.
double CpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

void BM_OccurrenceRatiosToDaily(benchmark::State& state) {
  Fixture f;
  constexpr std::int32_t kTypes[] = {recurrence::kDaily,   recurrence::kWeekly,
                                     recurrence::kMonthly, recurrence::kMonthNth,
                                     recurrence::kYearly,  recurrence::kYearNth};
  constexpr int kRepeats = 50;
  std::vector<std::vector<double>> samples(std::size(kTypes));
  for (auto _ : state) {
    for (std::size_t i = 0; i < std::size(kTypes); ++i) {
      CMailProps p = Pattern(kTypes[i]);
      const double start = CpuNs();
      for (int r = 0; r < kRepeats; ++r) {
        auto list = p.GetOccurrences(std::int32_t{999});
        if (!list || list->size() != 999) {
          state.SkipWithError("unexpected number of occurrences");
          return;
        }
        benchmark::DoNotOptimize(list->data());
      }
      samples[i].push_back((CpuNs() - start) / kRepeats);
    }
  }
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double daily = median(samples[0]);
  state.counters["daily_us"] = daily / 1000;
  for (std::size_t i = 1; i < std::size(kTypes); ++i)
    state.counters["type" + std::to_string(kTypes[i]) + "_ratio"] = median(samples[i]) / daily;
}
BENCHMARK(BM_OccurrenceRatiosToDaily)->Iterations(41);

}  // namespace
}  // namespace velmora
