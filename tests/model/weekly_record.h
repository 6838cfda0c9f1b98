// The record both the text-form and the item tests start from: every other
// Monday and Friday at 9:00, ten left, with two attachment sources.
#pragma once

#include <string>
#include <vector>

#include "addin/model/mail_props.h"

namespace velmora::test {

inline CMailProps WeeklyRecord(std::vector<std::string> attachments) {
  CMailProps p;
  p.m_IsRecurring = true;
  p.m_RecurrenceType = recurrence::kWeekly;
  p.m_DayOfWeekMask = 34;
  p.m_Interval = 2;
  p.m_Occurrences = 10;
  p.m_StartTime = DateTime::FromTime(9, 0, 0);
  p.m_PatternStartDate = DateTime::FromParts(2026, 12, 7);
  p.m_PatternEndDate = DateTime::FromParts(2027, 1, 30);
  p.m_collAttachments = std::move(attachments);
  return p;
}

}  // namespace velmora::test
