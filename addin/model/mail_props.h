// The schedule record of one mail (CMailProps): when it is next due, its
// recurrence pattern and its attachment sources, with the text form stored in
// the mail's "VelmoraRecurrence" property.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addin/store/host.h"
#include "common/datetime.h"

namespace velmora {

// Recurrence types, the host's numbering (4 is not used).
namespace recurrence {
inline constexpr std::int32_t kDaily = 0;
inline constexpr std::int32_t kWeekly = 1;
inline constexpr std::int32_t kMonthly = 2;
inline constexpr std::int32_t kMonthNth = 3;
inline constexpr std::int32_t kYearly = 5;
inline constexpr std::int32_t kYearNth = 6;
inline constexpr std::int32_t kInstanceLast = 5;
inline constexpr std::int32_t kWorkdayMask = 62;
}  // namespace recurrence

inline constexpr std::string_view kPropScheduleTime = "ScheduleTime";
inline constexpr std::string_view kPropRecurrence = "VelmoraRecurrence";

class CMailProps {
 public:
  // Fields, in the order of their accessors.
  DateTime m_ScheduleTime;
  std::vector<std::string> m_collAttachments;
  bool m_IsRecurring = false;
  std::int32_t m_RecurrenceType = 0;
  std::int32_t m_DayOfMonth = 0;
  std::int32_t m_MonthOfYear = 0;
  std::int32_t m_Instance = 0;
  std::int32_t m_DayOfWeekMask = 0;
  std::int32_t m_Interval = 0;
  std::int32_t m_Occurrences = 0;
  bool m_NoEndDate = false;
  DateTime m_StartTime;
  DateTime m_PatternStartDate;
  DateTime m_PatternEndDate;

  // The paths to attach now, in source order (resolved on every call).
  std::vector<std::string> GetResolvedAttachments() const;
  void Init();
  void ReadProps(const host::MailItemPtr& oMail);
  void WriteProps(const host::MailItemPtr& oMail);
  void ClearProps(const host::MailItemPtr& oMail);
  void SetFirstOccurrence();
  bool SetNextOccurrence();
  // A date-time (end date), a number (count) or text reading as either;
  // nothing on failure.
  std::optional<std::vector<DateTime>> GetOccurrences(const host::Value& EndDateOrNumOccurrences);

  // The first hh:00 or hh:30 strictly after the whole minute following `now`.
  static DateTime DefaultSendTime(DateTime now);
  // Why an attachment entry cannot be stored in the text form, or nothing
  // when it can (never empty, never ";" or "#").
  static std::optional<std::string> AttachmentEntryProblem(std::string_view entry);

  // The text form and the occurrence rules' inner steps; public so that the
  // tests and the fuzz target reach them.
  std::string WriteToString() const;
  void ReadFromString(std::string_view s);
  std::optional<std::vector<DateTime>> GetOccurrences1(const host::Value& EndDateOrNumOccurrences);
  static std::int32_t GetInstanceDay(std::int32_t year, std::int32_t month, std::int32_t instance,
                                     std::int32_t mask);
};

}  // namespace velmora
