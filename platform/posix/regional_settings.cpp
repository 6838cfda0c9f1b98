#include "platform/posix/regional_settings.h"

#include <array>
#include <cstdint>

#include "common/host_error.h"
#include "common/text.h"
#include "common/winreg.h"

namespace velmora::posix {

namespace {

constexpr std::string_view kShortDate = "sShortDate";
constexpr std::string_view kTimeFormat = "sTimeFormat";
constexpr std::string_view kTimeSeparator = "sTime";
constexpr std::string_view kDateSeparator = "sDate";
constexpr std::string_view kAm = "s1159";
constexpr std::string_view kPm = "s2359";
constexpr std::string_view kFirstDayOfWeek = "iFirstDayOfWeek";

bool Has(std::string_view picture, char letter) {
  return picture.find(letter) != std::string_view::npos;
}

// Date-times that tell day from month, morning from afternoon, and the
// second: a form that writes them all and reads them back is a usable one.
constexpr std::array<std::array<int, 6>, 4> kProbes = {{
    {2026, 12, 7, 21, 5, 9},
    {2027, 1, 30, 9, 0, 0},
    {1999, 11, 12, 0, 30, 59},
    {2030, 2, 28, 12, 0, 1},
}};

}  // namespace

LocalePictures LoadRegionalSettings(RegistryBackend& registry) {
  const LocalePictures defaults;
  LocalePictures p = defaults;
  CWinReg reg(registry);
  if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, kInternationalKey)) return p;
  const auto text = [&](std::string_view name, std::string& field) {
    const std::string v = reg.GetString(name);
    if (!v.empty()) field = v;
  };
  text(kShortDate, p.shortDate);
  text(kTimeFormat, p.longTime);
  text(kTimeSeparator, p.timeSeparator);
  text(kDateSeparator, p.dateSeparator);
  text(kAm, p.am);
  text(kPm, p.pm);
  std::int32_t day = 0;
  if (ParseInt32(reg.GetString(kFirstDayOfWeek), day) && day >= 0 && day <= 6)
    p.firstDayOfWeek = day;
  // A hand-edited value that cannot read its own dates would make every
  // stored schedule unreadable: fall back as a whole rather than corrupt.
  if (RegionalSettingsProblem(p)) {
    LocalePictures safe = defaults;
    safe.firstDayOfWeek = p.firstDayOfWeek;
    return safe;
  }
  return p;
}

std::optional<std::string> RegionalSettingsProblem(const LocalePictures& p) {
  if (!Has(p.shortDate, 'd') || !Has(p.shortDate, 'M') || !Has(p.shortDate, 'y'))
    return "the short date '" + p.shortDate + "' needs a day (d), a month (M) and a year (y)";
  if (!(Has(p.longTime, 'h') || Has(p.longTime, 'H')) || !Has(p.longTime, 'm') ||
      !Has(p.longTime, 's'))
    return "the long time '" + p.longTime + "' needs hours (h or H), minutes (m) and seconds (s)";
  if (Has(p.longTime, 'h') && !Has(p.longTime, 't'))
    return "the long time '" + p.longTime + "' has a 12-hour clock (h) without AM/PM (tt)";
  if (p.timeSeparator.empty()) return std::string("the time separator is empty");
  if (p.dateSeparator.empty()) return std::string("the date separator is empty");
  if (Has(p.longTime, 't')) {
    if (Trim(p.am).empty() || Trim(p.pm).empty())
      return std::string("the AM and PM designators must not be empty with tt in the long time");
    if (EqualsNoCase(Trim(p.am), Trim(p.pm)))
      return "the AM and PM designators are the same ('" + p.am + "')";
  }
  // Stored texts hold dates after a length and a "#"; a ";" or "#" inside one
  // would end it early.
  for (const std::string* s :
       {&p.shortDate, &p.longTime, &p.timeSeparator, &p.dateSeparator, &p.am, &p.pm})
    if (s->find_first_of("#;") != std::string::npos || s->find('\n') != std::string::npos)
      return "'" + *s + "' contains \"#\", \";\" or a line break, which stored dates cannot hold";
  if (p.firstDayOfWeek < 0 || p.firstDayOfWeek > 6)
    return std::string("the first day of the week must be 0 (Monday) to 6 (Sunday)");
  const PictureLocale locale(p);
  for (const auto& v : kProbes) {
    const DateTime t = DateTime::FromParts(v[0], v[1], v[2], v[3], v[4], v[5]);
    const std::string text = locale.FormatDateTime(t);
    const std::optional<DateTime> back = locale.ParseDateTime(text);
    if (!back || *back != t)
      return "dates written in these settings ('" + text + "' for " + ToIsoText(t) +
             ") do not read back as the same date and time";
  }
  return std::nullopt;
}

void SaveRegionalSettings(RegistryBackend& registry, const LocalePictures& p) {
  if (auto problem = RegionalSettingsProblem(p)) Raise(err::kInvalidCall, *problem);
  CWinReg reg(registry);
  if (!reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kInternationalKey, true))
    Raise(err::kFileIo, "The regional settings could not be opened for writing.");
  const bool ok =
      reg.SetString(kShortDate, p.shortDate) && reg.SetString(kTimeFormat, p.longTime) &&
      reg.SetString(kTimeSeparator, p.timeSeparator) &&
      reg.SetString(kDateSeparator, p.dateSeparator) && reg.SetString(kAm, p.am) &&
      reg.SetString(kPm, p.pm) && reg.SetString(kFirstDayOfWeek, std::to_string(p.firstDayOfWeek));
  if (!ok) Raise(err::kFileIo, "The regional settings could not be written.");
}

}  // namespace velmora::posix
