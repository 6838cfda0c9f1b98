// Item objects of the standalone host: buffered changes, save, move, copy,
// delete, attachments, user properties, windows, the folder tree, and a
// folder read in one go.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "addin/store/folder.h"
#include "platform/posix/host/mail_item.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

using posix::store_err::kCollision;
using posix::store_err::kFileNotFound;
using posix::store_err::kInvalidArgument;
using posix::store_err::kNotFound;

using StoreItems = MailHostTest;

TEST_F(StoreItems, ChangesStayInTheirObjectUntilSavedAndTwoObjectsLoseNeither) {
  auto a = SavedMail(Drafts(), "first");
  auto b = ns->GetItemFromID(a->EntryID());
  a->SetSubject("second");
  a->UserProperties()->Add("ScheduleTime", host::ol::kDateTime);
  b->SetBody("new body");
  EXPECT_EQ(b->Subject(), "first");
  EXPECT_FALSE(b->UserProperties()->Find("ScheduleTime"));

  a->Save();
  b->Save();
  auto c = ns->GetItemFromID(a->EntryID());
  EXPECT_EQ(c->Subject(), "second");
  EXPECT_EQ(c->Body(), "new body");
  EXPECT_TRUE(c->UserProperties()->Find("ScheduleTime"));
}

TEST_F(StoreItems, ANewItemEntersItsFolderOnlyWhenSavedAndKeepsItsClass) {
  auto item = app->CreateItem(host::ol::kMailItem);
  EXPECT_EQ(item->EntryID(), "");
  EXPECT_EQ(Drafts()->Items()->Count(), 0);
  item->Save();
  ASSERT_EQ(Drafts()->Items()->Count(), 1);
  EXPECT_EQ(Drafts()->Items()->Item(1)->EntryID(), item->EntryID());
  EXPECT_EQ(ErrorOf([&] { Inbox()->Items()->Add(9); }), kInvalidArgument);
  EXPECT_EQ(Drafts()->Items()->Item(1)->Class(), host::ol::kClassMail);
}

TEST_F(StoreItems, MoveSavesAndReturnsTheMovedItem) {
  auto item = SavedMail(Drafts(), "to move");
  item->SetSubject("changed before the move");
  auto moved = item->Move(Outbox());
  EXPECT_EQ(moved->Subject(), "changed before the move");
  EXPECT_EQ(moved->EntryID(), item->EntryID());
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Parent()->Name(), "Outbox");
  EXPECT_EQ(Drafts()->Items()->Count(), 0);
  EXPECT_EQ(ErrorOf([&] { moved->Move(nullptr); }), err::kObjectNotSet);
  EXPECT_EQ(Outbox()->Items()->Count(), 1) << "a move to nothing left its folder";

  auto fresh = Drafts()->Items()->Add(host::ol::kMailItem);  // never saved
  fresh->SetSubject("never saved");
  EXPECT_EQ(fresh->Move(Inbox())->Subject(), "never saved");
  EXPECT_EQ(Inbox()->Items()->Count(), 1);
}

TEST_F(StoreItems, CopyIsASavedItemInTheSameFolderWithEverything) {
  auto item = SavedMail(Drafts(), "original");
  item->UserProperties()->Add("VelmoraRecurrence", host::ol::kText)->SetValue(std::string("D1"));
  item->SetBody("pending body");

  auto copy = item->Copy();
  EXPECT_NE(copy->EntryID(), item->EntryID());
  EXPECT_EQ(Drafts()->Items()->Count(), 2);
  EXPECT_EQ(copy->Body(), "pending body");
  EXPECT_EQ(std::get<std::string>(copy->UserProperties()->Find("VelmoraRecurrence")->GetValue()),
            "D1");
  // The original was saved by the copy and is independent of it.
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Body(), "pending body");
  copy->SetSubject("copy");
  copy->Save();
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "original");
}

