// The schedule record's defaults, its text form (the "VelmoraRecurrence"
// value) and its reading from and writing to a mail item.
#include "addin/model/mail_props.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "addin/store/folder.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora {

namespace {

constexpr std::string_view kReadWhere = "CMailProps.ReadFromString(";
// A stored value can be anything; its echo in the log stays one short line.
constexpr std::size_t kMaxEchoBytes = 400;

// Bytes of one UTF-8 character at the front of `s`, with the same rules as
// Utf8Length: an invalid byte counts as one character.
std::size_t CharBytes(std::string_view s) noexcept {
  const auto c = static_cast<unsigned char>(s[0]);
  std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
  if (len > s.size()) return 1;
  for (std::size_t k = 1; k < len; ++k)
    if ((static_cast<unsigned char>(s[k]) & 0xC0) != 0x80) return 1;
  return len;
}

// The byte length of the first `n` characters of `s`, or nothing when `s`
// holds fewer.
std::optional<std::size_t> BytesOfChars(std::string_view s, std::int64_t n) noexcept {
  std::size_t at = 0;
  for (std::int64_t k = 0; k < n; ++k) {
    if (at >= s.size()) return std::nullopt;
    at += CharBytes(s.substr(at));
  }
  return at;
}

// The stored text as it may appear inside one log line: control bytes would
// break the line (or forge new ones), so they are shown as \xNN.
std::string LogEcho(std::string_view s) {
  std::string out;
  const std::string_view shown = s.substr(0, kMaxEchoBytes);
  for (char ch : shown) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += ch;
    }
  }
  if (shown.size() < s.size()) out += "...";
  return out;
}

[[noreturn]] void Malformed(std::string_view what) {
  Raise(err::kTypeMismatch, std::string(what));
}

std::int32_t ReadNumber(const std::string& field) {
  std::int32_t v = 0;
  if (!ParseInt32(field, v)) Malformed("Type mismatch: \"" + LogEcho(field) + "\" is not a number");
  return v;
}

bool ReadBoolean(const std::string& field) {
  return ReadNumber(field) != 0;
}

void AppendDateBlock(std::string& s, DateTime t) {
  const std::string text = DateText(t);
  s += '#';
  s += std::to_string(Utf8Length(text));
  s += ';';
  s += text;
}

}  // namespace

DateTime CMailProps::DefaultSendTime(DateTime now) {
  DateTime t = now.AddSeconds(60 - now.Second());
  const int minute = t.Minute();
  return minute < 30 ? t.AddMinutes(30 - minute) : t.AddMinutes(60 - minute);
}

std::optional<std::string> CMailProps::AttachmentEntryProblem(std::string_view entry) {
  if (entry.empty()) return std::string("The attachment path cannot be empty.");
  if (entry.find_first_of(";#") != std::string_view::npos)
    return "The attachment path cannot contain \";\" or \"#\": " + std::string(entry);
  return std::nullopt;
}

void CMailProps::Init() {
  Ignore([&] { m_ScheduleTime = DefaultSendTime(Now()); });
  m_IsRecurring = false;
  m_collAttachments.clear();
}

std::string CMailProps::WriteToString() const {
  return Trap("CMailProps.WriteToString", [&] {
    // An entry with a separator in it would shift every field after it on
    // reading, and the record would lose its recurrence: write nothing instead.
    for (const auto& entry : m_collAttachments)
      if (auto problem = AttachmentEntryProblem(entry)) Raise(err::kInvalidCall, *problem);

    std::string s;
    const auto field = [&s](std::int64_t v) {
      s += std::to_string(v);
      s += ';';
    };
    field(m_IsRecurring ? 1 : 0);
    field(m_RecurrenceType);
    field(m_DayOfMonth);
    field(m_MonthOfYear);
    field(m_Instance);
    field(m_DayOfWeekMask);
    field(m_Interval);
    field(m_Occurrences);
    field(m_NoEndDate ? 1 : 0);
    for (const auto& entry : m_collAttachments) {
      s += entry;
      s += ';';
    }
    AppendDateBlock(s, m_StartTime);
    AppendDateBlock(s, m_PatternStartDate);
    AppendDateBlock(s, m_PatternEndDate);
    return s;
  });
}

