#include "common/datetime.h"

#include <cmath>
#include <cstdio>

#include "common/host_error.h"

namespace velmora {

namespace {

constexpr double kMinOle = -657434.0;         // 1 January 100
constexpr double kMaxOle = 2958465.99999999;  // 31 December 9999, end of day

bool YearInRange(std::int64_t y) {
  return y >= kMinYear && y <= kMaxYear;
}

}  // namespace

std::optional<DateTime> DateTime::TryFromParts(int year, int month, int day, int hour, int minute,
                                               int second) noexcept {
  // Months run over into years first (month 13 is January of the next year),
  // then days run over from the first of that month.
  const std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
  const std::int64_t y = static_cast<std::int64_t>(year) + FloorDiv(m0, 12);
  const int m = static_cast<int>(m0 - FloorDiv(m0, 12) * 12) + 1;
  if (!YearInRange(y)) return std::nullopt;
  const std::int64_t days = DaysFromCivil(static_cast<int>(y), m, 1) + day - 1;
  const std::int64_t secs = days * kSecondsPerDay + static_cast<std::int64_t>(hour) * 3600 +
                            static_cast<std::int64_t>(minute) * 60 + second;
  DateTime t(secs);
  if (!t.InHostRange()) return std::nullopt;
  return t;
}

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second) {
  auto t = TryFromParts(year, month, day, hour, minute, second);
  if (!t) Raise(err::kInvalidCall, "Invalid procedure call or argument");
  return *t;
}

DateTime DateTime::FromTime(int hour, int minute, int second) {
  return DateTime(static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 +
                  second);
}

std::optional<DateTime> DateTime::TryFromOle(double ole) noexcept {
  if (!std::isfinite(ole) || ole < kMinOle || ole > kMaxOle) return std::nullopt;
  // The whole part is the day (toward zero); the fraction, whatever the sign,
  // is the time of day counted forward from that day's midnight.
  const double whole = std::trunc(ole);
  const double frac = std::fabs(ole - whole);
  const auto day = static_cast<std::int64_t>(whole);
  const auto secs = static_cast<std::int64_t>(std::llround(frac * kSecondsPerDay));
  return DateTime(day * kSecondsPerDay + secs);
}

DateTime DateTime::FromOle(double ole) {
  auto t = TryFromOle(ole);
  if (!t) Raise(err::kOverflow, "Overflow");
  return *t;
}

double DateTime::ToOle() const noexcept {
  const std::int64_t day = DayNumber();
  const double frac = static_cast<double>(SecondsOfDay()) / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + frac : static_cast<double>(day) - frac;
}

DateTime DateTime::AddMonths(std::int64_t n) const {
  const CivilDate c = Civil();
  const std::int64_t total = static_cast<std::int64_t>(c.year) * 12 + (c.month - 1) + n;
  const std::int64_t y = FloorDiv(total, 12);
  const int m = static_cast<int>(total - y * 12) + 1;
  if (!YearInRange(y)) Raise(err::kInvalidCall, "Invalid procedure call or argument");
  const int d = std::min(c.day, DaysInMonth(static_cast<int>(y), m));
  return DateTime(DaysFromCivil(static_cast<int>(y), m, d) * kSecondsPerDay + SecondsOfDay());
}

std::string ToIsoText(DateTime t) {
  const CivilDate c = t.Civil();
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, t.Hour(),
                t.Minute(), t.Second());
  return buf;
}

}  // namespace velmora