TEST_F(StoreItems, DeleteMovesToDeletedItemsThenRemovesAndLaterChangesAreRefused) {
  auto item = SavedMail(Inbox(), "bye");
  const auto id = item->EntryID();
  auto other = ns->GetItemFromID(id);
  other->SetSubject("pending");
  item->Delete();
  EXPECT_EQ(Inbox()->Items()->Count(), 0);
  EXPECT_EQ(DeletedItems()->Items()->Count(), 1);
  ns->GetItemFromID(id)->Delete();
  EXPECT_EQ(DeletedItems()->Items()->Count(), 0);
  EXPECT_FALSE(ns->GetItemFromID(id));
  EXPECT_FALSE(ns->GetItemFromID(""));
  EXPECT_EQ(ErrorOf([&] { other->Save(); }), kNotFound);
  EXPECT_EQ(other->Subject(), "pending");  // still readable, nothing crashes
}

TEST_F(StoreItems, MovingOrDeletingAnItemAnotherObjectMovedOrDeletedIsRefused) {
  auto a = SavedMail(Inbox(), "contested");
  auto b = ns->GetItemFromID(a->EntryID());
  auto c = ns->GetItemFromID(a->EntryID());
  a->Move(Drafts());
  EXPECT_EQ(ErrorOf([&] { b->Move(Outbox()); }), kNotFound);
  EXPECT_EQ(ErrorOf([&] { c->Delete(); }), kNotFound);
  auto d = ns->GetItemFromID(a->EntryID());
  auto e = ns->GetItemFromID(a->EntryID());
  d->Delete();
  // A second delete would remove it for good, a move bring it back.
  EXPECT_EQ(ErrorOf([&] { e->Delete(); }), kNotFound);
  EXPECT_EQ(ErrorOf([&] { e->Move(Outbox()); }), kNotFound);
  EXPECT_EQ(DeletedItems()->Items()->Count(), 1);
  EXPECT_EQ(Outbox()->Items()->Count() + Drafts()->Items()->Count(), 0);
}

using StoreFolders = MailHostTest;

TEST_F(StoreFolders, DefaultFoldersSitUnderTheRootAndANameInUseUnderTheParentIsRefused) {
  for (const auto& [kind, name] : std::vector<std::pair<int, std::string>>{
           {3, "Deleted Items"}, {4, "Outbox"}, {5, "Sent Items"}, {6, "Inbox"}, {16, "Drafts"}}) {
    EXPECT_EQ(Default(kind)->Name(), name);
    EXPECT_EQ(Default(kind)->Parent()->Name(), "Personal Folders");
  }
  EXPECT_EQ(ErrorOf([&] { Default(9); }), kInvalidArgument);
  auto folders = Inbox()->Parent()->Folders();
  EXPECT_EQ(folders->Add("People", 10)->DefaultItemType(), host::ol::kContactItem);
  for (const char* taken : {"People", "Inbox"})
    EXPECT_EQ(ErrorOf([&] { folders->Add(taken, host::ol::kFolderDrafts); }), kCollision);
  EXPECT_EQ(ErrorOf([&] { folders->Add("", host::ol::kFolderDrafts); }), kInvalidArgument);
  // Letter case tells folders apart, and another parent may use the name.
  folders->Add("people", host::ol::kFolderDrafts);
  Inbox()->Folders()->Add("People", host::ol::kFolderDrafts);
  EXPECT_EQ(folders->Count(), 7);
}

class StoreUserProperties : public MailHostTest {
 protected:
  host::MailItemPtr item = SavedMail(Drafts(), "props");
  host::UserPropertiesPtr props = item->UserProperties();

  host::UserPropertiesPtr Stored() { return ns->GetItemFromID(item->EntryID())->UserProperties(); }
};

