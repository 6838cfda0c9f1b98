// Windows of the standalone host: explorers and inspectors opening and
// closing with their events, and the navigation pane's shortcuts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::store_err::kBadIndex;

using StoreWindows = MailHostTest;

TEST_F(StoreWindows, ClosingLeavesExplorersBeforeTheCloseEvent) {
  auto first = mail->OpenExplorer();
  auto second = mail->OpenExplorer();
  std::vector<int> countsSeen;
  auto sub = second->OnClose([&] { countsSeen.push_back(app->Explorers()->Count()); });
  second->Close();
  second->Close();
  EXPECT_EQ(countsSeen, std::vector<int>{1});
  EXPECT_EQ(app->ActiveExplorer(), first);
  first->Close();
  EXPECT_FALSE(app->ActiveExplorer());
  EXPECT_EQ(app->Explorers()->Count(), 0);
}

TEST_F(StoreWindows, InspectorCloseSavesOrDiscards) {
  auto item = SavedMail(Drafts(), "original");
  auto window = mail->OpenInspector(item);
  item->SetSubject("typed");
  window->Close(host::ol::kSave);
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "typed");
  EXPECT_FALSE(app->ActiveInspector());

  window = mail->OpenInspector(item);
  item->SetSubject("thrown away");
  window->Close(host::ol::kDiscard);
  EXPECT_EQ(item->Subject(), "typed");
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "typed");
}

TEST_F(StoreWindows, WindowOfADeletedItemStillCloses) {
  auto item = SavedMail(Drafts(), "gone");
  auto window = mail->OpenInspector(item);
  item->Delete();
  window->Close(host::ol::kSave);
  EXPECT_EQ(app->Inspectors()->Count(), 0);
  EXPECT_EQ(DeletedItems()->Items()->Count(), 1);

  // Closing an item closes its window.
  auto other = SavedMail(Drafts(), "x");
  mail->OpenInspector(other);
  other->Close(host::ol::kSave);
  EXPECT_EQ(app->Inspectors()->Count(), 0);
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

}  // namespace
}  // namespace velmora::test
