#include "platform/posix/schedule_listing.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "addin/store/folder.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/text.h"

namespace velmora::posix {

namespace {

constexpr std::array<const char*, 7> kDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};
constexpr std::array<const char*, 5> kInstances = {"first", "second", "third", "fourth", "last"};

std::string DayList(std::int32_t mask) {
  std::string out;
  for (std::size_t i = 0; i < kDays.size(); ++i)
    if (mask & (1 << i)) out += (out.empty() ? "" : ", ") + std::string(kDays[i]);
  return out;
}

std::string NthDay(std::int32_t mask) {
  switch (mask) {
    case 127:
      return "day";
    case 62:
      return "weekday";
    case 65:
      return "weekend day";
    default:
      return DayList(mask);
  }
}

std::string Every(std::int32_t n, const char* one, const char* many) {
  return n <= 1 ? std::string("every ") + one : "every " + std::to_string(n) + " " + many;
}

std::string Month(std::int32_t m) {
  return m >= 1 && m <= 12 ? kMonths[static_cast<std::size_t>(m - 1)]
                           : "month " + std::to_string(m);
}

std::string Instance(std::int32_t i) {
  return i >= 1 && i <= 5 ? kInstances[static_cast<std::size_t>(i - 1)] : std::to_string(i);
}

// The code point at s[i] and its length; a byte that does not start a
// well-formed sequence stands for itself (as U+FFFD would, one column).
char32_t Next(std::string_view s, std::size_t i, std::size_t& length) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char lead = b(0);
  std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (n == 0 || i + n > s.size()) {
    length = 1;
    return 0xFFFD;
  }
  char32_t c = n == 1 ? lead : lead & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) {
      length = 1;
      return 0xFFFD;
    }
    c = (c << 6) | (b(k) & 0x3F);
  }
  length = n;
  return c;
}

int Width(char32_t c) {
  // Combining marks and zero-width characters take no column of their own.
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
      (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
      (c >= 0xFE20 && c <= 0xFE2F) || (c >= 0x200B && c <= 0x200F) || c == 0xFE0F)
    return 0;
  // East Asian wide and full-width characters, and emoji, take two.
  if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
      (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
      (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
      (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD))
    return 2;
  return 1;
}

}  // namespace

void SortByNextTime(std::vector<ScheduledEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ScheduledEntry& a, const ScheduledEntry& b) {
                     if (!b.scheduleTime) return a.scheduleTime.has_value();
                     return a.scheduleTime && *a.scheduleTime < *b.scheduleTime;
                   });
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0, n = 0;
  for (std::size_t i = 0; i < text.size(); i += n) {
    const char32_t c = Next(text, i, n);
    width += c < 0x20 || c == 0x7F ? 1 : static_cast<std::size_t>(Width(c));
  }
  return width;
}

std::string Column(std::string_view text, std::size_t width) {
  if (width == 0) return {};
  std::string out;
  std::size_t used = 0, n = 0;
  const std::size_t total = DisplayWidth(text);
  for (std::size_t i = 0; i < text.size(); i += n) {
    const char32_t c = Next(text, i, n);
    const bool control = c < 0x20 || c == 0x7F;
    const std::size_t w = control ? 1 : static_cast<std::size_t>(Width(c));
    // Room is kept for the ellipsis when the rest will not fit.
    if (total > width && used + w > width - 1) {
      out += "…";
      ++used;
      break;
    }
    if (control)
      out += ' ';
    else
      out.append(text.substr(i, n));
    used += w;
  }
  if (used < width) out.append(width - used, ' ');
  return out;
}

