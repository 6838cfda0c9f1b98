// The scheduled-mail folder as its view shows it, for `velmora list` and the
// host's progress lines: each mail's recipients, subject, next occurrence
// and its pattern in words ("every 2 weeks on Monday, Friday; 10 left").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/host.h"
#include "common/datetime.h"

namespace velmora::posix {

struct ScheduledEntry {
  std::string entryId;
  std::string to;
  std::string cc;
  std::string bcc;
  std::string subject;
  std::optional<DateTime> scheduleTime;  // none: the item carries no schedule
  std::string recurrenceText;            // "VelmoraRecurrence" as stored
  CMailProps record;
};

// The mails of the folder in the folder's order; items that are not mails
// are left out. None for a missing folder.
std::vector<ScheduledEntry> ListScheduled(const host::FolderPtr& folder);

// "once", "every day", "every 3 days", "every weekday", "every 2 weeks on
// Monday, Friday", "day 31 of every month", "the last Friday of every
// 2 months", "every March 15", "the first weekday of March", then "; 10 left"
// or "; no end".
std::string PatternInWords(const CMailProps& record);

// One JSON array with an object per entry, every name in one spelling:
// entryId, to, cc, bcc, subject, scheduleTime (ISO 8601 or null),
// scheduleTimeText (as stored, in the regional settings, or null) and
// recurrenceText (the stored recurrence, empty for a one-off mail).
std::string ListJson(const std::vector<ScheduledEntry>& entries);

// Appends the text as a JSON string, quoted and escaped.
void JsonString(std::string& out, std::string_view s);

// Writes a JSON array of objects, one a line, as the listings print them.
// Fields follow one another in the order they are added.
class JsonObjects {
 public:
  // Starts the next object.
  void Next();
  // `"name": "value"`, the value escaped.
  void Field(const char* name, std::string_view value);
  // `"name": "value"`, or `"name": null` when there is no value.
  void FieldOrNull(const char* name, const std::string* value);
  // The whole array, with a line end.
  std::string Finish();

 private:
  void Name(const char* name);

  std::string out_ = "[";
  bool inObject_ = false;
  bool firstField_ = true;
};

// "2026-12-07T09:00:00".
std::string IsoDateTime(DateTime t);

// Sorted by next send time, the earliest first; mails without one last.
void SortByNextTime(std::vector<ScheduledEntry>& entries);

// The text as one line of a table column: line ends, tabs and other control
// characters become spaces; clipped with "…" to `width` terminal columns
// (East Asian wide characters take two, combining marks none) and padded
// with spaces to it.
std::string Column(std::string_view text, std::size_t width);
// The terminal columns the text takes on one line.
std::size_t DisplayWidth(std::string_view text);

}  // namespace velmora::posix
