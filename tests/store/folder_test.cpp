// The scheduled-mail folder and the properties on its mails, on the
// standalone host's store: finding and creating the folder, refusing a
// same-named folder that holds no mail, the ScheduleTime property, the
// navigation pane shortcut, folder paths and the move of marked Inbox mails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/folder.h"
#include "addin/store/special.h"
#include "addin/store/view.h"
#include "common/debug.h"
#include "store/velmora_folder_fixture.h"
#include "support/captured_log.h"

namespace velmora {
namespace {

using test::CapturedLog;

class VelmoraFolder : public test::VelmoraFolderTest {};

TEST_F(VelmoraFolder, AbsentFolderIsCreatedOnlyWhenAskedAndOnlyOnce) {
  // Names are compared with letter case: these are not it.
  Root()->Folders()->Add("velmora", host::ol::kFolderDrafts);
  Root()->Folders()->Add("VELMORA", host::ol::kFolderDrafts);
  const int before = Root()->Folders()->Count();
  EXPECT_FALSE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Root()->Folders()->Count(), before);

  auto created = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(created);
  EXPECT_EQ(created->Name(), "Velmora");
  EXPECT_EQ(created->DefaultItemType(), host::ol::kMailItem);
  EXPECT_TRUE(created->Views()->Item("Velmora View")) << "created without its view";

