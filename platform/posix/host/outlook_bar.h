// The navigation pane of an explorer: one pane ("OutlookBar") whose first
// group ("Shortcuts") holds folder shortcuts, which the store keeps across
// windows and restarts.
#pragma once

#include <string>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

inline constexpr const char* kShortcutsGroup = "Shortcuts";

class HostPanes final : public host::Panes {
 public:
  explicit HostPanes(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return 1; }
  host::OutlookBarPanePtr Item(int index) override;

 private:
  ContextPtr ctx_;
};

class HostOutlookBarPane final : public host::OutlookBarPane {
 public:
  explicit HostOutlookBarPane(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  int Class() override { return host::ol::kClassOutlookBarPane; }
  std::string Name() override { return "OutlookBar"; }
  host::OutlookBarStoragePtr Contents() override;

 private:
  ContextPtr ctx_;
};

class HostOutlookBarStorage final : public host::OutlookBarStorage {
 public:
  explicit HostOutlookBarStorage(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  host::OutlookBarGroupsPtr Groups() override;

 private:
  ContextPtr ctx_;
};

class HostOutlookBarGroups final : public host::OutlookBarGroups {
 public:
  explicit HostOutlookBarGroups(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return 1; }
  host::OutlookBarGroupPtr Item(int index) override;

 private:
  ContextPtr ctx_;
};

class HostOutlookBarGroup final : public host::OutlookBarGroup {
 public:
  HostOutlookBarGroup(ContextPtr ctx, std::string name)
      : ctx_(std::move(ctx)), name_(std::move(name)) {}
  int Class() override { return host::ol::kClassOutlookBarGroup; }
  std::string Name() override { return name_; }
  host::OutlookBarShortcutsPtr Shortcuts() override;

 private:
  ContextPtr ctx_;
  std::string name_;
};

class HostOutlookBarShortcuts final : public host::OutlookBarShortcuts {
 public:
  HostOutlookBarShortcuts(ContextPtr ctx, std::string group)
      : ctx_(std::move(ctx)), group_(std::move(group)) {}
  int Count() override;
  host::OutlookBarShortcutPtr Item(int index) override;
  void Remove(int index) override;
  // At the end of the group; an empty name takes the folder's.
  host::OutlookBarShortcutPtr Add(host::FolderPtr target, const std::string& name) override;

 private:
  ContextPtr ctx_;
  std::string group_;
};

class HostOutlookBarShortcut final : public host::OutlookBarShortcut {
 public:
  HostOutlookBarShortcut(std::string name, std::string target)
      : name_(std::move(name)), target_(std::move(target)) {}
  int Class() override { return host::ol::kClassOutlookBarShortcut; }
  std::string Name() override { return name_; }
  // The entry id of the folder it leads to.
  const std::string& Target() const { return target_; }

 private:
  std::string name_;
  std::string target_;
};

}  // namespace velmora::posix
