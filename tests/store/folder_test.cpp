// The scheduled-mail folder and the properties on its mails, on the
// standalone host's store: finding and creating the folder, refusing a
// same-named folder that holds no mail, the ScheduleTime property, folder
// paths and the move of marked Inbox mails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/folder.h"
#include "addin/store/special.h"
#include "addin/store/view.h"
#include "store/velmora_folder_fixture.h"

namespace velmora {
namespace {

class VelmoraFolder : public test::VelmoraFolderTest {};

TEST_F(VelmoraFolder, AbsentFolderIsCreatedOnlyWhenAskedAndOnlyOnce) {
  // Names are compared with letter case: this is not it.
  Root()->Folders()->Add("velmora", host::ol::kFolderDrafts);
  const int before = Root()->Folders()->Count();
  EXPECT_FALSE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Root()->Folders()->Count(), before);
  auto created = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(created);
  EXPECT_EQ(created->Name(), "Velmora");
  EXPECT_EQ(created->DefaultItemType(), host::ol::kMailItem);
  for (bool create : {true, false})
    EXPECT_EQ(Main::GetVelmoraFolder(create)->EntryID(), created->EntryID());
  EXPECT_EQ(Root()->Folders()->Count(), before + 1);
  EXPECT_EQ(Main::GetFolderPath(created->Folders()->Add("Weekly", host::ol::kFolderDrafts)),
            Root()->Name() + "\\Velmora\\Weekly");
  EXPECT_TRUE(box.shown.empty());

  ScopedAddinServices disconnected(AddinServices{});
  Main::ResetVelmoraFolderLookup();
  EXPECT_FALSE(Main::GetVelmoraFolder(true));
}

TEST_F(VelmoraFolder, SameNamedFolderOfOtherItemsIsRefusedOnEveryCall) {
  Root()->Folders()->Add("Velmora", 10);  // of contacts
  const int count = Root()->Folders()->Count();
  EXPECT_FALSE(Main::GetVelmoraFolder(true));
  EXPECT_FALSE(Main::GetVelmoraFolder(false));
  ASSERT_EQ(box.shown.size(), 2u);
  for (const auto& shown : box.shown) {
    EXPECT_EQ(shown.text,
              "Velmora has encountered an error. Velmora folder already exists and it is not "
              "compatible with mail items.");
    EXPECT_EQ(shown.style, mb::kOkOnly | mb::kSetForeground);
  }
  EXPECT_EQ(Root()->Folders()->Count(), count) << "a second Velmora folder was made";
}

class ScheduleTimeProperty : public test::VelmoraFolderTest {
 protected:
  host::MailItemPtr mail_ = SavedMail(Drafts(), "report");
  const std::string name_{kPropScheduleTime};
};

// A text ScheduleTime never schedules a mail: SendingPass and FolderRead.
TEST_F(ScheduleTimeProperty, SetReplacesTheDateAndNeitherSetNorDeleteSaves) {
  DateTime t;
  const DateTime when = DateTime::FromParts(2026, 12, 24, 18, 0, 0);
  for (DateTime set : {when, when.AddDays(1)}) {
    Main::SetUserProp(mail_, set);
    ASSERT_TRUE(Main::GetUserProp(mail_, t));
    EXPECT_EQ(t, set);
  }
  EXPECT_EQ(mail_->UserProperties()->Count(), 1);
  EXPECT_FALSE(Reloaded(mail_)->UserProperties()->Find(name_)) << "the item was saved";
  mail_->Save();
  Main::DelUserProp(mail_);
  EXPECT_FALSE(mail_->UserProperties()->Find(name_));
  EXPECT_TRUE(Reloaded(mail_)->UserProperties()->Find(name_)) << "the item was saved";
  Main::DelUserProp(mail_);  // absent now: no failure
  Main::DelUserProp(nullptr);
  Main::SetUserProp(nullptr, DateTime());
}

class MarkedMails : public test::VelmoraFolderTest {
 protected:
  bool Marked(const host::MailItemPtr& item) {
    return item->UserProperties()->Find(std::string(mSpecial::kPropMoveToVelmora)) != nullptr;
  }
};

TEST_F(MarkedMails, EveryMarkedMailMovesOnceNoneSkipped) {
  SavedMail(Inbox(), "keep 0");
  const int folders = Root()->Folders()->Count();
  mSpecial::SpecialDo();
  EXPECT_EQ(Root()->Folders()->Count(), folders) << "made with no marked mail";
  // Adjacent marked mails are where moving while walking would skip one.
  for (const char* subject : {"keep 1", "move 1", "move 2", "move 3", "keep 2", "move 4"}) {
    auto item = SavedMail(Inbox(), subject);
    if (std::string(subject).starts_with("move")) {
      mSpecial::SpecialAdd(item);
      mSpecial::SpecialAdd(item);
      item->Save();
    }
  }
  // Something other than a mail, marked too, stays where it is.
  auto appointment = Inbox()->Items()->Add(host::ol::kAppointmentItem);
  appointment->SetSubject("meeting");
  mSpecial::SpecialAdd(appointment);
  appointment->Save();
  mSpecial::SpecialAdd(nullptr);

  mSpecial::SpecialDo();
  auto folder = Main::GetVelmoraFolder(false);
  ASSERT_TRUE(folder) << "the folder is created for the first marked mail";
  EXPECT_EQ(Subjects(folder), (std::vector<std::string>{"move 1", "move 2", "move 3", "move 4"}));
  EXPECT_EQ(Subjects(Inbox()), (std::vector<std::string>{"keep 0", "keep 1", "keep 2", "meeting"}));
  auto moved = folder->Items();
  for (int i = 1; i <= moved->Count(); ++i) {
    EXPECT_FALSE(Marked(moved->Item(i))) << moved->Item(i)->Subject();
    EXPECT_EQ(moved->Item(i)->UserProperties()->Count(), 0);
  }
}

TEST_F(MarkedMails, WithoutAFolderForThemTheyStayMarkedInTheInbox) {
  Root()->Folders()->Add("Velmora", 10);
  auto item = SavedMail(Inbox(), "move me");
  mSpecial::SpecialAdd(item);
  item->Save();
  mSpecial::SpecialDo();
  EXPECT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(Subjects(Inbox()), std::vector<std::string>{"move me"});
  EXPECT_TRUE(Marked(Reloaded(item)));
}

}  // namespace
}  // namespace velmora
