// Item objects of the standalone host: buffered changes, save, move, copy,
// delete, and the folder's item order.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/posix/host/mail_item.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

using posix::store_err::kBadIndex;
using posix::store_err::kInvalidArgument;
using posix::store_err::kNotFound;

using StoreItems = MailHostTest;

TEST_F(StoreItems, ChangesStayInTheirObjectUntilSaved) {
  auto a = SavedMail(Drafts(), "first");
  auto b = ns->GetItemFromID(a->EntryID());
  ASSERT_TRUE(b);
  TempDir dir;
  std::ofstream(dir / "note.txt") << "hello";

  a->SetSubject("second");
  a->SetBody("text");
  a->UserProperties()->Add("ScheduleTime", host::ol::kDateTime);
  a->Attachments()->Add(dir / "note.txt", "note.txt");

  EXPECT_EQ(a->Subject(), "second");
  EXPECT_EQ(b->Subject(), "first");
  EXPECT_EQ(b->Body(), "");
  EXPECT_FALSE(b->UserProperties()->Find("ScheduleTime"));
  EXPECT_EQ(b->Attachments()->Count(), 0);

  a->Save();
  EXPECT_EQ(b->Subject(), "second");
  EXPECT_EQ(b->Body(), "text");
  EXPECT_TRUE(b->UserProperties()->Find("ScheduleTime"));
  EXPECT_EQ(b->Attachments()->Count(), 1);
}

TEST_F(StoreItems, TwoObjectsChangingDifferentFieldsLoseNeither) {
  auto a = SavedMail(Drafts(), "subject");
  auto b = ns->GetItemFromID(a->EntryID());
  a->SetSubject("new subject");
  b->SetBody("new body");
  b->UserProperties()->Add("Mark", host::ol::kText);
  a->Save();
  b->Save();
  auto c = ns->GetItemFromID(a->EntryID());
  EXPECT_EQ(c->Subject(), "new subject");
  EXPECT_EQ(c->Body(), "new body");
  EXPECT_TRUE(c->UserProperties()->Find("Mark"));
}

TEST_F(StoreItems, NewItemEntersItsFolderOnlyWhenSaved) {
  auto item = Drafts()->Items()->Add(host::ol::kMailItem);
  item->SetSubject("draft");
  EXPECT_EQ(item->EntryID(), "");
  EXPECT_EQ(Drafts()->Items()->Count(), 0);
  EXPECT_EQ(item->Parent()->Name(), "Drafts");

  item->Save();
  EXPECT_NE(item->EntryID(), "");
  ASSERT_EQ(Drafts()->Items()->Count(), 1);
  EXPECT_EQ(Drafts()->Items()->Item(1)->Subject(), "draft");
  EXPECT_EQ(Drafts()->Items()->Item(1)->EntryID(), item->EntryID());
}

TEST_F(StoreItems, ApplicationCreatesMailsForDraftsAndOtherClassesKeepTheirClass) {
  auto item = app->CreateItem(host::ol::kMailItem);
  EXPECT_EQ(item->Class(), host::ol::kClassMail);
  item->Save();
  EXPECT_EQ(Drafts()->Items()->Count(), 1);
  EXPECT_EQ(ErrorOf([&] { app->CreateItem(7); }), kInvalidArgument);

  auto contacts =
      ns->GetDefaultFolder(host::ol::kFolderInbox)->Parent()->Folders()->Add("People", 10);
  auto contact = contacts->Items()->Add(host::ol::kContactItem);
  contact->Save();
  auto note = Inbox()->Items()->Add(host::ol::kAppointmentItem);
  note->Save();
  EXPECT_EQ(contacts->Items()->Item(1)->Class(), host::ol::kClassContact);
  EXPECT_EQ(Inbox()->Items()->Item(1)->Class(), host::ol::kClassAppointment);
  EXPECT_EQ(ErrorOf([&] { Inbox()->Items()->Add(9); }), kInvalidArgument);
}

TEST_F(StoreItems, MoveSavesAndReturnsTheMovedItem) {
  auto item = SavedMail(Drafts(), "to move");
  item->SetSubject("changed before the move");
  auto moved = item->Move(Outbox());
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->Subject(), "changed before the move");
  EXPECT_EQ(moved->Parent()->Name(), "Outbox");
  EXPECT_EQ(moved->EntryID(), item->EntryID());
  EXPECT_EQ(Drafts()->Items()->Count(), 0);
  EXPECT_EQ(Outbox()->Items()->Count(), 1);
  EXPECT_EQ(ErrorOf([&] { moved->Move(nullptr); }), err::kObjectNotSet);
  EXPECT_EQ(Outbox()->Items()->Count(), 1) << "a move to nothing left its folder";

  // An item never saved is stored in the destination.
  auto fresh = Drafts()->Items()->Add(host::ol::kMailItem);
  fresh->SetSubject("never saved");
  EXPECT_EQ(fresh->Move(Inbox())->Subject(), "never saved");
  EXPECT_EQ(Drafts()->Items()->Count(), 0);
  EXPECT_EQ(Inbox()->Items()->Count(), 1);
}

