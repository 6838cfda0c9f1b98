#include "platform/posix/host/application.h"

#include "common/host_error.h"
#include "common/text.h"
#include "platform/posix/host/com_addins.h"
#include "platform/posix/host/explorer.h"
#include "platform/posix/host/folder.h"
#include "platform/posix/host/inspector.h"
#include "platform/posix/host/mail_item.h"
#include "platform/posix/host/sync_object.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

host::NameSpacePtr HostApplication::Session() {
  return std::make_shared<HostNameSpace>(ctx_);
}

host::NameSpacePtr HostApplication::GetNamespace(const std::string& type) {
  if (!EqualsNoCase(type, "MAPI"))
    Raise(store_err::kInvalidArgument, "The parameter is incorrect. (namespace " + type + ")");
  return Session();
}

host::ExplorerPtr HostApplication::ActiveExplorer() {
  const auto& list = ctx_->Explorers();
  if (list.empty()) return nullptr;
  return list.back();
}

host::InspectorPtr HostApplication::ActiveInspector() {
  const auto& list = ctx_->Inspectors();
  if (list.empty()) return nullptr;
  return list.back();
}

host::ExplorersPtr HostApplication::Explorers() {
  return std::make_shared<HostExplorers>(ctx_);
}

host::InspectorsPtr HostApplication::Inspectors() {
  return std::make_shared<HostInspectors>(ctx_);
}

host::MailItemPtr HostApplication::CreateItem(int itemType) {
  if (itemType != host::ol::kMailItem)
    Raise(store_err::kInvalidArgument,
          "The parameter is incorrect. (item type " + std::to_string(itemType) + ")");
  const auto drafts = ctx_->Store().DefaultFolder(host::ol::kFolderDrafts).id;
  return HostMailItem::New(ctx_, drafts, host::ol::kClassMail);
}

host::COMAddInsPtr HostApplication::COMAddIns() {
  return std::make_shared<HostComAddIns>(ctx_);
}

host::SubscriptionPtr HostApplication::OnItemSend(std::function<void(host::MailItemPtr, bool&)> h) {
  return ConnectGuarded(ctx_->ItemSendEvent(), "Application.ItemSend", std::move(h));
}

host::FolderPtr HostNameSpace::GetDefaultFolder(int folderType) {
  return HostFolder::Make(ctx_, ctx_->Store().DefaultFolder(folderType).id);
}

host::SyncObjectsPtr HostNameSpace::SyncObjects() {
  return std::make_shared<HostSyncObjects>(ctx_);
}

host::MailItemPtr HostNameSpace::GetItemFromID(const std::string& entryId) {
  return HostMailItem::Stored(ctx_, entryId);
}

}  // namespace velmora::posix