TEST_F(StoreUserProperties, ValuesKeepTheirTypesUnderExactNamesAndAWrongTypeIsRefused) {
  props->Add("VelmoraRecurrence", host::ol::kText)->SetValue(std::string("W|1|62"));
  props->Add("Count", host::ol::kNumber)->SetValue(2.5);
  props->Add("Flag", host::ol::kYesNo)->SetValue(true);
  auto date = props->Add("ScheduleTime", host::ol::kDateTime);
  date->SetValue(std::string("12/7/2026 9:30:00 AM"));  // date text reads as the date
  for (const host::Value& bad :
       {host::Value(std::string("next Tuesday")), host::Value(true), host::Value{}})
    EXPECT_EQ(ErrorOf([&] { date->SetValue(bad); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { props->Add("ScheduleTime", host::ol::kText); }), kCollision);
  EXPECT_EQ(ErrorOf([&] { props->Add("X", 2); }), kInvalidArgument);
  item->Save();

  auto stored = Stored();
  EXPECT_FALSE(stored->Find("scheduletime"));
  EXPECT_EQ(stored->Count(), 4);
  EXPECT_EQ(std::get<DateTime>(stored->Find("ScheduleTime")->GetValue()),
            DateTime::FromParts(2026, 12, 7, 9, 30, 0));
  EXPECT_EQ(std::get<std::string>(stored->Find("VelmoraRecurrence")->GetValue()), "W|1|62");
  EXPECT_EQ(std::get<double>(stored->Find("Count")->GetValue()), 2.5);
  EXPECT_TRUE(std::get<bool>(stored->Find("Flag")->GetValue()));
}

// Deleting a property takes effect on save: MailPropsOnItem and ScheduleTimeProperty.
using StoreWindows = MailHostTest;

TEST_F(StoreWindows, ClosingAWindowSavesOrDiscardsAlsoOverADeletedItem) {
  auto item = SavedMail(Drafts(), "original");
  for (auto [mode, typed] : {std::pair{host::ol::kSave, "typed"}, {host::ol::kDiscard, "lost"}}) {
    auto window = mail->OpenInspector(item);
    item->SetSubject(typed);
    window->Close(mode);
  }
  EXPECT_EQ(item->Subject(), "typed");
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "typed");
  auto window = mail->OpenInspector(item);
  item->Delete();
  window->Close(host::ol::kSave);
  EXPECT_EQ(app->Inspectors()->Count(), 0);
  EXPECT_EQ(DeletedItems()->Items()->Count(), 1);
}

TEST_F(StoreWindows, ObjectsOutlivingTheHostFailCleanly) {
  auto explorer = mail->OpenExplorer();
  auto item = SavedMail(Drafts(), "kept");
  auto group = ns->SyncObjects()->Item(1);
  mail.reset();
  EXPECT_EQ(item->Subject(), "kept");  // the store lives as long as its objects
  EXPECT_NE(ErrorOf([&] { group->Start(); }), 0);
  explorer->Close();
}

class StoreAttachments : public MailHostTest {
 protected:
  TempDir dir;
  host::MailItemPtr item = SavedMail(Drafts(), "with files");

  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
  std::string StoredBytes(std::size_t index) {
    auto record = mail->Store().LoadItem(item->EntryID());
    return mail->Store().AttachmentBytes(record->attachments.at(index).id);
  }
  int StoredCount() { return ns->GetItemFromID(item->EntryID())->Attachments()->Count(); }
};

TEST_F(StoreAttachments, TheBytesAreTakenWhenAdded) {
  const std::string bytes("report\0\xff\x01 end", 13);
  const auto path = Write("report.pdf", bytes);
  item->Attachments()->Add(path, "Q4 report.pdf");
  Write("report.pdf", "changed after the add");
  item->Attachments()->Add(Write("log.txt", "log"), "");
  std::filesystem::remove(path);  // gone before the save: the bytes are in the item
  item->Save();

  auto stored = ns->GetItemFromID(item->EntryID())->Attachments();
  ASSERT_EQ(stored->Count(), 2);
  EXPECT_EQ(stored->Item(1)->DisplayName(), "Q4 report.pdf");
  EXPECT_EQ(stored->Item(1)->Size(), 13);
  EXPECT_EQ(StoredBytes(0), bytes);
  EXPECT_EQ(stored->Item(2)->DisplayName(), "log.txt");
}

TEST_F(StoreAttachments, AMissingOversizedOrFolderSourceRaisesAndAddsNothing) {
  for (const std::string& source : {dir / "nowhere.txt", dir.Path().string(), std::string()})
    EXPECT_EQ(ErrorOf([&] { item->Attachments()->Add(source, "x"); }), kFileNotFound);
  const auto huge = dir / "huge.iso";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, 1'000'000'001);  // sparse: no disk used
  EXPECT_EQ(ErrorOf([&] { item->Attachments()->Add(huge, "huge.iso"); }),
            posix::store_err::kInvalidArgument);
  EXPECT_EQ(item->Attachments()->Count(), 0);
}

