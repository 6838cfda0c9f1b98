#include "addin/store/folder.h"

#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/globals.h"
#include "addin/store/view.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/trap.h"

namespace velmora::Main {

namespace {

// Set once the folder has been looked for in this load, so that the view is
// looked over at most once per load.
bool g_FolderLookedFor = false;

const std::string kScheduleTime(kPropScheduleTime);

}  // namespace

void ResetVelmoraFolderLookup() noexcept {
  g_FolderLookedFor = false;
}

host::FolderPtr GetVelmoraFolder(bool bCreate) {
  return Trap("Main.GetVelmoraFolder", [&]() -> host::FolderPtr {
    auto inbox = TheNamespace()->GetDefaultFolder(host::ol::kFolderInbox);
    auto root = Need(inbox).Parent();
    auto folders = Need(root).Folders();
    const int count = Need(folders).Count();
    for (int i = 1; i <= count; ++i) {
      auto folder = folders->Item(i);
      if (!folder || folder->Name() != kVelmoraFolderName) continue;
      if (folder->DefaultItemType() == host::ol::kMailItem) {
        if (!g_FolderLookedFor) {
          UpdateView(folder);
          g_FolderLookedFor = true;
        }
        return folder;
      }
      TheMessageBox().Show(kIncompatibleFolderMessage,
                           mb::kOkOnly | (g_TopMost ? mb::kTopMost : mb::kSetForeground));
      return nullptr;
    }
    g_FolderLookedFor = true;
    if (!bCreate) return nullptr;
    auto folder = folders->Add(std::string(kVelmoraFolderName), host::ol::kFolderDrafts);
    if (!folder) Raise(err::kObjectNotSet, "The folder could not be created");
    CustomizeView(folder);
    return folder;
  });
}

bool GetUserProp(const host::MailItemPtr& oItem, DateTime& t) {
  return TrapOr("Main.GetUserProp", false, [&] {
    auto prop = Need(Need(oItem).UserProperties()).Find(kScheduleTime);
    if (!prop || prop->Type() != host::ol::kDateTime) return false;
    t = host::ValueToDate(prop->GetValue());
    return true;
  });
}

void SetUserProp(const host::MailItemPtr& oItem, DateTime t) {
  Trap("Main.SetUserProp()", [&] {
    auto props = Need(oItem).UserProperties();
    auto prop = Need(props).Find(kScheduleTime);
    if (prop && prop->Type() != host::ol::kDateTime) {
      g_debug().Out("Warning: user prop type is not olDateTime");
      prop->Delete();
      prop = nullptr;
    }
    if (!prop) {
      Ignore([&] { props->Add(kScheduleTime, host::ol::kDateTime); });
      prop = props->Find(kScheduleTime);
    }
    Need(prop).SetValue(t);
  });
}

void DelUserProp(const host::MailItemPtr& oItem) {
  Trap("Main.DelUserProp", [&] {
    auto prop = Need(Need(oItem).UserProperties()).Find(kScheduleTime);
    if (prop) prop->Delete();
  });
}

void AddShortcutFolder(const host::ExplorerPtr& oExplorer, const host::FolderPtr& oFolder) {
  Trap("Main.AddShortcutFolder", [&] {
    if (!oExplorer) return;
    auto panes = oExplorer->Panes();
    auto pane = panes ? panes->Item(1) : nullptr;
    if (!pane || pane->Class() != host::ol::kClassOutlookBarPane) return;
    auto contents = pane->Contents();
    auto groups = contents ? contents->Groups() : nullptr;
    auto group = groups ? groups->Item(1) : nullptr;
    if (!group || group->Class() != host::ol::kClassOutlookBarGroup) return;

    const std::string name = Need(oFolder).Name();
    auto shortcutsRef = group->Shortcuts();
    auto& shortcuts = Need(shortcutsRef);
    for (int i = shortcuts.Count(); i >= 1; --i) {
      auto shortcut = shortcuts.Item(i);
      if (shortcut && shortcut->Class() == host::ol::kClassOutlookBarShortcut &&
          shortcut->Name() == name)
        shortcuts.Remove(i);
    }
    shortcuts.Add(oFolder, name);
  });
}

std::string GetFolderPath(const host::FolderPtr& oFolder) {
  return Trap("Main.GetFolderPath", [&] {
    std::string path;
    host::FolderPtr current = oFolder;
    while (current) {
      path = path.empty() ? current->Name() : current->Name() + "\\" + path;
      auto parent = current->Parent();
      current = parent && parent->Class() == host::ol::kClassFolder ? parent : nullptr;
    }
    return path;
  });
}

}  // namespace velmora::Main
