// Windows of the standalone host closing over items and a host already gone.
#include <gtest/gtest.h>

#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using StoreWindows = MailHostTest;

TEST_F(StoreWindows, TheWindowOfADeletedItemStillClosesAndClosingAnItemClosesItsWindow) {
  auto item = SavedMail(Drafts(), "gone");
  auto window = mail->OpenInspector(item);
  item->Delete();
  window->Close(host::ol::kSave);
  EXPECT_EQ(app->Inspectors()->Count(), 0);
  EXPECT_EQ(DeletedItems()->Items()->Count(), 1);
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
