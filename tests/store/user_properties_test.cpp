// User properties of standalone host items: typed values, the host's
// conversions on assignment, Find/Add/Delete, and what a save keeps.
#include <gtest/gtest.h>

#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::store_err::kCollision;
using posix::store_err::kInvalidArgument;
using posix::store_err::kNotFound;

class StoreUserProperties : public MailHostTest {
 protected:
  host::MailItemPtr item = SavedMail(Drafts(), "props");
  host::UserPropertiesPtr props = item->UserProperties();

  host::UserPropertiesPtr Stored() { return ns->GetItemFromID(item->EntryID())->UserProperties(); }
};

TEST_F(StoreUserProperties, ValuesKeepTheirTypesThroughTheStoreUnderExactNames) {
  const auto when = DateTime::FromParts(2027, 2, 22, 8, 30, 0);
  props->Add("ScheduleTime", host::ol::kDateTime)->SetValue(when);
  props->Add("VelmoraRecurrence", host::ol::kText)->SetValue(std::string("W|1|62"));
  props->Add("Count", host::ol::kNumber)->SetValue(2.5);
  props->Add("Flag", host::ol::kYesNo)->SetValue(true);
  EXPECT_EQ(ErrorOf([&] { props->Add("ScheduleTime", host::ol::kText); }), kCollision);
  EXPECT_EQ(ErrorOf([&] { props->Add("X", 2); }), kInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { props->Add("", host::ol::kText); }), kInvalidArgument);
  item->Save();

  auto stored = Stored();
  EXPECT_FALSE(stored->Find("scheduletime"));
  EXPECT_EQ(stored->Count(), 4);
  EXPECT_EQ(stored->Find("ScheduleTime")->Type(), host::ol::kDateTime);
  EXPECT_EQ(std::get<DateTime>(stored->Find("ScheduleTime")->GetValue()), when);
  EXPECT_EQ(std::get<std::string>(stored->Find("VelmoraRecurrence")->GetValue()), "W|1|62");
  EXPECT_EQ(std::get<double>(stored->Find("Count")->GetValue()), 2.5);
  EXPECT_TRUE(std::get<bool>(stored->Find("Flag")->GetValue()));
}

TEST_F(StoreUserProperties, AValueOfTheWrongTypeIsRefusedAndTheOldOneKept) {
  auto date = props->Add("ScheduleTime", host::ol::kDateTime);
  date->SetValue(std::string("12/7/2026 9:30:00 AM"));  // date text reads as the date
  for (const host::Value& bad :
       {host::Value(std::string("next Tuesday")), host::Value(true), host::Value{}})
    EXPECT_EQ(ErrorOf([&] { date->SetValue(bad); }), err::kTypeMismatch);
  EXPECT_EQ(std::get<DateTime>(date->GetValue()), DateTime::FromParts(2026, 12, 7, 9, 30, 0));
}

TEST_F(StoreUserProperties, DeleteTakesEffectOnSaveAndTheNameMayComeBackOfAnotherType) {
  props->Add("MoveToVelmora", host::ol::kText);
  props->Add("Other", host::ol::kText);
  item->Save();
  auto p = props->Find("MoveToVelmora");
  p->Delete();
  EXPECT_FALSE(props->Find("MoveToVelmora"));
  EXPECT_TRUE(Stored()->Find("MoveToVelmora"));
  EXPECT_EQ(ErrorOf([&] { p->GetValue(); }), kNotFound);
  EXPECT_EQ(ErrorOf([&] { p->Delete(); }), kNotFound);
  props->Find("Other")->Delete();
  props->Add("Other", host::ol::kDateTime)->SetValue(DateTime::FromParts(2027, 1, 1));
  item->Save();
  EXPECT_FALSE(Stored()->Find("MoveToVelmora"));
  auto other = Stored()->Find("Other");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->Type(), host::ol::kDateTime);
  EXPECT_EQ(std::get<DateTime>(other->GetValue()), DateTime::FromParts(2027, 1, 1));
}

}  // namespace
}  // namespace velmora::test