void JsonString(std::string& out, std::string_view s) {
  out += '"';
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

std::string IsoDateTime(DateTime t) {
  std::string s = ToIsoText(t);
  if (s.size() > 10 && s[10] == ' ') s[10] = 'T';
  return s;
}

std::vector<ScheduledEntry> ListScheduled(const host::FolderPtr& folder) {
  std::vector<ScheduledEntry> out;
  if (!folder) return out;
  auto items = NeedPtr(folder->Items());
  const int n = items->Count();
  for (int i = 1; i <= n; ++i) {
    auto item = items->Item(i);
    if (!item || item->Class() != host::ol::kClassMail) continue;
    ScheduledEntry e;
    e.entryId = item->EntryID();
    e.to = item->To();
    e.cc = item->CC();
    e.bcc = item->BCC();
    e.subject = item->Subject();
    DateTime t;
    if (Main::GetUserProp(item, t)) e.scheduleTime = t;
    if (auto props = item->UserProperties())
      if (auto prop = props->Find(std::string(kPropRecurrence)))
        e.recurrenceText = host::ValueToText(prop->GetValue());
    e.record.ReadProps(item);
    out.push_back(std::move(e));
  }
  return out;
}

std::string PatternInWords(const CMailProps& r) {
  if (!r.m_IsRecurring) return "once";
  std::string s;
  switch (r.m_RecurrenceType) {
    case recurrence::kDaily:
      if (r.m_Interval == 0)
        s = r.m_DayOfWeekMask == recurrence::kWorkdayMask ? "every weekday"
                                                          : "every " + DayList(r.m_DayOfWeekMask);
      else
        s = Every(r.m_Interval, "day", "days");
      break;
    case recurrence::kWeekly:
      s = Every(r.m_Interval, "week", "weeks") + " on " + DayList(r.m_DayOfWeekMask);
      break;
    case recurrence::kMonthly:
      s = "day " + std::to_string(r.m_DayOfMonth) + " of " + Every(r.m_Interval, "month", "months");
      break;
    case recurrence::kMonthNth:
      s = "the " + Instance(r.m_Instance) + " " + NthDay(r.m_DayOfWeekMask) + " of " +
          Every(r.m_Interval, "month", "months");
      break;
    case recurrence::kYearly:
      s = "every " + Month(r.m_MonthOfYear) + " " + std::to_string(r.m_DayOfMonth);
      break;
    case recurrence::kYearNth:
      s = "the " + Instance(r.m_Instance) + " " + NthDay(r.m_DayOfWeekMask) + " of " +
          Month(r.m_MonthOfYear);
      break;
    default:
      s = "an unknown pattern (type " + std::to_string(r.m_RecurrenceType) + ")";
  }
  s += r.m_NoEndDate ? "; no end" : "; " + std::to_string(r.m_Occurrences) + " left";
  return s;
}

void JsonObjects::Next() {
  out_ += inObject_ ? "},\n  {" : "\n  {";
  inObject_ = true;
  firstField_ = true;
}

void JsonObjects::Name(const char* name) {
  if (!firstField_) out_ += ", ";
  firstField_ = false;
  JsonString(out_, name);
  out_ += ": ";
}

void JsonObjects::Field(const char* name, std::string_view value) {
  Name(name);
  JsonString(out_, value);
}

void JsonObjects::FieldOrNull(const char* name, const std::string* value) {
  Name(name);
  if (value)
    JsonString(out_, *value);
  else
    out_ += "null";
}

std::string JsonObjects::Finish() {
  out_ += inObject_ ? "}\n]\n" : "]\n";
  return std::move(out_);
}

std::string ListJson(const std::vector<ScheduledEntry>& entries) {
  JsonObjects json;
  for (const ScheduledEntry& e : entries) {
    json.Next();
    json.Field("entryId", e.entryId);
    json.Field("to", e.to);
    json.Field("cc", e.cc);
    json.Field("bcc", e.bcc);
    json.Field("subject", e.subject);
    const std::string iso = e.scheduleTime ? IsoDateTime(*e.scheduleTime) : std::string();
    const std::string text = e.scheduleTime ? DateText(*e.scheduleTime) : std::string();
    json.FieldOrNull("scheduleTime", e.scheduleTime ? &iso : nullptr);
    json.FieldOrNull("scheduleTimeText", e.scheduleTime ? &text : nullptr);
    json.Field("recurrenceText", e.recurrenceText);
  }
  return json.Finish();
}

}  // namespace velmora::posix
