// Item objects of the standalone host: buffered changes, save, move, copy,
// delete.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/posix/host/mail_item.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

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
  Inbox()->Items()->Add(host::ol::kAppointmentItem)->Save();
  EXPECT_EQ(Inbox()->Items()->Item(1)->Class(), host::ol::kClassAppointment);
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
  TempDir dir;
  std::ofstream(dir / "a.bin", std::ios::binary) << std::string("\0\1\2", 3);
  auto item = SavedMail(Drafts(), "original");
  item->UserProperties()->Add("VelmoraRecurrence", host::ol::kText)->SetValue(std::string("D1"));
  item->Attachments()->Add(dir / "a.bin", "a.bin");
  item->SetBody("pending body");

  auto copy = item->Copy();
  EXPECT_NE(copy->EntryID(), item->EntryID());
  EXPECT_EQ(Drafts()->Items()->Count(), 2);
  EXPECT_EQ(copy->Body(), "pending body");
  EXPECT_EQ(std::get<std::string>(copy->UserProperties()->Find("VelmoraRecurrence")->GetValue()),
            "D1");
  ASSERT_EQ(copy->Attachments()->Count(), 1);
  EXPECT_EQ(copy->Attachments()->Item(1)->Size(), 3);
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

}  // namespace
}  // namespace velmora::test
