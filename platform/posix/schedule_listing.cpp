#include "platform/posix/schedule_listing.h"

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

}  // namespace

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
    json.FieldOrNull("ScheduleTime", e.scheduleTime ? &text : nullptr);
    json.Field("VelmoraRecurrence", e.recurrenceText);
  }
  return json.Finish();
}

}  // namespace velmora::posix
