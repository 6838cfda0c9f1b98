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
  static host::UserPropertyPtr Prop(const host::MailItemPtr& item, std::string_view name) {
    return item->UserProperties()->Find(std::string(name));
  }
  static std::string RecurrenceText(const host::MailItemPtr& item) {
    return host::ValueToText(Prop(item, kPropRecurrence)->GetValue());
  }

  host::MailItemPtr mail_ = SavedMail(Drafts(), "report");
};

TEST_F(MailPropsOnItem, AWrittenRecordIsSavedOnceAndReadsBack) {
  CMailProps written = Weekly();
  written.WriteProps(mail_);
  EXPECT_EQ(RecurrenceText(mail_),
            "1;1;0;0;0;34;2;10;0;/srv/r/a.txt;/srv/out/;#10;9:00:00 AM#9;12/7/2026#9;1/30/2027");
  EXPECT_FALSE(Prop(Reloaded(mail_), kPropRecurrence)) << "WriteProps saved the item";
  mail_->Save();
  CMailProps read;
  read.ReadProps(Reloaded(mail_));
  EXPECT_EQ(read.WriteToString(), written.WriteToString());

  // Rewritten as a one-off a day later: still one property of each.
  written.m_IsRecurring = false;
  written.m_ScheduleTime = written.m_ScheduleTime.AddDays(1);
  written.WriteProps(mail_);
  EXPECT_EQ(mail_->UserProperties()->Count(), 2);
  read.ReadProps(mail_);
  EXPECT_FALSE(read.m_IsRecurring);
  EXPECT_EQ(read.m_ScheduleTime, written.m_ScheduleTime);
}

TEST_F(MailPropsOnItem, ADamagedOrUnwritableRecordStillLeavesTheMailItsTime) {
  Main::SetUserProp(mail_, DateTime::FromParts(2026, 12, 24, 8, 0, 0));
  mail_->UserProperties()
      ->Add(std::string(kPropRecurrence), host::ol::kText)
      ->SetValue(std::string("1;1;0;#garbage"));
  CMailProps p = Weekly();
  CapturedLog log;
  p.ReadProps(mail_);
  EXPECT_FALSE(p.m_IsRecurring);
  EXPECT_EQ(p.m_ScheduleTime, DateTime::FromParts(2026, 12, 24, 8, 0, 0));
  // A ScheduleTime held as text is no schedule: the default time instead.
  auto other = SavedMail(Drafts(), "other");
  other->UserProperties()
      ->Add(std::string(kPropScheduleTime), host::ol::kText)
      ->SetValue(std::string("12/24/2026 8:00:00 AM"));
  p.ReadProps(other);
  EXPECT_EQ(p.m_ScheduleTime, DateTime::FromParts(2026, 12, 7, 9, 30, 0));

  // A source the text cannot hold: empty text, but the due time is stored,
  // so the mail still goes out once.
  p = Weekly();
  p.m_collAttachments.push_back("C:\\odd#name.txt");
  p.WriteProps(mail_);
  EXPECT_EQ(RecurrenceText(mail_), "");
  DateTime t;
  EXPECT_TRUE(Main::GetUserProp(mail_, t));
  EXPECT_EQ(t, p.m_ScheduleTime);
  // No item at all: logged, nothing thrown.
  p.ReadProps(nullptr);
  p.WriteProps(nullptr);
  p.ClearProps(nullptr);
}

TEST_F(MailPropsOnItem, ClearRemovesBothFromACopyWithoutSavingItOrTouchingTheStoredMail) {
  Weekly().WriteProps(mail_);
  mail_->Save();
  auto copy = mail_->Copy();
  CMailProps().ClearProps(copy);
  EXPECT_FALSE(Prop(copy, kPropScheduleTime));
  EXPECT_FALSE(Prop(copy, kPropRecurrence));
  EXPECT_TRUE(Prop(Reloaded(copy), kPropRecurrence)) << "ClearProps saved the item";
  copy->Save();
  EXPECT_FALSE(Prop(Reloaded(copy), kPropScheduleTime));
  EXPECT_TRUE(Prop(Reloaded(mail_), kPropScheduleTime)) << "the stored mail keeps its schedule";
}

}  // namespace
}  // namespace velmora
