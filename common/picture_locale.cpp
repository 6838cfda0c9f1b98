#include "common/picture_locale.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "common/text.h"

namespace velmora {

namespace {

// Runs of one picture letter ("yyyy", "h") and literal text in between.
struct PictureToken {
  char letter;  // 0 for literal text
  int count;
  std::string literal;
};

std::vector<PictureToken> Tokenize(std::string_view pic) {
  std::vector<PictureToken> out;
  for (std::size_t i = 0; i < pic.size();) {
    const char c = pic[i];
    if (c == '\'') {
      const std::size_t end = pic.find('\'', i + 1);
      const std::size_t stop = end == std::string_view::npos ? pic.size() : end;
      out.push_back({0, 0, std::string(pic.substr(i + 1, stop - i - 1))});
      i = stop == pic.size() ? stop : stop + 1;
    } else if (std::string_view("dMyhHmst").find(c) != std::string_view::npos) {
      std::size_t j = i;
      while (j < pic.size() && pic[j] == c)
        ++j;
      out.push_back({c, static_cast<int>(j - i), {}});
      i = j;
    } else {
      out.push_back({0, 0, std::string(1, c)});
      ++i;
    }
  }
  return out;
}

std::string Num(int v, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, v);
  return buf;
}

constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
constexpr const char* kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

std::string Render(std::string_view pic, DateTime t, const LocalePictures& p) {
  const CivilDate c = t.Civil();
  std::string s;
  for (const auto& tok : Tokenize(pic)) {
    const int n = tok.count;
    switch (tok.letter) {
      case 0:
        s += tok.literal;
        break;
      case 'd':
        if (n <= 2)
          s += Num(c.day, n);
        else if (n == 3)
          s += std::string(kDayNames[t.Weekday() - 1]).substr(0, 3);
        else
          s += kDayNames[t.Weekday() - 1];
        break;
      case 'M':
        if (n <= 2)
          s += Num(c.month, n);
        else if (n == 3)
          s += std::string(kMonthNames[c.month - 1]).substr(0, 3);
        else
          s += kMonthNames[c.month - 1];
        break;
      case 'y':
        if (n <= 2)
          s += Num(c.year % 100, n);
        else
          s += Num(c.year, 4);
        break;
      case 'h':
        s += Num(t.Hour() % 12 == 0 ? 12 : t.Hour() % 12, std::min(n, 2));
        break;
      case 'H':
        s += Num(t.Hour(), std::min(n, 2));
        break;
      case 'm':
        s += Num(t.Minute(), std::min(n, 2));
        break;
      case 's':
        s += Num(t.Second(), std::min(n, 2));
        break;
      case 't': {
        const std::string& d = t.Hour() < 12 ? p.am : p.pm;
        s += n == 1 ? d.substr(0, 1) : d;
        break;
      }
      default:
        break;
    }
  }
  return s;
}

// The order in which day, month and year stand in the short date picture.
std::string DateOrder(std::string_view pic) {
  std::string order;
  for (const auto& tok : Tokenize(pic))
    if ((tok.letter == 'd' && tok.count <= 2) || tok.letter == 'M' || tok.letter == 'y')
      if (order.find(tok.letter) == std::string::npos) order += tok.letter;
  if (order.size() != 3) return "Mdy";
  return order;
}

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int ToInt(std::string_view s) {
  int v = 0;
  for (char c : s)
    v = v * 10 + (c - '0');
  return v;
}

bool IsDateSep(char c, const std::string& sep) {
  return c == '/' || c == '-' || c == '.' || (!sep.empty() && c == sep[0]);
}

// Reads digit groups split by any of the separators; false on anything else.
bool NumberGroups(std::string_view s, bool dateSeps, const LocalePictures& p,
                  std::vector<std::string_view>& out) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    const bool end = i == s.size();
    const bool sep =
        !end &&
        (dateSeps ? IsDateSep(s[i], p.dateSeparator)
                  : (s[i] == ':' || (!p.timeSeparator.empty() && s[i] == p.timeSeparator[0])));
    if (end || sep) {
      if (!AllDigits(s.substr(start, i - start))) return false;
      out.push_back(s.substr(start, i - start));
      start = i + 1;
    } else if (s[i] < '0' || s[i] > '9') {
      return false;
    }
  }
  return true;
}

std::optional<DateTime> ParseIso(std::string_view s) {
  // YYYY-MM-DD, optionally followed by 'T' or a space and HH:MM[:SS].
  if (s.size() < 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  if (!AllDigits(s.substr(0, 4)) || !AllDigits(s.substr(5, 2)) || !AllDigits(s.substr(8, 2)))
    return std::nullopt;
  const int y = ToInt(s.substr(0, 4)), mo = ToInt(s.substr(5, 2)), d = ToInt(s.substr(8, 2));
  if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo)) return std::nullopt;
  int h = 0, mi = 0, se = 0;
  if (s.size() > 10) {
    if (s[10] != 'T' && s[10] != ' ') return std::nullopt;
    std::string_view t = s.substr(11);
    if (t.size() != 5 && t.size() != 8) return std::nullopt;
    if (!AllDigits(t.substr(0, 2)) || t[2] != ':' || !AllDigits(t.substr(3, 2)))
      return std::nullopt;
    h = ToInt(t.substr(0, 2));
    mi = ToInt(t.substr(3, 2));
    if (t.size() == 8) {
      if (t[5] != ':' || !AllDigits(t.substr(6, 2))) return std::nullopt;
      se = ToInt(t.substr(6, 2));
    }
    if (h > 23 || mi > 59 || se > 59) return std::nullopt;
  }
  return DateTime::TryFromParts(y, mo, d, h, mi, se);
}

}  // namespace

