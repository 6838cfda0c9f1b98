#include "platform/posix/host/outlook_bar.h"

#include "common/host_error.h"
#include "platform/posix/host/folder.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

host::OutlookBarPanePtr HostPanes::Item(int index) {
  if (index != 1) RaiseBadIndex(index);
  return std::make_shared<HostOutlookBarPane>(ctx_);
}

host::OutlookBarStoragePtr HostOutlookBarPane::Contents() {
  return std::make_shared<HostOutlookBarStorage>(ctx_);
}

host::OutlookBarGroupsPtr HostOutlookBarStorage::Groups() {
  return std::make_shared<HostOutlookBarGroups>(ctx_);
}

host::OutlookBarGroupPtr HostOutlookBarGroups::Item(int index) {
  if (index != 1) RaiseBadIndex(index);
  return std::make_shared<HostOutlookBarGroup>(ctx_, kShortcutsGroup);
}

host::OutlookBarShortcutsPtr HostOutlookBarGroup::Shortcuts() {
  return std::make_shared<HostOutlookBarShortcuts>(ctx_, name_);
}

int HostOutlookBarShortcuts::Count() {
  return static_cast<int>(ctx_->Store().Shortcuts(group_).size());
}

host::OutlookBarShortcutPtr HostOutlookBarShortcuts::Item(int index) {
  const auto list = ctx_->Store().Shortcuts(group_);
  if (index < 1 || index > static_cast<int>(list.size())) RaiseBadIndex(index);
  const auto& s = list[static_cast<std::size_t>(index - 1)];
  return std::make_shared<HostOutlookBarShortcut>(s.name, s.targetEntryId);
}

void HostOutlookBarShortcuts::Remove(int index) {
  const auto list = ctx_->Store().Shortcuts(group_);
  if (index < 1 || index > static_cast<int>(list.size())) RaiseBadIndex(index);
  ctx_->Store().RemoveShortcut(list[static_cast<std::size_t>(index - 1)].id);
}

host::OutlookBarShortcutPtr HostOutlookBarShortcuts::Add(host::FolderPtr target,
                                                         const std::string& name) {
  auto& folder = Need(target, "Object variable not set (folder)");
  if (!dynamic_cast<HostFolder*>(&folder))
    Raise(err::kTypeMismatch, "Type mismatch (not a folder of this store)");
  const std::string shown = name.empty() ? folder.Name() : name;
  const auto s = ctx_->Store().AddShortcut(group_, shown, folder.EntryID());
  return std::make_shared<HostOutlookBarShortcut>(s.name, s.targetEntryId);
}

}  // namespace velmora::posix
