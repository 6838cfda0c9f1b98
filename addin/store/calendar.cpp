#include "addin/store/calendar.h"

#include <string>

#include "addin/store/versions.h"
#include "common/locale.h"
#include "common/services.h"
#include "common/text.h"
#include "common/trap.h"
#include "common/winreg.h"

namespace velmora {

namespace {

std::optional<int>& FirstDowOverride() {
  static std::optional<int> value;
  return value;
}

}  // namespace

int LoadFirstDOW() {
  if (const std::optional<int>& fixed = FirstDowOverride()) return *fixed;
  return TrapOr("LoadFirstDOW", 0, [] {
    CWinReg reg;
    const std::string key =
        "Software\\Microsoft\\Office\\" + g_OutlookVersion + "\\Outlook\\Options\\Calendar";
    if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, key)) return 0;
    // The host counts from 0 = Sunday; the rules count from 1.
    const std::int64_t dow = static_cast<std::int64_t>(reg.GetNumber("FirstDOW")) + 1;
    return dow >= 1 && dow <= 7 ? static_cast<int>(dow) : 0;
  });
}

int SystemFirstDOW() {
  return TrapOr("SystemFirstDOW", 1, [] {
    // The locale counts 0 = Monday ... 6 = Sunday.
    std::int32_t v = 0;
    if (!ParseInt32(TheLocale().GetLocaleInfo(lc::kFirstDayOfWeek), v) || v < 0 || v > 6) return 1;
    return (v + 1) % 7 + 1;
  });
}

int EffectiveFirstDOW() {
  const int dow = LoadFirstDOW();
  return dow >= 1 && dow <= 7 ? dow : SystemFirstDOW();
}

ScopedFirstDOW::ScopedFirstDOW(int firstDow) : saved_(FirstDowOverride()) {
  FirstDowOverride() = firstDow >= 1 && firstDow <= 7 ? firstDow : 0;
}

ScopedFirstDOW::~ScopedFirstDOW() {
  FirstDowOverride() = saved_;
}

int GetDaysInMonth(DateTime d) {
  // Straight from the calendar rather than "first of next month minus a day",
  // which would leave the host's range in December 9999.
  const CivilDate c = d.Civil();
  return DaysInMonth(c.year, c.month);
}

int GetWeekInstance(DateTime d) {
  const int n = d.Day();
  if (n + 7 > GetDaysInMonth(d)) return 5;
  return (n + 6) / 7;
}

std::int32_t GetWorkdayMask() {
  return 62;
}

}  // namespace velmora
