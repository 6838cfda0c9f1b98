#include "platform/win32/adapters/iso_date_text.h"

namespace velmora::win32 {

namespace {

// Reads exactly `digits` decimal digits at the front of `s` and consumes them.
bool TakeNumber(std::string_view& s, std::size_t digits, int& out) noexcept {
  if (s.size() < digits) return false;
  int v = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const char c = s[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  s.remove_prefix(digits);
  out = v;
  return true;
}

bool TakeChar(std::string_view& s, char c) noexcept {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<DateTime> ParseIsoDateTime(std::string_view s) noexcept {
  while (!s.empty() && s.front() == ' ')
    s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ')
    s.remove_suffix(1);

  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!TakeNumber(s, 4, year) || !TakeChar(s, '-') || !TakeNumber(s, 2, month) ||
      !TakeChar(s, '-') || !TakeNumber(s, 2, day))
    return std::nullopt;
  if (!s.empty()) {
    if (!TakeChar(s, ' ') && !TakeChar(s, 'T')) return std::nullopt;
    if (!TakeNumber(s, 2, hour) || !TakeChar(s, ':') || !TakeNumber(s, 2, minute))
      return std::nullopt;
    if (!s.empty() && (!TakeChar(s, ':') || !TakeNumber(s, 2, second))) return std::nullopt;
    if (!s.empty()) return std::nullopt;
  }
  // Building a date serial would roll 2026-02-30 over into March: refuse it.
  if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  return DateTime::TryFromParts(year, month, day, hour, minute, second);
}

}  // namespace velmora::win32