TEST_F(StoreAttachments, UnsavedAttachmentsGoWithADiscardAndStayAfterAFailedSave) {
  item->Attachments()->Add(Write("a.txt", "a"), "a.txt");
  EXPECT_EQ(StoredCount(), 0);
  item->Close(host::ol::kDiscard);
  EXPECT_EQ(item->Attachments()->Count(), 0);
  item->Save();
  EXPECT_EQ(StoredCount(), 0);

  item->Attachments()->Add(Write("keep.txt", "keep"), "keep.txt");
  ns->GetItemFromID(item->EntryID())->Delete();
  ns->GetItemFromID(item->EntryID())->Delete();
  EXPECT_NE(ErrorOf([&] { item->Save(); }), 0);
  EXPECT_TRUE(dynamic_cast<posix::HostMailItem&>(*item).Dirty());
  EXPECT_EQ(item->Attachments()->Count(), 1);
}

using FolderRead = MailHostTest;

TEST_F(FolderRead, EarliestScheduleTimeCountsOnlySavedDatesOnMailsOfTheFolder) {
  auto folder = Inbox()->Parent()->Folders()->Add("Velmora", host::ol::kFolderDrafts);
  const auto at = [](int day) { return DateTime::FromParts(2027, 3, day, 9, 0, 0); };
  const auto stamp = [](host::MailItemPtr item, const std::string& name, const host::Value& v,
                        int type = host::ol::kDateTime) {
    item->UserProperties()->Add(name, type)->SetValue(v);
    item->Save();
  };
  std::optional<DateTime> earliest;
  ASSERT_TRUE(folder->EarliestMailDate("ScheduleTime", earliest));
  EXPECT_FALSE(earliest) << "an empty folder has none";

  stamp(SavedMail(folder, "later"), "ScheduleTime", at(20));
  stamp(SavedMail(folder, "due"), "ScheduleTime", at(10));
  // None of these counts: text, another name, another folder, no mail.
  stamp(SavedMail(folder, "as text"), "ScheduleTime", std::string("3/1/2027"), host::ol::kText);
  stamp(SavedMail(folder, "other name"), "ScheduleTimeX", at(2));
  stamp(SavedMail(Drafts(), "elsewhere"), "ScheduleTime", at(3));
  stamp(folder->Items()->Add(host::ol::kAppointmentItem), "ScheduleTime", at(4));
  ASSERT_TRUE(folder->EarliestMailDate("ScheduleTime", earliest));
  EXPECT_EQ(earliest, at(10));

  // A changed schedule counts once saved, as the walk sees it.
  auto due = folder->Items()->Item(2);
  due->UserProperties()->Find("ScheduleTime")->SetValue(at(25));
  due->Save();
  ASSERT_TRUE(folder->EarliestMailDate("ScheduleTime", earliest));
  EXPECT_EQ(earliest, at(20));
}

TEST_F(FolderRead, ItemsOfAWalkKeepTheirBodiesAndSeeWhatOthersSavedMeanwhile) {
  for (const char* subject : {"one", "two"}) {
    auto item = SavedMail(Drafts(), subject);
    item->SetBody(subject + std::string(" body"));
    item->Save();
  }
  auto items = Drafts()->Items();
  EXPECT_EQ(items->Item(1)->Body(), "one body");
  // Another field changed and saved: the body it never read stays, and a
  // copy made from it carries the body as well.
  auto walked = items->Item(2);
  walked->SetSubject("two, renamed");
  walked->Save();
  EXPECT_EQ(ns->GetItemFromID(walked->EntryID())->Body(), "two body");
  EXPECT_EQ(items->Item(2)->Copy()->Body(), "two body");

  auto other = ns->GetItemFromID(items->Item(1)->EntryID());
  other->SetSubject("one, changed");
  other->Save();
  EXPECT_EQ(items->Item(1)->Subject(), "one, changed");
  items->Item(3)->Move(Inbox());
  EXPECT_EQ(items->Count(), 2);
}

}  // namespace
}  // namespace velmora::test
