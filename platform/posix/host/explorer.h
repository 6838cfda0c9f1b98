// Explorer windows of the standalone host, in memory: current folder, a
// selection set by tests, position, command bars ("Menu Bar" with its Help
// popup, "Standard" with Send/Receive) and the navigation pane.
#pragma once

#include <memory>
#include <vector>

#include "addin/store/host.h"
#include "platform/posix/host/command_bars.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

class HostExplorer final : public host::Explorer,
                           public std::enable_shared_from_this<HostExplorer> {
 public:
  HostExplorer(ContextPtr ctx, const ExplorerOptions& options);

  host::CommandBarsPtr CommandBars() override { return bars_; }
  host::FolderPtr CurrentFolder() override { return folder_; }
  void SetCurrentFolder(host::FolderPtr folder) override;
  host::SelectionPtr Selection() override;
  host::PanesPtr Panes() override;
  // Leaves Explorers first, then raises Close: a handler that counts the
  // explorers sees the window gone.
  void Close() override;
  int Left() override { return left_; }
  int Top() override { return top_; }
  int Width() override { return width_; }
  int Height() override { return height_; }
  host::SubscriptionPtr OnClose(std::function<void()> h) override;

  // Test knobs.
  void SetSelection(std::vector<host::MailItemPtr> items) { selection_ = std::move(items); }
  void SetBounds(int left, int top, int width, int height);
  bool Closed() const { return closed_; }
  const std::shared_ptr<HostCommandBars>& Bars() const { return bars_; }

 private:
  void BuildBars();
  ContextPtr ctx_;
  host::FolderPtr folder_;
  std::vector<host::MailItemPtr> selection_;
  int left_, top_, width_, height_;
  bool closed_ = false;
  std::shared_ptr<HostCommandBars> bars_;
  host::Event<> close_;
};

class HostExplorers final : public host::Explorers {
 public:
  explicit HostExplorers(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return static_cast<int>(ctx_->Explorers().size()); }
  host::ExplorerPtr Item(int index) override;
  host::SubscriptionPtr OnNewExplorer(std::function<void(host::ExplorerPtr)> h) override;

 private:
  ContextPtr ctx_;
};

class HostSelection final : public host::Selection {
 public:
  explicit HostSelection(std::vector<host::MailItemPtr> items) : items_(std::move(items)) {}
  int Count() override { return static_cast<int>(items_.size()); }
  host::MailItemPtr Item(int index) override;

 private:
  std::vector<host::MailItemPtr> items_;
};

}  // namespace velmora::posix