TEST_F(StoreItems, CopyIsASavedItemInTheSameFolderWithEverything) {
  TempDir dir;
  std::ofstream(dir / "a.bin", std::ios::binary) << std::string("\0\1\2", 3);
  auto item = SavedMail(Drafts(), "original");
  item->UserProperties()->Add("VelmoraRecurrence", host::ol::kText)->SetValue(std::string("D1"));
  item->Attachments()->Add(dir / "a.bin", "a.bin");
  item->SetBody("pending body");

  auto copy = item->Copy();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy->EntryID(), item->EntryID());
  EXPECT_EQ(copy->Parent()->Name(), "Drafts");
  EXPECT_EQ(Drafts()->Items()->Count(), 2);
  EXPECT_EQ(copy->Body(), "pending body");
  auto prop = copy->UserProperties()->Find("VelmoraRecurrence");
  ASSERT_TRUE(prop);
  EXPECT_EQ(std::get<std::string>(prop->GetValue()), "D1");
  ASSERT_EQ(copy->Attachments()->Count(), 1);
  EXPECT_EQ(copy->Attachments()->Item(1)->Size(), 3);
  // The original was saved by the copy and is independent of it.
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Body(), "pending body");
  copy->SetSubject("copy");
  copy->Save();
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "original");
}

TEST_F(StoreItems, DeleteMovesToDeletedItemsThenRemoves) {
  auto item = SavedMail(Inbox(), "bye");
  const auto id = item->EntryID();
  item->Delete();
  EXPECT_EQ(Inbox()->Items()->Count(), 0);
  ASSERT_EQ(DeletedItems()->Items()->Count(), 1);
  EXPECT_EQ(ErrorOf([&] { item->Save(); }), kNotFound);

  ns->GetItemFromID(id)->Delete();
  EXPECT_EQ(DeletedItems()->Items()->Count(), 0);
  EXPECT_FALSE(ns->GetItemFromID(id));
}

TEST_F(StoreItems, ChangesToAnItemRemovedMeanwhileAreRefused) {
  auto a = SavedMail(Inbox(), "contested");
  auto b = ns->GetItemFromID(a->EntryID());
  a->SetSubject("pending");
  b->Delete();
  ns->GetItemFromID(b->EntryID())->Delete();  // out of Deleted Items too
  EXPECT_EQ(ErrorOf([&] { a->Save(); }), kNotFound);
  EXPECT_EQ(a->Subject(), "pending");  // still readable, nothing crashes
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

TEST_F(StoreItems, CloseSavesOrDiscards) {
  auto item = SavedMail(Drafts(), "kept");
  item->SetSubject("discarded");
  item->Close(host::ol::kDiscard);
  EXPECT_EQ(item->Subject(), "kept");
  item->SetSubject("saved");
  item->Close(host::ol::kSave);
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "saved");
  EXPECT_EQ(ErrorOf([&] { item->Close(7); }), kInvalidArgument);
}

TEST_F(StoreItems, FolderKeepsArrivalOrder) {
  SavedMail(Inbox(), "a");
  auto b = SavedMail(Inbox(), "b");
  SavedMail(Inbox(), "c");
  b->Move(Drafts())->Move(Inbox());  // arrives again, so it comes last
  auto items = Inbox()->Items();
  ASSERT_EQ(items->Count(), 3);
  EXPECT_EQ(items->Item(1)->Subject(), "a");
  EXPECT_EQ(items->Item(2)->Subject(), "c");
  EXPECT_EQ(items->Item(3)->Subject(), "b");
  EXPECT_EQ(ErrorOf([&] { items->Item(0); }), kBadIndex);
  EXPECT_EQ(ErrorOf([&] { items->Item(4); }), kBadIndex);
}

TEST_F(StoreItems, GetItemFromIdFindsOnlyStoredItemsWhereverTheyAre) {
  auto item = SavedMail(SentItems(), "found");
  auto found = ns->GetItemFromID(item->EntryID());
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Subject(), "found");
  EXPECT_EQ(found->Parent()->Name(), "Sent Items");
  EXPECT_FALSE(ns->GetItemFromID(""));
  EXPECT_FALSE(ns->GetItemFromID("0123"));
}

}  // namespace
}  // namespace velmora::test
