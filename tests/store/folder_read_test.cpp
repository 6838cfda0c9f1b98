// A folder read in one go: the items a walk hands out keep every behaviour of
// items read one by one, two connections still see each other's changes,
// and the store's earliest ScheduleTime counts only saved dates on mails.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "addin/store/folder.h"
#include "platform/posix/store/sqlite.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

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
  auto note = folder->Items()->Add(host::ol::kAppointmentItem);
  note->Save();
  stamp(note, "ScheduleTime", at(4));
  ASSERT_TRUE(folder->EarliestMailDate("ScheduleTime", earliest));
  EXPECT_EQ(earliest, at(10));

  // A changed schedule counts once saved, as the walk sees it.
  auto due = folder->Items()->Item(2);
  due->UserProperties()->Find("ScheduleTime")->SetValue(at(25));
  ASSERT_TRUE(folder->EarliestMailDate("ScheduleTime", earliest));
  EXPECT_EQ(earliest, at(10)) << "unsaved";
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

// Inside a transaction the store asks SQLite for other connections' changes
// once; each new transaction must ask again.
TEST(FolderReadFile, EachTransactionSeesWhatAnotherConnectionCommittedBeforeIt) {
  TempDir dir{"read"};
  ManualClock clock;
  auto mine = posix::MailHost::Open(dir.Path() / "store.db", {.clock = &clock});
  auto theirs = posix::MailHost::Open(dir.Path() / "store.db", {.clock = &clock});
  const auto first = [](posix::MailHost& m) {
    return m.App()
        ->GetNamespace("MAPI")
        ->GetDefaultFolder(host::ol::kFolderDrafts)
        ->Items()
        ->Item(1);
  };
  auto draft = mine->App()->CreateItem(host::ol::kMailItem);
  draft->SetSubject("0");
  draft->Save();
  auto& db = mine->Store().Db();
  for (int round = 1; round <= 4; ++round) {
    host::MailItemPtr item;
    {
      posix::sql::ReadTransaction tx(db);
      item = first(*mine);
      EXPECT_EQ(item->Subject(), std::to_string(round - 1));
    }
    auto theirItem = first(*theirs);
    theirItem->SetSubject(std::to_string(round));
    theirItem->Save();
    if (round % 2) {
      posix::sql::ReadTransaction tx(db);
      EXPECT_EQ(item->Subject(), std::to_string(round)) << "read transaction, round " << round;
    } else {
      posix::sql::WriteTransaction tx(db);
      EXPECT_EQ(item->Subject(), std::to_string(round)) << "write transaction, round " << round;
    }
  }
}

}  // namespace
}  // namespace velmora::test
