#include "platform/posix/host/explorer.h"

#include "common/host_error.h"
#include "platform/posix/host/folder.h"
#include "platform/posix/host/outlook_bar.h"
#include "platform/posix/host/sync_object.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

// Command ids of the host's own controls.
constexpr int kHelpPopup = 30010;
constexpr int kSendReceive = 5488;

}  // namespace

HostExplorer::HostExplorer(ContextPtr ctx, const ExplorerOptions& o)
    : ctx_(std::move(ctx)),
      folder_(o.folder),
      left_(o.left),
      top_(o.top),
      width_(o.width),
      height_(o.height),
      bars_(std::make_shared<HostCommandBars>(ctx_)) {
  if (!folder_)
    folder_ = HostFolder::Make(ctx_, ctx_->Store().DefaultFolder(host::ol::kFolderInbox).id);
  BuildBars();
}

void HostExplorer::BuildBars() {
  auto menu = bars_->AddBar("Menu Bar", true)->ControlList();
  menu->AddBuiltIn(host::mso::kControlPopup, 30002, "&File");
  menu->AddBuiltIn(host::mso::kControlPopup, 30003, "&Edit");
  menu->AddBuiltIn(host::mso::kControlPopup, 30004, "&View");
  menu->AddBuiltIn(host::mso::kControlPopup, 30007, "&Tools");
  auto help = menu->AddBuiltIn(host::mso::kControlPopup, kHelpPopup, "&Help");
  help->Popup()->ControlList()->AddBuiltIn(host::mso::kControlButton, 983, "Help &Topics");
  help->Popup()->ControlList()->AddBuiltIn(host::mso::kControlButton, 927, "&About");

  auto standard = bars_->AddBar("Standard", true)->ControlList();
  standard->AddBuiltIn(host::mso::kControlButton, 1757, "&New");
  standard->AddBuiltIn(host::mso::kControlButton, 4, "&Print");
  standard->AddBuiltIn(host::mso::kControlButton, 478, "&Delete");
  auto sendReceive = standard->AddBuiltIn(host::mso::kControlButton, kSendReceive, "Send/Re&ceive");
  std::weak_ptr<HostContext> weak = ctx_;
  sendReceive->SetAction([weak] {
    if (auto ctx = weak.lock()) ctx->SyncGroup()->Start();
  });
}

void HostExplorer::SetCurrentFolder(host::FolderPtr folder) {
  if (!dynamic_cast<HostFolder*>(&Need(folder, "Object variable not set (folder)")))
    Raise(err::kTypeMismatch, "Type mismatch (not a folder of this store)");
  folder_ = std::move(folder);
}

host::SelectionPtr HostExplorer::Selection() {
  return std::make_shared<HostSelection>(selection_);
}

host::PanesPtr HostExplorer::Panes() {
  return std::make_shared<HostPanes>(ctx_);
}

void HostExplorer::Close() {
  if (closed_) return;
  closed_ = true;
  auto self = shared_from_this();  // the list held the last reference, perhaps
  ctx_->Forget(this);
  close_.Raise();
}

void HostExplorer::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

host::SubscriptionPtr HostExplorer::OnClose(std::function<void()> h) {
  return ConnectGuarded(close_, "Explorer.Close", std::move(h));
}

host::ExplorerPtr HostExplorers::Item(int index) {
  const auto& list = ctx_->Explorers();
  if (index < 1 || index > static_cast<int>(list.size())) RaiseBadIndex(index);
  return list[static_cast<std::size_t>(index - 1)];
}

host::SubscriptionPtr HostExplorers::OnNewExplorer(std::function<void(host::ExplorerPtr)> h) {
  return ConnectGuarded(ctx_->NewExplorerEvent(), "Explorers.NewExplorer", std::move(h));
}

host::MailItemPtr HostSelection::Item(int index) {
  if (index < 1 || index > Count()) RaiseBadIndex(index);
  return items_[static_cast<std::size_t>(index - 1)];
}

}  // namespace velmora::posix
