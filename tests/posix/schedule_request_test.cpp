// A schedule asked for on the command line is checked as the recurrence
// dialog checks it — numbers, day of month, a yearly day against its month in
// the start's year, a weekly pattern with no day — and applied as its OK
// applies it: first occurrence set. A refused request leaves the record as
// it was.
// What `velmora list` gives: JSON that survives any subject (every listing
// writes it alike), columns of one width whatever a subject holds, and the
// earliest mail first.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/schedule_request.h"
#include "support/manual_clock.h"

namespace velmora::posix {
namespace {

DateTime D(int y, int m, int d, int hh = 0, int mm = 0) {
  return DateTime::FromParts(y, m, d, hh, mm, 0);
}

// Mondays (mask 2) from Monday 7 December 2026, 9:00, ten times.
PatternRequest Weekly() {
  PatternRequest p;
  p.type = recurrence::kWeekly;
  p.mask = 2;
  p.startDate = D(2026, 12, 7);
  p.timeOfDay = DateTime::FromTime(9, 0, 0);
  p.end = RangeEnd::kCount;
  p.count = 10;
  return p;
}

class Schedule : public ::testing::Test {
 protected:
  test::ManualClock clock{D(2026, 12, 7, 9, 0)};
  PictureLocale us;
  ScopedServices services{{&clock, &us, nullptr, nullptr, nullptr, GetServices().logFolder}};

  // The refusal's text, or "accepted"; a refusal must leave the record alone.
  std::string Refusal(const PatternRequest& p) {
    CMailProps r;
    r.m_collAttachments = {"/tmp/a.txt"};
    const std::string before = r.WriteToString();
    try {
      ApplySchedule({.pattern = p}, r);
    } catch (const ScheduleError& e) {
      EXPECT_EQ(r.WriteToString(), before) << "a refused request changed the record";
      return e.what();
    }
    return "accepted";
  }
};

TEST_F(Schedule, WhatTheDialogRefusesIsRefusedNamingTheOption) {
  const auto daily = [](PatternRequest& p) { p.type = recurrence::kDaily; };
  const auto early = [](PatternRequest& p) {
    p.type = recurrence::kDaily;
    p.startDate = D(2026, 12, 2);
    p.timeOfDay = DateTime::FromTime(8, 0, 0);
  };
  const auto monthly = [](PatternRequest& p) { p.type = recurrence::kMonthly; };
  const auto yearly = [](int month, int day, int year) {
    return [=](PatternRequest& p) {
      p.type = recurrence::kYearly;
      p.monthOfYear = month;
      p.dayOfMonth = day;
      p.startDate = D(year, 1, 1);
    };
  };
  const std::vector<std::pair<std::string, std::function<void(PatternRequest&)>>> rows = {
      {"--days: Recurrence pattern is not valid", [](auto& p) { p.mask = 0; }},
      {"--interval: The number is not valid.", [](auto& p) { p.interval = 0; }},
      {"--interval", [](auto& p) { p.interval = 100; }},  // two digits for weeks
      {"--count: The number is not valid.", [](auto& p) { p.count = 1000; }},
      {"--count", [](auto& p) { p.count = 0; }},
      {"accepted", [&](auto& p) { daily(p), p.interval = 999; }},
      {"--interval", [&](auto& p) { daily(p), p.interval = 1000; }},
      {"--days", [&](auto& p) { daily(p), p.interval = 0, p.mask = 0; }},  // needs the set
      {"accepted", [&](auto& p) { daily(p), p.interval = 0, p.mask = 62; }},
      {"--day: Recurrence pattern is not valid", [&](auto& p) { monthly(p), p.dayOfMonth = 32; }},
      {"--day: Recurrence pattern is not valid", yearly(2, 30, 2026)},
      {"February 2023 has 28 days", yearly(2, 29, 2023)},
      {"accepted", yearly(2, 29, 2028)},
      {"--month", yearly(13, 1, 2026)},
      {"--days", [](auto& p) { p.type = recurrence::kMonthNth, p.instance = 5, p.mask = 34; }},
      {"--instance", [](auto& p) { p.type = recurrence::kMonthNth, p.instance = 6, p.mask = 62; }},
      // Fridays: the first is 11 December.
      {"--until: the end date 2026-12-10 is before the first occurrence",
       [](auto& p) { p.mask = 32, p.end = RangeEnd::kUntil, p.until = D(2026, 12, 10); }},
      // Daily from 2 December at 8:00: by 9:00 on the 7th six are due (a count caps them).
      {"--start: 6 occurrences are already due",
       [&](auto& p) { early(p), p.end = RangeEnd::kNever; }},
      {"--start: 2 occurrences", [&](auto& p) { early(p), p.count = 2; }},
  };
  for (const auto& [expected, change] : rows) {
    PatternRequest p = Weekly();
    change(p);
    const std::string got = Refusal(p);
    EXPECT_NE(got.find(expected), std::string::npos) << expected << " <> " << got;
  }
}

TEST_F(Schedule, APatternOrOnceSetsTheFirstTimeKeepsAttachmentsAndNotesLateDays) {
  CMailProps r;
  r.m_collAttachments = {"/data/report.pdf", "/data/out/"};
  PatternRequest p = Weekly();
  p.type = recurrence::kMonthly;
  p.dayOfMonth = 31;
  p.end = RangeEnd::kNever;
  EXPECT_EQ(ApplySchedule({.pattern = p}, r), std::vector<std::string>{ShortMonthsNote(31)});
  EXPECT_TRUE(r.m_IsRecurring && r.m_NoEndDate);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 31, 9, 0));
  EXPECT_TRUE(ApplySchedule({.at = D(2026, 12, 24, 18, 30)}, r).empty());
  EXPECT_FALSE(r.m_IsRecurring);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 24, 18, 30));
  EXPECT_EQ(r.m_collAttachments.size(), 2u);
  EXPECT_THROW(ApplySchedule({}, r), ScheduleError) << "neither once nor a pattern";
}

