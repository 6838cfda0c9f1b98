// The standalone host's application and "MAPI" namespace: the entry to its
// folders, windows, add-ins and send/receive groups.
#pragma once

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

class HostApplication final : public host::Application {
 public:
  explicit HostApplication(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  host::NameSpacePtr Session() override;
  // Only "MAPI" (letter case ignored) names a namespace.
  host::NameSpacePtr GetNamespace(const std::string& type) override;
  std::string Version() override { return ctx_->Version(); }
  // The last window opened that is still open, or nothing.
  host::ExplorerPtr ActiveExplorer() override;
  host::InspectorPtr ActiveInspector() override;
  host::ExplorersPtr Explorers() override;
  host::InspectorsPtr Inspectors() override;
  // A new unsaved mail (type 0) that is saved into Drafts.
  host::MailItemPtr CreateItem(int itemType) override;
  host::COMAddInsPtr COMAddIns() override;
  host::SubscriptionPtr OnItemSend(
      std::function<void(host::MailItemPtr item, bool& cancel)> h) override;

 private:
  ContextPtr ctx_;
};

class HostNameSpace final : public host::NameSpace {
 public:
  explicit HostNameSpace(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  // 3 Deleted Items, 4 Outbox, 5 Sent Items, 6 Inbox, 16 Drafts; others raise.
  host::FolderPtr GetDefaultFolder(int folderType) override;
  host::SyncObjectsPtr SyncObjects() override;
  host::MailItemPtr GetItemFromID(const std::string& entryId) override;

 private:
  ContextPtr ctx_;
};

}  // namespace velmora::posix
