// The scheduled-mail folder and the properties on its mails, on the
// standalone host's store: finding and creating the folder, refusing a
// same-named folder that holds no mail, the ScheduleTime property, folder
// paths, the move of marked Inbox mails, and the folder's table view (made
// for a new folder, repaired once per load in an old one, a broken one never
// stopping the folder's use).
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/folder.h"
#include "addin/store/special.h"
#include "addin/store/view.h"
#include "addin/store/xml.h"
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
  for (const auto& shown : box.shown)
    EXPECT_EQ(shown.text,
              "Velmora has encountered an error. Velmora folder already exists and it is not "
              "compatible with mail items.");
  EXPECT_EQ(Root()->Folders()->Count(), count) << "a second Velmora folder was made";
}

using ScheduleTimeProperty = test::VelmoraFolderTest;

// A text ScheduleTime never schedules a mail: SendingPass and FolderRead.
TEST_F(ScheduleTimeProperty, SetReplacesTheDateAndNeitherSetNorDeleteSaves) {
  auto item = SavedMail(Drafts(), "report");
  const std::string name{kPropScheduleTime};
  DateTime t;
  const DateTime when = DateTime::FromParts(2026, 12, 24, 18, 0, 0);
  for (DateTime set : {when, when.AddDays(1)}) {
    Main::SetUserProp(item, set);
    ASSERT_TRUE(Main::GetUserProp(item, t));
    EXPECT_EQ(t, set);
  }
  EXPECT_EQ(item->UserProperties()->Count(), 1);
  EXPECT_FALSE(Reloaded(item)->UserProperties()->Find(name)) << "the item was saved";
  item->Save();
  Main::DelUserProp(item);
  EXPECT_FALSE(item->UserProperties()->Find(name));
  EXPECT_TRUE(Reloaded(item)->UserProperties()->Find(name)) << "the item was saved";
  Main::DelUserProp(item);  // absent now: no failure
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

const std::string kFrom = "urn:schemas:httpmail:fromname";
const std::string kTo = "urn:schemas:httpmail:displayto";
const std::string kSchedule =
    "http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/ScheduleTime";

class FolderView : public test::VelmoraFolderTest {
 protected:
  // A mail folder named Velmora as a user or an older load left it: with the
  // host's default table view, which has a sender column, under the add-in's
  // view name.
  host::FolderPtr OldFolder() {
    auto folder = Root()->Folders()->Add("Velmora", host::ol::kFolderDrafts);
    folder->Views()->Add("Velmora View", host::ol::kTableView, 0);
    return folder;
  }
  static host::ViewPtr View(const host::FolderPtr& f) { return f->Views()->Item("Velmora View"); }
  // The columns' props, read with pugixml directly so that the check does not
  // rest on the adapter under test.
  static std::vector<std::string> Props(const host::FolderPtr& f) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(View(f)->Xml().c_str()));
    std::vector<std::string> out;
    for (auto c : doc.document_element().children("column"))
      out.push_back(c.child_value("prop"));
    return out;
  }
  int Applied(const host::FolderPtr& f) { return mail->ViewAppliedCount(f, "Velmora View"); }
};

TEST_F(FolderView, ANewFolderGetsTheViewAppliedOnce) {
  auto folder = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(folder);
  const auto props = Props(folder);
  EXPECT_EQ(std::count(props.begin(), props.end(), kFrom), 0);
  EXPECT_EQ(std::count(props.begin(), props.end(), kTo), 1);
  EXPECT_EQ(props.back(), kSchedule);
  const std::string before = View(folder)->Xml();
  EXPECT_NE(before.find("<userheading>Next Occurrence</userheading>"), std::string::npos);
  Main::UpdateView(folder);
  EXPECT_EQ(View(folder)->Xml(), before) << "an up-to-date view changed";
  EXPECT_EQ(Applied(folder), 1);
}

TEST_F(FolderView, TheDefaultViewIsRepairedInPlaceOncePerLoad) {
  auto folder = OldFolder();
  const auto before = Props(folder);
  const auto from = std::find(before.begin(), before.end(), kFrom) - before.begin();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  auto expected = before;
  expected[from] = kTo;
  expected.push_back(kSchedule);
  EXPECT_EQ(Props(folder), expected);
  EXPECT_EQ(Applied(folder), 1);

  // Looked over once per load: later calls leave it alone.
  Xml::RemoveColumn(View(folder), kSchedule);
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Props(folder).size(), expected.size() - 1);
  Main::ResetVelmoraFolderLookup();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Props(folder), expected);
  EXPECT_EQ(Applied(folder), 2);

  // No sender column to take the place of: the recipients go last.
  auto other = folder->Folders()->Add("Other", host::ol::kFolderDrafts);
  Xml::RemoveColumn(other->Views()->Add("Velmora View", host::ol::kTableView, 0), kFrom);
  Main::UpdateView(other);
  const auto props = Props(other);
  ASSERT_GE(props.size(), 2u);
  EXPECT_EQ(props[props.size() - 2], kTo);
  EXPECT_EQ(props.back(), kSchedule);
}

TEST_F(FolderView, ABrokenViewIsLeftAsItIsAndTheFolderStillServes) {
  auto folder = OldFolder();
  const std::string broken = "<view type=\"table\"><column><prop>" + kFrom + "</prop></column>";
  const auto f = mail->Store().FolderByEntryId(folder->EntryID());
  mail->Store().SetViewXml(mail->Store().FindView(f->id, "Velmora View")->id, broken);
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(View(folder)->Xml(), broken);
}

}  // namespace
}  // namespace velmora
