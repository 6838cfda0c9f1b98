// Mails scheduled while no explorer existed cannot be moved at once: they are
// marked ("MoveToVelmora") and moved into the scheduled-mail folder later.
#pragma once

#include <string_view>

#include "addin/store/host.h"

namespace velmora::mSpecial {

inline constexpr std::string_view kPropMoveToVelmora = "MoveToVelmora";

// Marks the item for a later move. The item is not saved.
void SpecialAdd(const host::MailItemPtr& oItem);
// Moves every marked mail of the Inbox and of Drafts into the scheduled-mail
// folder.
void SpecialDo();

}  // namespace velmora::mSpecial