TEST(ListJsonTest, EscapesWhatJsonCannotHoldAndWritesNullForNoSchedule) {
  PictureLocale us;
  ScopedServices services{{nullptr, &us, nullptr, nullptr, nullptr, {}}};
  ScheduledEntry e;
  e.subject = "tab\there\\ \"quoted\"\nnew line \x01";
  e.scheduleTime = DateTime::FromParts(2026, 12, 7, 9, 0, 5);
  const std::string json = ListJson({e, ScheduledEntry{}});
  EXPECT_NE(json.find(R"(tab\there\\ \"quoted\"\nnew line \u0001)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("scheduleTimeText": "12/7/2026 9:00:05 AM")"), std::string::npos);
  EXPECT_NE(json.find(R"("scheduleTime": null, "scheduleTimeText": null)"), std::string::npos);
}

TEST(ListColumns, OneLineOfTheSameWidthWhateverTheSubjectHoldsAndTheEarliestFirst) {
  EXPECT_EQ(Column("line one\nline two", 10), "line one …");
  EXPECT_EQ(Column("a\tb\r\n", 6), "a b   ");
  EXPECT_EQ(Column("月報告書", 5), "月報…");       // wide characters take two columns
  EXPECT_EQ(DisplayWidth("e\u0301te\u0301"), 3u);  // combining accents take none

  std::vector<ScheduledEntry> entries(3);
  entries[0].subject = "later";
  entries[0].scheduleTime = DateTime::FromParts(2027, 1, 2);
  entries[1].subject = "unscheduled";
  entries[2].subject = "sooner";
  entries[2].scheduleTime = DateTime::FromParts(2027, 1, 1);
  SortByNextTime(entries);
  EXPECT_EQ(entries[0].subject + entries[1].subject + entries[2].subject, "soonerlaterunscheduled");
}

}  // namespace
}  // namespace velmora::posix
