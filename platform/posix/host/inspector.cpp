#include "platform/posix/host/inspector.h"

#include "common/host_error.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

// Command ids of the mail window's own controls.
constexpr int kSend = 2617;

}  // namespace

HostInspector::HostInspector(ContextPtr ctx, std::shared_ptr<HostMailItem> item,
                             const InspectorOptions& options)
    : ctx_(std::move(ctx)),
      item_(std::move(item)),
      options_(options),
      bars_(std::make_shared<HostCommandBars>(ctx_)) {}

void HostInspector::Build() {
  auto menu = bars_->AddBar("Menu Bar", true)->ControlList();
  menu->AddBuiltIn(host::mso::kControlPopup, 30002, "&File");
  menu->AddBuiltIn(host::mso::kControlPopup, 30003, "&Edit");
  menu->AddBuiltIn(host::mso::kControlPopup, 30010, "&Help");
  auto standard = bars_->AddBar("Standard", true)->ControlList();
  if (options_.sendControl) {
    auto send = standard->AddBuiltIn(host::mso::kControlButton, kSend, "&Send");
    send->SetVisible(options_.sendVisible);
    std::weak_ptr<HostContext> weakCtx = ctx_;
    std::weak_ptr<HostInspector> weakSelf = weak_from_this();
    send->SetAction([weakCtx, weakSelf] {
      auto ctx = weakCtx.lock();
      auto self = weakSelf.lock();
      if (ctx && self) ctx->SendFromInspector(*self);
    });
  }
  standard->AddBuiltIn(host::mso::kControlButton, 3, "&Save");
  standard->AddBuiltIn(host::mso::kControlButton, 4, "&Print");
  standard->AddBuiltIn(host::mso::kControlButton, 21, "Cu&t");
  standard->AddBuiltIn(host::mso::kControlButton, 19, "&Copy");
  standard->AddBuiltIn(host::mso::kControlButton, 22, "&Paste");
}

void HostInspector::Close(int saveMode) {
  if (closed_) return;
  if (saveMode != host::ol::kDiscard && saveMode != host::ol::kSave &&
      saveMode != host::ol::kPromptForSave)
    Raise(store_err::kInvalidArgument, "The parameter is incorrect. (save mode)");
  // The window of a deleted item closes with nothing to save.
  if (saveMode == host::ol::kDiscard)
    item_->Discard();
  else if (!item_->Gone())
    item_->Save();
  Dismiss();
}

void HostInspector::Dismiss() {
  if (closed_) return;
  closed_ = true;
  auto self = shared_from_this();  // the list may hold the last reference
  ctx_->Forget(this);
}

void HostInspector::SetBounds(int left, int top, int width, int height) {
  options_.left = left;
  options_.top = top;
  options_.width = width;
  options_.height = height;
}

host::InspectorPtr HostInspectors::Item(int index) {
  const auto& list = ctx_->Inspectors();
  if (index < 1 || index > static_cast<int>(list.size())) RaiseBadIndex(index);
  return list[static_cast<std::size_t>(index - 1)];
}

host::SubscriptionPtr HostInspectors::OnNewInspector(std::function<void(host::InspectorPtr)> h) {
  return ConnectGuarded(ctx_->NewInspectorEvent(), "Inspectors.NewInspector", std::move(h));
}

}  // namespace velmora::posix
