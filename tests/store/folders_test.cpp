// The standalone host's folder tree: the root, the default folders, and
// folders added by name and kind.
#include <gtest/gtest.h>

#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::store_err::kBadIndex;
using posix::store_err::kCollision;
using posix::store_err::kInvalidArgument;

using StoreFolders = MailHostTest;

TEST_F(StoreFolders, DefaultFoldersAreMailFoldersUnderTheRoot) {
  for (const auto& [kind, name] : std::vector<std::pair<int, std::string>>{
           {3, "Deleted Items"}, {4, "Outbox"}, {5, "Sent Items"}, {6, "Inbox"}, {16, "Drafts"}}) {
    auto folder = Default(kind);
    EXPECT_EQ(folder->Name(), name);
    EXPECT_EQ(folder->DefaultItemType(), host::ol::kMailItem);
    EXPECT_EQ(folder->Parent()->Name(), "Personal Folders");
  }
  EXPECT_FALSE(Inbox()->Parent()->Parent());
  EXPECT_EQ(ErrorOf([&] { Default(9); }), kInvalidArgument);
}

TEST_F(StoreFolders, AddedFoldersHoldTheirKindAndANameInUseUnderTheParentIsRefused) {
  auto folders = Inbox()->Parent()->Folders();
  EXPECT_EQ(folders->Add("Velmora", host::ol::kFolderDrafts)->DefaultItemType(),
            host::ol::kMailItem);
  EXPECT_EQ(folders->Add("People", 10)->DefaultItemType(), host::ol::kContactItem);
  EXPECT_EQ(folders->Add("Dates", 9)->DefaultItemType(), host::ol::kAppointmentItem);
  for (const char* taken : {"Velmora", "Inbox"})
    EXPECT_EQ(ErrorOf([&] { folders->Add(taken, host::ol::kFolderDrafts); }), kCollision);
  EXPECT_EQ(ErrorOf([&] { folders->Add("Odd", 99); }), kInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { folders->Add("", host::ol::kFolderDrafts); }), kInvalidArgument);
  // Letter case tells folders apart, and another parent may use the name.
  folders->Add("velmora", host::ol::kFolderDrafts);
  Inbox()->Folders()->Add("Velmora", host::ol::kFolderDrafts);
  EXPECT_EQ(folders->Count(), 9);
  EXPECT_EQ(folders->Item(6)->Name(), "Velmora");
  EXPECT_EQ(ErrorOf([&] { folders->Item(10); }), kBadIndex);
}

}  // namespace
}  // namespace velmora::test
