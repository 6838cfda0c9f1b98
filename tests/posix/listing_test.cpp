// What `velmora list` gives: JSON that survives any subject (every listing
// writes it alike), columns of one width whatever a subject holds, and the
// earliest mail first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/posix/schedule_listing.h"

namespace velmora::posix {
namespace {

TEST(ListJsonTest, EscapesWhatJsonCannotHoldAndWritesNullForNoSchedule) {
  PictureLocale us;
  ScopedServices services{{nullptr, &us, nullptr, nullptr, nullptr, {}}};
  ScheduledEntry e;
  e.to = "\"Lee, Sam\" <sam@example.com>";
  e.subject = "tab\there\\ \"quoted\"\nnew line \x01";
  e.scheduleTime = DateTime::FromParts(2026, 12, 7, 9, 0, 5);
  const std::string json = ListJson({e, ScheduledEntry{}});
  EXPECT_NE(json.find(R"("to": "\"Lee, Sam\" <sam@example.com>")"), std::string::npos) << json;
  EXPECT_NE(json.find(R"(tab\there\\ \"quoted\"\nnew line \u0001)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("scheduleTimeText": "12/7/2026 9:00:05 AM")"), std::string::npos);
  EXPECT_NE(json.find(R"("scheduleTime": null, "scheduleTimeText": null)"), std::string::npos);
}

TEST(ListColumns, OneLineOfTheSameWidthWhateverTheSubjectHoldsAndTheEarliestFirst) {
  EXPECT_EQ(Column("Report", 8), "Report  ");
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
