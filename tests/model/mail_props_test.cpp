// The schedule record on a mail item of the standalone host: what ReadProps
// makes of the two user properties, what WriteProps leaves on the item, and
// ClearProps before a mail leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "model/weekly_record.h"
#include "store/velmora_folder_fixture.h"
#include "support/captured_log.h"

namespace velmora {
namespace {

using test::CapturedLog;

class MailPropsOnItem : public test::VelmoraFolderTest {
 protected:
  static CMailProps Weekly() {
    CMailProps p = test::WeeklyRecord({"/srv/r/a.txt", "/srv/out/"});
    p.m_ScheduleTime = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
    return p;
  }
  host::UserPropertyPtr Prop(const host::MailItemPtr& item, std::string_view name) {
    return item->UserProperties()->Find(std::string(name));
  }

  host::MailItemPtr mail_ = SavedMail(Drafts(), "report");
};

TEST_F(MailPropsOnItem, MailWithoutPropertiesReadsAsOneOffAtTheDefaultTime) {
  clock.Set(DateTime::FromParts(2026, 12, 7, 10, 29, 0));
  CMailProps p = Weekly();
  CapturedLog log;
  p.ReadProps(mail_);
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2026-12-07 11:00:00");
  EXPECT_FALSE(p.m_IsRecurring);
  EXPECT_TRUE(p.m_collAttachments.empty());
  // The pattern stays as it was, for the dialogs to start from.
  EXPECT_EQ(p.m_DayOfWeekMask, 34);
  EXPECT_EQ(p.m_PatternEndDate, DateTime::FromParts(2027, 1, 30));

  // A ScheduleTime held as text is no schedule either.
  mail_->UserProperties()
      ->Add(std::string(kPropScheduleTime), host::ol::kText)
      ->SetValue(std::string("12/24/2026 8:00:00 AM"));
  p.ReadProps(mail_);
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2026-12-07 11:00:00");
}

TEST_F(MailPropsOnItem, WrittenRecordReadsBackFromTheSavedItem) {
  CMailProps written = Weekly();
  written.WriteProps(mail_);

  auto schedule = Prop(mail_, kPropScheduleTime);
  ASSERT_TRUE(schedule);
  EXPECT_EQ(schedule->Type(), host::ol::kDateTime);
  auto recurrence = Prop(mail_, kPropRecurrence);
  ASSERT_TRUE(recurrence);
  EXPECT_EQ(recurrence->Type(), host::ol::kText);
  EXPECT_EQ(host::ValueToText(recurrence->GetValue()),
            "1;1;0;0;0;34;2;10;0;/srv/r/a.txt;/srv/out/;#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
  EXPECT_FALSE(Prop(Reloaded(mail_), kPropRecurrence)) << "WriteProps saved the item";

  mail_->Save();
  CMailProps read;
  read.ReadProps(Reloaded(mail_));
  EXPECT_EQ(read.m_ScheduleTime, written.m_ScheduleTime);
  EXPECT_TRUE(read.m_IsRecurring);
  EXPECT_EQ(read.m_DayOfWeekMask, 34);
  EXPECT_EQ(read.m_Occurrences, 10);
  EXPECT_EQ(read.m_collAttachments, written.m_collAttachments);
  EXPECT_EQ(read.m_PatternStartDate, written.m_PatternStartDate);
}

TEST_F(MailPropsOnItem, RewritingKeepsOnePropertyOfEach) {
  CMailProps p = Weekly();
  p.WriteProps(mail_);
  p.m_IsRecurring = false;
  p.m_collAttachments.clear();
  p.m_ScheduleTime = p.m_ScheduleTime.AddDays(1);
  p.WriteProps(mail_);
  EXPECT_EQ(mail_->UserProperties()->Count(), 2);
  // A one-off mail still carries the property, with its first field "0".
  EXPECT_EQ(host::ValueToText(Prop(mail_, kPropRecurrence)->GetValue()).substr(0, 19),
            "0;1;0;0;0;34;2;10;0");
  DateTime t;
  ASSERT_TRUE(Main::GetUserProp(mail_, t));
  EXPECT_EQ(t, p.m_ScheduleTime);
}

TEST_F(MailPropsOnItem, DamagedRecurrenceFallsBackToOneOffAtItsTime) {
  Main::SetUserProp(mail_, DateTime::FromParts(2026, 12, 24, 8, 0, 0));
  mail_->UserProperties()
      ->Add(std::string(kPropRecurrence), host::ol::kText)
      ->SetValue(std::string("1;1;0;#garbage"));
  CMailProps p = Weekly();
  CapturedLog log;
  p.ReadProps(mail_);
  EXPECT_TRUE(log.Contains("CMailProps.ReadFromString(1;1;0;#garbage)")) << log.Text();
  EXPECT_FALSE(p.m_IsRecurring);
  EXPECT_EQ(p.m_ScheduleTime, DateTime::FromParts(2026, 12, 24, 8, 0, 0));
}

TEST_F(MailPropsOnItem, RecordThatCannotBeWrittenStoresEmptyText) {
  CMailProps p = Weekly();
  p.m_collAttachments.push_back("C:\\odd#name.txt");
  CapturedLog log;
  p.WriteProps(mail_);
  EXPECT_TRUE(log.Contains("CMailProps.WriteToString")) << log.Text();
  EXPECT_EQ(host::ValueToText(Prop(mail_, kPropRecurrence)->GetValue()), "");
  // The due time is still stored, so the mail still goes out once.
  DateTime t;
  EXPECT_TRUE(Main::GetUserProp(mail_, t));
  EXPECT_EQ(t, p.m_ScheduleTime);
}

TEST_F(MailPropsOnItem, ClearRemovesBothAndDoesNotSave) {
  Weekly().WriteProps(mail_);
  mail_->Save();
  CMailProps().ClearProps(mail_);
  EXPECT_FALSE(Prop(mail_, kPropScheduleTime));
  EXPECT_FALSE(Prop(mail_, kPropRecurrence));
  EXPECT_TRUE(Prop(Reloaded(mail_), kPropRecurrence)) << "ClearProps saved the item";

  mail_->Save();
  EXPECT_FALSE(Prop(Reloaded(mail_), kPropScheduleTime));
  EXPECT_FALSE(Prop(Reloaded(mail_), kPropRecurrence));

  CapturedLog log;
  CMailProps().ClearProps(mail_);
  EXPECT_EQ(log.Text(), "") << "clearing a mail without a schedule is no failure";

  // A stored copy of a scheduled mail is cleared alike.
  Weekly().WriteProps(mail_);
  mail_->Save();
  auto copy = mail_->Copy();
  CMailProps().ClearProps(copy);
  copy->Save();
  EXPECT_FALSE(Prop(Reloaded(copy), kPropScheduleTime));
  EXPECT_TRUE(Prop(Reloaded(mail_), kPropScheduleTime));
}

TEST_F(MailPropsOnItem, MissingItemIsLoggedUnderEachOperation) {
  CapturedLog log;
  CMailProps p = Weekly();
  p.ReadProps(nullptr);
  p.WriteProps(nullptr);
  p.ClearProps(nullptr);
  for (const char* where :
       {"CMailProps.ReadProps", "CMailProps.WriteProps", "CMailProps.ClearProps"})
    EXPECT_TRUE(log.Contains(where)) << where << "\n" << log.Text();
}

}  // namespace
}  // namespace velmora