void CMailProps::ReadFromString(std::string_view s) {
  // The text the failure message shows: the whole value while the header is
  // read, then the rest after the last "#" taken.
  std::string_view work = s;
  try {
    const std::size_t hash = s.find('#');
    if (hash == std::string_view::npos) Malformed("No date blocks (\"#\") in the value");
    if (hash == 0) Malformed("No header before the first \"#\"");

    // The header stops before the ";" that precedes the first "#".
    const std::vector<std::string> f = Split(s.substr(0, hash - 1), ';');
    const auto at = [&f](std::size_t i) -> const std::string& {
      if (i >= f.size()) Raise(err::kSubscript, "Subscript out of range: too few header fields");
      return f[i];
    };
    m_IsRecurring = ReadBoolean(at(0));
    m_RecurrenceType = ReadNumber(at(1));
    m_DayOfMonth = ReadNumber(at(2));
    m_MonthOfYear = ReadNumber(at(3));
    m_Instance = ReadNumber(at(4));
    m_DayOfWeekMask = ReadNumber(at(5));
    m_Interval = ReadNumber(at(6));
    m_Occurrences = ReadNumber(at(7));
    m_NoEndDate = ReadBoolean(at(8));
    // An empty entry names no source, and the text form cannot carry one: kept,
    // it would make the next write of this record fail and lose the pattern.
    m_collAttachments.clear();
    for (auto entry = f.begin() + 9; entry != f.end(); ++entry)
      if (!entry->empty()) m_collAttachments.push_back(*entry);

    work = s.substr(hash + 1);
    for (DateTime* field : {&m_StartTime, &m_PatternStartDate, &m_PatternEndDate}) {
      const std::size_t semi = work.find(';');
      if (semi == std::string_view::npos) Malformed("No \";\" after the date length");
      std::int32_t n = 0;
      if (!ParseInt32(work.substr(0, semi), n)) Malformed("The date length is not a number");
      if (n < 0) Malformed("The date length is negative");
      const std::string_view rest = work.substr(semi + 1);
      const auto bytes = BytesOfChars(rest, n);
      if (!bytes) Malformed("The date length runs past the end of the value");
      const auto t = ReadDateText(rest.substr(0, *bytes));
      if (!t) Malformed("Type mismatch: the date text does not read as a date");
      *field = *t;
      // The date text and the "#" of the next block are skipped.
      const std::string_view after = rest.substr(*bytes);
      work = after.empty() ? after : after.substr(1);
    }
  } catch (...) {
    LogCurrentError(std::string(kReadWhere) + LogEcho(work) + ")");
    m_IsRecurring = false;
  }
}

void CMailProps::ReadProps(const host::MailItemPtr& oMail) {
  Trap("CMailProps.ReadProps", [&] {
    DateTime t;
    m_ScheduleTime = Main::GetUserProp(oMail, t) ? t : DefaultSendTime(Now());
    m_IsRecurring = false;
    auto prop = Need(Need(oMail).UserProperties()).Find(std::string(kPropRecurrence));
    if (!prop)
      m_collAttachments.clear();
    else
      ReadFromString(host::ValueToText(prop->GetValue()));
  });
}

void CMailProps::WriteProps(const host::MailItemPtr& oMail) {
  Trap("CMailProps.WriteProps", [&] {
    Main::SetUserProp(oMail, m_ScheduleTime);
    const std::string s = WriteToString();
    auto props = Need(oMail).UserProperties();
    auto prop = Need(props).Find(std::string(kPropRecurrence));
    if (!prop) prop = props->Add(std::string(kPropRecurrence), host::ol::kText);
    Need(prop).SetValue(s);
  });
}

void CMailProps::ClearProps(const host::MailItemPtr& oMail) {
  Trap("CMailProps.ClearProps", [&] {
    Main::DelUserProp(oMail);
    auto prop = Need(Need(oMail).UserProperties()).Find(std::string(kPropRecurrence));
    if (prop) prop->Delete();
  });
}

}  // namespace velmora
