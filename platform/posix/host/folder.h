// Folders of the standalone host and their collections: the folder tree under
// the root, and a folder's items in the order they arrived in it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

class HostFolder final : public host::Folder {
 public:
  HostFolder(ContextPtr ctx, std::int64_t id) : ctx_(std::move(ctx)), id_(id) {}
  static host::FolderPtr Make(ContextPtr ctx, std::int64_t id) {
    return std::make_shared<HostFolder>(std::move(ctx), id);
  }

  int Class() override { return host::ol::kClassFolder; }
  std::string Name() override { return Record().name; }
  std::string EntryID() override { return Record().entryId; }
  host::FolderPtr Parent() override;
  host::FoldersPtr Folders() override;
  host::ItemsPtr Items() override;
  // "\\Personal Folders\Inbox": two backslashes, then the names from the root.
  std::string FolderPath() override;
  // Raises error 438 on a host older than the view interface.
  host::ViewsPtr Views() override;
  int DefaultItemType() override { return Record().itemType; }
  // One indexed look-up in the store.
  bool EarliestMailDate(const std::string& name, std::optional<DateTime>& earliest) override;

  std::int64_t Id() const { return id_; }

 private:
  FolderRecord Record();
  ContextPtr ctx_;
  std::int64_t id_;
};

class HostFolders final : public host::Folders {
 public:
  HostFolders(ContextPtr ctx, std::int64_t parentId) : ctx_(std::move(ctx)), parentId_(parentId) {}
  int Count() override;
  host::FolderPtr Item(int index) override;
  // The folder type says what it holds: 16 (or another mail folder type) mail,
  // 9 appointments, 10 contacts. A name already used under the parent raises.
  host::FolderPtr Add(const std::string& name, int folderType) override;

 private:
  ContextPtr ctx_;
  std::int64_t parentId_;
};

// The folder's items as the store holds them now. A walk over them reads the
// whole folder once and hands out items from that read for as long as the
// store has not changed, so that it costs one read, not one per item.
class HostItems final : public host::Items {
 public:
  HostItems(ContextPtr ctx, std::int64_t folderId) : ctx_(std::move(ctx)), folderId_(folderId) {}
  int Count() override;
  host::MailItemPtr Item(int index) override;
  // A new unsaved item (0 mail, 1 appointment, 2 contact) of this folder.
  host::MailItemPtr Add(int itemType) override;

 private:
  // True when `records_` is what the store holds now.
  bool Current(std::uint64_t generation) const { return loadedAt_ == generation; }

  ContextPtr ctx_;
  std::int64_t folderId_;
  std::vector<ItemRecord> records_;
  std::optional<std::uint64_t> loadedAt_;
};

// The item class of an item type (0 → 43, 1 → 26, 2 → 40); raises for others.
int ClassOfItemType(int itemType);

}  // namespace velmora::posix