  for (bool create : {true, false}) {
    auto found = Main::GetVelmoraFolder(create);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->EntryID(), created->EntryID());
  }
  EXPECT_EQ(TopFolders("Velmora").size(), 1u);
  EXPECT_EQ(TopFolders("velmora").size(), 1u);
  EXPECT_EQ(Root()->Folders()->Count(), before + 1);
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(VelmoraFolder, SameNamedFolderOfOtherItemsIsRefusedOnEveryCall) {
  for (int folderType : {10, 9}) {  // contacts, then appointments
    SCOPED_TRACE(folderType);
    auto host = posix::MailHost::OpenInMemory({.dispatcher = &loop, .clock = &clock});
    AddinServices ports = GetAddinServices();
    ports.app = host->App();
    ScopedAddinServices other(ports);
    auto root =
        host->App()->GetNamespace("MAPI")->GetDefaultFolder(host::ol::kFolderInbox)->Parent();
    root->Folders()->Add("Velmora", folderType);
    const int count = root->Folders()->Count();
    box.shown.clear();

    EXPECT_FALSE(Main::GetVelmoraFolder(true));
    EXPECT_FALSE(Main::GetVelmoraFolder(false));
    EXPECT_FALSE(Main::GetVelmoraFolder(true));
    ASSERT_EQ(box.shown.size(), 3u);
    for (const auto& shown : box.shown) {
      EXPECT_EQ(shown.text,
                "Velmora has encountered an error. Velmora folder already exists and it is not "
                "compatible with mail items.");
      EXPECT_EQ(shown.style, mb::kOkOnly | mb::kSetForeground);
    }
    EXPECT_EQ(root->Folders()->Count(), count) << "a second Velmora folder was made";
  }
}

TEST_F(VelmoraFolder, FailuresAreLoggedAndGiveNothing) {
  ScopedAddinServices disconnected(AddinServices{});
  CapturedLog log;
  EXPECT_FALSE(Main::GetVelmoraFolder(true));
  EXPECT_TRUE(log.Contains("Main.GetVelmoraFolder")) << log.Text();
}

class ScheduleTimeProperty : public test::VelmoraFolderTest {
 protected:
  host::MailItemPtr mail_ = SavedMail(Drafts(), "report");
  const std::string name_{kPropScheduleTime};
};

TEST_F(ScheduleTimeProperty, ReadsOnlyADateTimeProperty) {
  const DateTime untouched = DateTime::FromParts(2000, 1, 1);
  DateTime t = untouched;
  EXPECT_FALSE(Main::GetUserProp(mail_, t));
  EXPECT_EQ(t, untouched);

  auto text = mail_->UserProperties()->Add(name_, host::ol::kText);
  text->SetValue(std::string("12/7/2026 9:00:00 AM"));
  EXPECT_FALSE(Main::GetUserProp(mail_, t)) << "a text ScheduleTime does not schedule a mail";
  EXPECT_EQ(t, untouched);

  text->Delete();
  mail_->UserProperties()
      ->Add(name_, host::ol::kDateTime)
      ->SetValue(DateTime::FromParts(2026, 12, 7, 9, 30, 15));
  EXPECT_TRUE(Main::GetUserProp(mail_, t));
  EXPECT_EQ(ToIsoText(t), "2026-12-07 09:30:15");

  CapturedLog log;
  EXPECT_FALSE(Main::GetUserProp(nullptr, t));
  EXPECT_TRUE(log.Contains("Main.GetUserProp")) << log.Text();
}

TEST_F(ScheduleTimeProperty, SetMakesADateTimeOfATextPropertyAndDoesNotSave) {
  // Traces reach only a log that writes them, as the tray launcher's does.
  CapturedLog log(true);
  mail_->UserProperties()->Add(name_, host::ol::kText)->SetValue(std::string("soon"));
  const DateTime when = DateTime::FromParts(2026, 12, 24, 18, 0, 0);
  Main::SetUserProp(mail_, when);
  EXPECT_TRUE(log.Contains("Warning: user prop type is not olDateTime")) << log.Text();
  auto prop = mail_->UserProperties()->Find(name_);
  ASSERT_TRUE(prop);
  EXPECT_EQ(prop->Type(), host::ol::kDateTime);
  EXPECT_EQ(host::ValueToDate(prop->GetValue()), when);
  EXPECT_FALSE(Reloaded(mail_)->UserProperties()->Find(name_)) << "the item was saved";

  // A second set changes the value of the same property.
  Main::SetUserProp(mail_, when.AddDays(1));
  DateTime t;
  ASSERT_TRUE(Main::GetUserProp(mail_, t));
  EXPECT_EQ(t, when.AddDays(1));
  EXPECT_EQ(mail_->UserProperties()->Count(), 1);
}

TEST_F(ScheduleTimeProperty, DeleteRemovesItAndToleratesItsAbsence) {
  Main::SetUserProp(mail_, DateTime::FromParts(2026, 12, 24));
  mail_->Save();
  Main::DelUserProp(mail_);
  EXPECT_FALSE(mail_->UserProperties()->Find(name_));
  EXPECT_TRUE(Reloaded(mail_)->UserProperties()->Find(name_)) << "the item was saved";

  CapturedLog log;
  Main::DelUserProp(mail_);
  EXPECT_EQ(log.Text(), "");
  Main::DelUserProp(nullptr);
  Main::SetUserProp(nullptr, DateTime());
  EXPECT_TRUE(log.Contains("Main.DelUserProp")) << log.Text();
  EXPECT_TRUE(log.Contains("Main.SetUserProp()")) << log.Text();
}

class Shortcuts : public test::VelmoraFolderTest {
 protected:
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    auto shortcuts = explorer_->Panes()->Item(1)->Contents()->Groups()->Item(1)->Shortcuts();
    for (int i = 1; i <= shortcuts->Count(); ++i)
      out.push_back(shortcuts->Item(i)->Name());
    return out;
  }
  host::ExplorerPtr explorer_ = mail->OpenExplorer();
};

TEST_F(Shortcuts, LeavesExactlyOneShortcutAndKeepsOthers) {
  auto folder = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(folder);
  auto shortcuts = explorer_->Panes()->Item(1)->Contents()->Groups()->Item(1)->Shortcuts();
  shortcuts->Add(Inbox(), "Inbox");
  shortcuts->Add(folder, "Velmora");  // one left from an earlier load
  shortcuts->Add(Drafts(), "Drafts");

  Main::AddShortcutFolder(explorer_, folder);
  Main::AddShortcutFolder(explorer_, folder);

  auto names = Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), "Velmora"), 1);
  EXPECT_EQ(names.back(), "Velmora");
  names.pop_back();
  EXPECT_EQ(names, (std::vector<std::string>{"Inbox", "Drafts"}));
}

