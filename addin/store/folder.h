// The scheduled-mail folder ("Velmora" under the default store's root), its
// shortcut on the navigation pane, folder paths, and the ScheduleTime user
// property that marks a mail as scheduled.
#pragma once

#include <string>
#include <string_view>

#include "addin/store/host.h"
#include "common/datetime.h"

namespace velmora::Main {

inline constexpr std::string_view kVelmoraFolderName = "Velmora";
inline constexpr std::string_view kIncompatibleFolderMessage =
    "Velmora has encountered an error. Velmora folder already exists and it is not compatible "
    "with mail items.";

// The scheduled-mail folder, created (with its view) when absent and
// `bCreate`; nothing when absent, when a same-named folder holds something
// other than mail (after telling the user), or on failure. The first call of
// a load also looks the folder's view over.
host::FolderPtr GetVelmoraFolder(bool bCreate);
// Forgets that the folder was looked for, as a fresh load of the add-in does.
void ResetVelmoraFolderLookup() noexcept;

// True when the item carries a date-time ScheduleTime, which is given out in
// `t`; `t` is left alone otherwise.
bool GetUserProp(const host::MailItemPtr& oItem, DateTime& t);
// Sets ScheduleTime, replacing one of another type. The item is not saved.
void SetUserProp(const host::MailItemPtr& oItem, DateTime t);
// Removes ScheduleTime when present. The item is not saved.
void DelUserProp(const host::MailItemPtr& oItem);

// Leaves exactly one shortcut named after the folder in the first group of
// the explorer's navigation pane.
void AddShortcutFolder(const host::ExplorerPtr& oExplorer, const host::FolderPtr& oFolder);
// "Root\Parent\Folder"; empty text on failure.
std::string GetFolderPath(const host::FolderPtr& oFolder);

}  // namespace velmora::Main
