// The scheduled-mail folder as `velmora list --json` gives it: JSON that
// survives any subject.
#include <gtest/gtest.h>

#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/posix/schedule_listing.h"

namespace velmora::posix {
namespace {

TEST(ListJsonTest, EscapesWhatJsonCannotHoldAndWritesNullForNoSchedule) {
  PictureLocale us;
  ScopedServices services{{nullptr, &us, nullptr, nullptr, nullptr, {}}};
  EXPECT_EQ(ListJson({}), "[]\n");
  ScheduledEntry e;
  e.entryId = "ID1";
  e.to = "\"Lee, Sam\" <sam@example.com>";
  e.subject = "tab\there\\ \"quoted\"\nnew line \x01";
  e.scheduleTime = DateTime::FromParts(2026, 12, 7, 9, 0, 5);
  e.recurrenceText = "0;0;0;0;0;0;0;0;0;#11;12:00:00 AM";
  ScheduledEntry none;
  none.entryId = "ID2";
  const std::string json = ListJson({e, none});
  EXPECT_NE(json.find(R"("to": "\"Lee, Sam\" <sam@example.com>")"), std::string::npos) << json;
  EXPECT_NE(json.find(R"(tab\there\\ \"quoted\"\nnew line \u0001)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("scheduleTime": "2026-12-07T09:00:05")"), std::string::npos);
  EXPECT_NE(json.find(R"("ScheduleTime": "12/7/2026 9:00:05 AM")"), std::string::npos);
  EXPECT_NE(json.find(R"("scheduleTime": null, "ScheduleTime": null)"), std::string::npos) << json;
  EXPECT_EQ(json.find('\t'), std::string::npos);
}

}  // namespace
}  // namespace velmora::posix