TEST_F(Shortcuts, WithoutAnExplorerOrAFolderNoShortcutIsMade) {
  auto folder = Main::GetVelmoraFolder(true);
  CapturedLog log;
  Main::AddShortcutFolder(nullptr, folder);
  EXPECT_EQ(log.Text(), "");
  EXPECT_TRUE(Names().empty());

  Main::AddShortcutFolder(explorer_, nullptr);
  EXPECT_TRUE(log.Contains("Main.AddShortcutFolder")) << log.Text();
  EXPECT_TRUE(Names().empty());
}

TEST_F(VelmoraFolder, FolderPathRunsFromTheStoreRoot) {
  auto folder = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(folder);
  const std::string root = Root()->Name();
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(Main::GetFolderPath(folder), root + "\\Velmora");
  auto sub = folder->Folders()->Add("Weekly", host::ol::kFolderDrafts);
  EXPECT_EQ(Main::GetFolderPath(sub), root + "\\Velmora\\Weekly");
  EXPECT_EQ(Main::GetFolderPath(Root()), root);

  CapturedLog log;
  EXPECT_EQ(Main::GetFolderPath(nullptr), "");
  EXPECT_EQ(log.Text(), "") << "nothing is no failure: its path is empty";
}

class MarkedMails : public test::VelmoraFolderTest {
 protected:
  bool Marked(const host::MailItemPtr& item) {
    return item->UserProperties()->Find(std::string(mSpecial::kPropMoveToVelmora)) != nullptr;
  }
};

TEST_F(MarkedMails, MarkIsAddedOnce) {
  auto item = SavedMail(Inbox(), "a");
  mSpecial::SpecialAdd(item);
  mSpecial::SpecialAdd(item);
  EXPECT_TRUE(Marked(item));
  EXPECT_EQ(item->UserProperties()->Count(), 1);
  EXPECT_EQ(item->UserProperties()->Find("MoveToVelmora")->Type(), host::ol::kText);

  CapturedLog log;
  mSpecial::SpecialAdd(nullptr);
  EXPECT_TRUE(log.Contains("mSpecial.SpecialAdd")) << log.Text();
}

TEST_F(MarkedMails, EveryMarkedMailMovesNoneSkipped) {
  SavedMail(Inbox(), "keep 0");
  mSpecial::SpecialDo();
  EXPECT_TRUE(TopFolders("Velmora").empty()) << "made with no marked mail";
  // Adjacent marked mails are where moving while walking would skip one.
  for (const char* subject : {"keep 1", "move 1", "move 2", "move 3", "keep 2", "move 4"}) {
    auto item = SavedMail(Inbox(), subject);
    if (std::string(subject).starts_with("move")) {
      mSpecial::SpecialAdd(item);
      item->Save();
    }
  }
  // Something other than a mail, marked too, stays where it is.
  auto appointment = Inbox()->Items()->Add(host::ol::kAppointmentItem);
  appointment->SetSubject("meeting");
  mSpecial::SpecialAdd(appointment);
  appointment->Save();

  CapturedLog log;
  mSpecial::SpecialDo();
  EXPECT_EQ(log.Text(), "");

  auto folder = Main::GetVelmoraFolder(false);
  ASSERT_TRUE(folder) << "the folder is created for the first marked mail";
  EXPECT_EQ(Subjects(folder), (std::vector<std::string>{"move 1", "move 2", "move 3", "move 4"}));
  EXPECT_EQ(Subjects(Inbox()), (std::vector<std::string>{"keep 0", "keep 1", "keep 2", "meeting"}));
  auto moved = folder->Items();
  for (int i = 1; i <= moved->Count(); ++i)
    EXPECT_FALSE(Marked(moved->Item(i))) << moved->Item(i)->Subject();
}

TEST_F(MarkedMails, WithoutAFolderForThemTheyStayMarkedInTheInbox) {
  Root()->Folders()->Add("Velmora", 10);
  auto item = SavedMail(Inbox(), "move me");
  mSpecial::SpecialAdd(item);
  item->Save();

  CapturedLog log;
  mSpecial::SpecialDo();
  EXPECT_TRUE(log.Contains("mSpecial.SpecialDo")) << log.Text();
  EXPECT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(Subjects(Inbox()), std::vector<std::string>{"move me"});
  EXPECT_TRUE(Marked(Reloaded(item)));
}

}  // namespace
}  // namespace velmora
