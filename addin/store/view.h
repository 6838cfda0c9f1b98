// The scheduled-mail folder's table view, "Velmora View": recipients instead
// of the sender, and the ScheduleTime as "Next Occurrence". Hosts older than
// the view interface are left alone.
#pragma once

#include <string_view>

#include "addin/store/host.h"

namespace velmora::Main {

inline constexpr std::string_view kVelmoraViewName = "Velmora View";

// Adds the view to a new folder and applies it.
void CustomizeView(const host::FolderPtr& oFolder);
// Repairs the view of an existing folder (or brings a deleted one back);
// applies it only when something had to change.
void UpdateView(const host::FolderPtr& oFolder);

}  // namespace velmora::Main
