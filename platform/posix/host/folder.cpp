#include "platform/posix/host/folder.h"

#include "common/host_error.h"
#include "platform/posix/host/mail_item.h"
#include "platform/posix/host/views.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

// The host's folder types by what the new folder holds.
int ItemTypeOfFolderType(int folderType) {
  switch (folderType) {
    case host::ol::kFolderDeletedItems:
    case host::ol::kFolderOutbox:
    case host::ol::kFolderSentMail:
    case host::ol::kFolderInbox:
    case host::ol::kFolderDrafts:
      return kind::kMail;
    case 9:
      return kind::kAppointment;
    case 10:
      return kind::kContact;
    case 11:
      return kind::kJournal;
    case 12:
      return kind::kNote;
    case 13:
      return kind::kTask;
    default:
      Raise(store_err::kInvalidArgument,
            "The parameter is incorrect. (folder type " + std::to_string(folderType) + ")");
  }
}

}  // namespace

int ClassOfItemType(int itemType) {
  switch (itemType) {
    case host::ol::kMailItem:
      return host::ol::kClassMail;
    case host::ol::kAppointmentItem:
      return host::ol::kClassAppointment;
    case host::ol::kContactItem:
      return host::ol::kClassContact;
    default:
      Raise(store_err::kInvalidArgument,
            "The parameter is incorrect. (item type " + std::to_string(itemType) + ")");
  }
}

FolderRecord HostFolder::Record() {
  auto f = ctx_->Store().FolderById(id_);
  if (!f) Raise(store_err::kNotFound, "The folder has been moved or deleted.");
  return *f;
}

host::FolderPtr HostFolder::Parent() {
  const auto f = Record();
  if (!f.parentId) return nullptr;
  return Make(ctx_, *f.parentId);
}

host::FoldersPtr HostFolder::Folders() {
  Record();
  return std::make_shared<HostFolders>(ctx_, id_);
}

host::ItemsPtr HostFolder::Items() {
  Record();
  return std::make_shared<HostItems>(ctx_, id_);
}

std::string HostFolder::FolderPath() {
  std::string path;
  std::optional<std::int64_t> at = id_;
  while (at) {
    auto f = ctx_->Store().FolderById(*at);
    if (!f) Raise(store_err::kNotFound, "The folder has been moved or deleted.");
    path = path.empty() ? f->name : f->name + "\\" + path;
    at = f->parentId;
  }
  return "\\\\" + path;
}

host::ViewsPtr HostFolder::Views() {
  if (!ctx_->HasViews())
    Raise(store_err::kNotSupported, "Object doesn't support this property or method");
  Record();
  return std::make_shared<HostViews>(ctx_, id_);
}

int HostFolders::Count() {
  return static_cast<int>(ctx_->Store().Children(parentId_).size());
}

host::FolderPtr HostFolders::Item(int index) {
  const auto children = ctx_->Store().Children(parentId_);
  if (index < 1 || index > static_cast<int>(children.size())) RaiseBadIndex(index);
  return HostFolder::Make(ctx_, children[static_cast<std::size_t>(index - 1)].id);
}

host::FolderPtr HostFolders::Add(const std::string& name, int folderType) {
  if (name.empty()) Raise(store_err::kInvalidArgument, "Cannot create the folder. (empty name)");
  const int itemType = ItemTypeOfFolderType(folderType);
  return HostFolder::Make(ctx_, ctx_->Store().AddFolder(parentId_, name, itemType).id);
}

bool HostFolder::EarliestMailDate(const std::string& name, std::optional<DateTime>& earliest) {
  Record();
  earliest = ctx_->Store().EarliestDate(id_, host::ol::kClassMail, name);
  return true;
}

int HostItems::Count() {
  if (Current(ctx_->Store().Generation())) return static_cast<int>(records_.size());
  return ctx_->Store().CountItems(folderId_);
}

host::MailItemPtr HostItems::Item(int index) {
  auto& store = ctx_->Store();
  const std::uint64_t generation = store.Generation();
  if (!Current(generation)) {
    // Read before the generation could move on: at worst the read is newer
    // than its mark, and the next call reads again.
    records_ = store.LoadFolderItems(folderId_);
    loadedAt_ = generation;
  }
  if (index < 1 || index > static_cast<int>(records_.size())) RaiseBadIndex(index);
  return HostMailItem::Loaded(ctx_, records_[static_cast<std::size_t>(index - 1)], generation);
}

host::MailItemPtr HostItems::Add(int itemType) {
  if (!ctx_->Store().FolderById(folderId_))
    Raise(store_err::kNotFound, "The folder has been moved or deleted.");
  return HostMailItem::New(ctx_, folderId_, ClassOfItemType(itemType));
}

}  // namespace velmora::posix
