// Mail windows (inspectors) of the standalone host, in memory: the item shown,
// the editor kind, position and a "Standard" bar whose Send control (id 2617)
// sends the mail as the host's own Send does. Tests pick the editor and
// whether Send is there or visible.
#pragma once

#include <memory>

#include "addin/store/host.h"
#include "platform/posix/host/command_bars.h"
#include "platform/posix/host/host_context.h"
#include "platform/posix/host/mail_item.h"

namespace velmora::posix {

class HostInspector final : public host::Inspector,
                            public std::enable_shared_from_this<HostInspector> {
 public:
  HostInspector(ContextPtr ctx, std::shared_ptr<HostMailItem> item,
                const InspectorOptions& options);
  // Adds the window's controls, which need the finished object.
  void Build();

  host::MailItemPtr CurrentItem() override { return item_; }
  host::CommandBarsPtr CommandBars() override { return bars_; }
  // 0 saves the item, 1 drops its unsaved changes, 2 saves (no one to ask).
  void Close(int saveMode) override;
  bool IsWordMail() override { return options_.isWordMail; }
  int EditorType() override { return options_.editorType; }
  int Left() override { return options_.left; }
  int Top() override { return options_.top; }
  int Width() override { return options_.width; }
  int Height() override { return options_.height; }

  // For the host and tests.
  const std::shared_ptr<HostMailItem>& Item() const { return item_; }
  // Closes the window without touching the item.
  void Dismiss();
  bool Closed() const { return closed_; }
  void SetEditorType(int editorType) { options_.editorType = editorType; }
  void SetWordMail(bool wordMail) { options_.isWordMail = wordMail; }
  void SetBounds(int left, int top, int width, int height);
  const std::shared_ptr<HostCommandBars>& Bars() const { return bars_; }

 private:
  ContextPtr ctx_;
  std::shared_ptr<HostMailItem> item_;
  InspectorOptions options_;
  bool closed_ = false;
  std::shared_ptr<HostCommandBars> bars_;
};

class HostInspectors final : public host::Inspectors {
 public:
  explicit HostInspectors(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return static_cast<int>(ctx_->Inspectors().size()); }
  host::InspectorPtr Item(int index) override;
  host::SubscriptionPtr OnNewInspector(std::function<void(host::InspectorPtr)> h) override;

 private:
  ContextPtr ctx_;
};

}  // namespace velmora::posix
