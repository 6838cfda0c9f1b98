// Attachments of standalone host items: the file's bytes are embedded when
// added, so the file may go away; a missing file raises.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/posix/host/mail_item.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

using posix::store_err::kFileNotFound;

class StoreAttachments : public MailHostTest {
 protected:
  TempDir dir;
  host::MailItemPtr item = SavedMail(Drafts(), "with files");

  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
  std::string StoredBytes(const host::MailItemPtr& of, int index) {
    auto record = mail->Store().LoadItem(of->EntryID());
    return mail->Store().AttachmentBytes(
        record->attachments.at(static_cast<std::size_t>(index)).id);
  }
};

TEST_F(StoreAttachments, BytesAreEmbeddedWhenAdded) {
  const std::string bytes("report\0\xff\x01 end", 13);
  const auto path = Write("report.pdf", bytes);
  auto a = item->Attachments()->Add(path, "Q4 report.pdf");
  std::filesystem::remove(path);  // gone before the save: the bytes are in the item
  item->Save();

  auto stored = ns->GetItemFromID(item->EntryID())->Attachments();
  ASSERT_EQ(stored->Count(), 1);
  EXPECT_EQ(stored->Item(1)->DisplayName(), "Q4 report.pdf");
  EXPECT_EQ(stored->Item(1)->FileName(), "report.pdf");
  EXPECT_EQ(stored->Item(1)->Size(), 13);
  EXPECT_EQ(StoredBytes(item, 0), bytes);

  // The file as it was when added is kept, not as it is at the save.
  const auto log = Write("log.txt", "before");
  item->Attachments()->Add(log, "");
  Write("log.txt", "after, and longer");
  item->Save();
  EXPECT_EQ(StoredBytes(item, 1), "before");
  EXPECT_EQ(item->Attachments()->Item(2)->DisplayName(), "log.txt");
}

TEST_F(StoreAttachments, MissingFileOrFolderRaisesAndAddsNothing) {
  const auto missing = dir / "nowhere.txt";
  try {
    item->Attachments()->Add(missing, "x");
    FAIL() << "no error raised";
  } catch (const HostError& e) {
    EXPECT_EQ(e.Number(), kFileNotFound);
    EXPECT_EQ(e.Description(), "Cannot add the attachment: " + missing);
  }
  EXPECT_EQ(ErrorOf([&] { item->Attachments()->Add(dir.Path().string(), "folder"); }),
            kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { item->Attachments()->Add("", "empty"); }), kFileNotFound);
  EXPECT_EQ(item->Attachments()->Count(), 0);
}

TEST_F(StoreAttachments, AFileTooLargeToStoreIsRefusedBeforeReading) {
  const auto huge = dir / "huge.iso";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, 1'000'000'001);  // sparse: no disk used
  EXPECT_EQ(ErrorOf([&] { item->Attachments()->Add(huge, "huge.iso"); }),
            posix::store_err::kInvalidArgument);
  EXPECT_EQ(item->Attachments()->Count(), 0);
}

TEST_F(StoreAttachments, UnsavedAttachmentsAreDroppedByDiscard) {
  item->Attachments()->Add(Write("a.txt", "a"), "a.txt");
  EXPECT_EQ(item->Attachments()->Count(), 1);
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Attachments()->Count(), 0);
  item->Close(host::ol::kDiscard);
  EXPECT_EQ(item->Attachments()->Count(), 0);
  item->Save();
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Attachments()->Count(), 0);
}

TEST_F(StoreAttachments, AFailedSaveKeepsTheAttachmentsWaiting) {
  item->Attachments()->Add(Write("keep.txt", "keep"), "keep.txt");
  auto other = ns->GetItemFromID(item->EntryID());
  other->Delete();
  ns->GetItemFromID(item->EntryID())->Delete();
  EXPECT_NE(ErrorOf([&] { item->Save(); }), 0);
  auto* ours = dynamic_cast<posix::HostMailItem*>(item.get());
  ASSERT_NE(ours, nullptr);
  EXPECT_TRUE(ours->Dirty());
  EXPECT_EQ(item->Attachments()->Count(), 1);
}

}  // namespace
}  // namespace velmora::test
