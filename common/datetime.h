// Local date-time values as the host keeps them: whole seconds since
// 30 December 1899 00:00, no time zone. Calendar helpers follow the host's
// rules (day overflow when building a date, month clamping when adding).
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

inline constexpr std::int64_t kSecondsPerDay = 86400;
// The host's date range (years 100 to 9999); anything outside raises error 5.
inline constexpr int kMinYear = 100;
inline constexpr int kMaxYear = 9999;

struct CivilDate {
  int year;
  int month;  // 1..12
  int day;    // 1..31
};

// Days from 1899-12-30 to the given proleptic Gregorian date (may be negative).
constexpr std::int64_t DaysFromCivil(int y, int m, int d) noexcept {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned mp = static_cast<unsigned>(m > 2 ? m - 3 : m + 9);
  const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  // The civil algorithm counts from 0000-03-01; 693899 days lie between that and 1899-12-30.
  return era * 146097 + static_cast<std::int64_t>(doe) - 693899;
}

constexpr CivilDate CivilFromDays(std::int64_t z) noexcept {
  z += 693899;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2 ? 1 : 0)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr bool IsLeapYear(int y) noexcept {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr int DaysInMonth(int y, int m) noexcept {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[(m - 1) % 12];
}

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) noexcept {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

class DateTime {
 public:
  constexpr DateTime() noexcept = default;

  static constexpr DateTime FromSeconds(std::int64_t s) noexcept { return DateTime(s); }
  // Builds a date like a date serial: month and day may run over (day 0 is the
  // last day of the month before). Raises error 5 outside the host's range.
  static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0);
  static std::optional<DateTime> TryFromParts(int year, int month, int day, int hour = 0,
                                              int minute = 0, int second = 0) noexcept;
  // A time of day on the zero day.
  static DateTime FromTime(int hour, int minute, int second);

  // OLE automation date (days since the zero day, time as the fraction; for
  // dates before it the fraction still counts forward from midnight).
  // Rounded to the nearest second. Raises error 6 for values out of range.
  static DateTime FromOle(double ole);
  static std::optional<DateTime> TryFromOle(double ole) noexcept;
  double ToOle() const noexcept;

  constexpr std::int64_t Seconds() const noexcept { return s_; }
  constexpr std::int64_t DayNumber() const noexcept { return FloorDiv(s_, kSecondsPerDay); }
  constexpr int SecondsOfDay() const noexcept {
    return static_cast<int>(s_ - DayNumber() * kSecondsPerDay);
  }
  constexpr CivilDate Civil() const noexcept { return CivilFromDays(DayNumber()); }
  constexpr int Year() const noexcept { return Civil().year; }
  constexpr int Month() const noexcept { return Civil().month; }
  constexpr int Day() const noexcept { return Civil().day; }
  constexpr int Hour() const noexcept { return SecondsOfDay() / 3600; }
  constexpr int Minute() const noexcept { return SecondsOfDay() / 60 % 60; }
  constexpr int Second() const noexcept { return SecondsOfDay() % 60; }
  // 1 = Sunday ... 7 = Saturday. The zero day was a Saturday.
  constexpr int Weekday() const noexcept {
    return static_cast<int>(((DayNumber() + 6) % 7 + 7) % 7) + 1;
  }
  // The weekday bit of the host's day-of-week mask: Sunday 1 ... Saturday 64.
  constexpr int WeekdayBit() const noexcept { return 1 << (Weekday() - 1); }

  constexpr DateTime DatePart() const noexcept { return DateTime(DayNumber() * kSecondsPerDay); }
  constexpr DateTime TimePart() const noexcept { return DateTime(SecondsOfDay()); }
  constexpr bool IsMidnight() const noexcept { return SecondsOfDay() == 0; }

  constexpr DateTime AddSeconds(std::int64_t n) const noexcept { return DateTime(s_ + n); }
  constexpr DateTime AddMinutes(std::int64_t n) const noexcept { return AddSeconds(n * 60); }
  constexpr DateTime AddDays(std::int64_t n) const noexcept {
    return AddSeconds(n * kSecondsPerDay);
  }
  // Same day number in the target month, or its last day when shorter; the
  // time of day is kept. Raises error 5 when the result leaves the range.
  DateTime AddMonths(std::int64_t n) const;
  DateTime AddYears(std::int64_t n) const { return AddMonths(n * 12); }
  // The date of this value plus the time of day of another.
  constexpr DateTime WithTimeOf(DateTime t) const noexcept {
    return DateTime(DayNumber() * kSecondsPerDay + t.SecondsOfDay());
  }

  constexpr bool InHostRange() const noexcept {
    const int y = Year();
    return y >= kMinYear && y <= kMaxYear;
  }

  friend constexpr auto operator<=>(DateTime, DateTime) noexcept = default;
  friend constexpr bool operator==(DateTime, DateTime) noexcept = default;

 private:
  constexpr explicit DateTime(std::int64_t s) noexcept : s_(s) {}
  std::int64_t s_ = 0;
};

// Text for logs and tests that does not depend on regional settings:
// "YYYY-MM-DD HH:MM:SS".
std::string ToIsoText(DateTime t);

}  // namespace velmora
