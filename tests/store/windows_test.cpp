// Windows of the standalone host closing: saving or discarding, over a
// deleted item, and over a host already gone.
#include <gtest/gtest.h>

#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

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
  mail->OpenInspector(SavedMail(Drafts(), "x"));
  app->ActiveInspector()->CurrentItem()->Close(host::ol::kSave);
  EXPECT_EQ(app->Inspectors()->Count(), 0) << "closing an item closes its window";
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