PictureLocale::PictureLocale(LocalePictures pictures) : p_(std::move(pictures)) {}

std::string PictureLocale::FormatDate(DateTime t) const {
  return Render(p_.shortDate, t, p_);
}
std::string PictureLocale::FormatTime(DateTime t) const {
  return Render(p_.longTime, t, p_);
}

std::string PictureLocale::FormatDateTime(DateTime t) const {
  if (t.DayNumber() == 0) return FormatTime(t);
  if (t.IsMidnight()) return FormatDate(t);
  return FormatDate(t) + " " + FormatTime(t);
}

std::optional<DateTime> PictureLocale::ParseDateTime(std::string_view text) const {
  std::string_view s = text;
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
    s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.remove_suffix(1);
  if (s.empty() || s.size() > 64) return std::nullopt;
  if (auto iso = ParseIso(s)) return iso;

  std::optional<std::string_view> datePart, timePart;
  int designator = 0;  // 1 = am, 2 = pm
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ')
      ++i;
    std::size_t j = i;
    while (j < s.size() && s[j] != ' ')
      ++j;
    std::string_view word = s.substr(i, j - i);
    i = j;
    if (word.empty()) continue;
    // A designator may stand alone or stick to the time ("9:00AM").
    auto takeDesignator = [&](std::string_view& w) {
      for (int k = 1; k <= 2; ++k) {
        const std::string& d = k == 1 ? p_.am : p_.pm;
        if (d.empty() || w.size() < d.size()) continue;
        if (EqualsNoCase(w.substr(w.size() - d.size()), d)) {
          if (designator) return false;
          designator = k;
          w.remove_suffix(d.size());
          return true;
        }
      }
      return true;
    };
    if ((!p_.am.empty() && EqualsNoCase(word, p_.am)) ||
        (!p_.pm.empty() && EqualsNoCase(word, p_.pm))) {
      if (designator || !timePart) return std::nullopt;
      designator = EqualsNoCase(word, p_.am) ? 1 : 2;
      continue;
    }
    const bool hasTimeSep =
        word.find(':') != std::string_view::npos ||
        (!p_.timeSeparator.empty() && word.find(p_.timeSeparator[0]) != std::string_view::npos);
    if (hasTimeSep) {
      if (timePart || designator) return std::nullopt;
      if (!takeDesignator(word)) return std::nullopt;
      timePart = word;
    } else {
      if (datePart || timePart) return std::nullopt;
      datePart = word;
    }
  }

  int y = 1899, mo = 12, d = 30;
  if (datePart) {
    std::vector<std::string_view> g;
    if (!NumberGroups(*datePart, true, p_, g) || g.size() != 3) return std::nullopt;
    const std::string order = DateOrder(p_.shortDate);
    int yearDigits = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      const int v = ToInt(g[k]);
      if (g[k].size() > 4) return std::nullopt;
      switch (order[k]) {
        case 'd':
          d = v;
          break;
        case 'M':
          mo = v;
          break;
        default:
          y = v;
          yearDigits = static_cast<int>(g[k].size());
      }
    }
    if (yearDigits <= 2) y += y < 30 ? 2000 : 1900;  // the host's two-digit year window
    if (mo < 1 || mo > 12 || y < kMinYear || y > kMaxYear || d < 1 || d > DaysInMonth(y, mo))
      return std::nullopt;
  }
  int h = 0, mi = 0, se = 0;
  if (timePart) {
    std::vector<std::string_view> g;
    if (!NumberGroups(*timePart, false, p_, g) || g.size() < 2 || g.size() > 3) return std::nullopt;
    for (auto part : g)
      if (part.size() > 2) return std::nullopt;
    h = ToInt(g[0]);
    mi = ToInt(g[1]);
    se = g.size() == 3 ? ToInt(g[2]) : 0;
    if (designator) {
      if (h < 1 || h > 12) return std::nullopt;
      h = h % 12 + (designator == 2 ? 12 : 0);
    }
    if (h > 23 || mi > 59 || se > 59) return std::nullopt;
  } else if (designator || !datePart) {
    return std::nullopt;
  }
  return DateTime::TryFromParts(y, mo, d, h, mi, se);
}

std::string PictureLocale::GetLocaleInfo(std::uint32_t entry) const {
  switch (entry) {
    case lc::kTimeFormat:
      return p_.longTime;
    case lc::kTimeSeparator:
      return p_.timeSeparator;
    case lc::kShortDate:
      return p_.shortDate;
    case lc::kDateSeparator:
      return p_.dateSeparator;
    case lc::kAmDesignator:
      return p_.am;
    case lc::kPmDesignator:
      return p_.pm;
    case lc::kFirstDayOfWeek:
      return std::to_string(p_.firstDayOfWeek);
    default:
      return {};
  }
}

}  // namespace velmora
