// Values the scheduling commands hand to the dialogs and to the recipient
// check: set anew before every dialog, meaningful only while it is open.
#pragma once

#include <cstdint>
#include <memory>

namespace velmora {

class CMailProps;

extern std::shared_ptr<CMailProps> g_EditProps;  // the record under edit
extern bool g_DialogOK;                          // the user accepted
extern bool g_TopMost;                           // dialogs and boxes stay on top
// The rectangle of the window that opened the dialog, in twips.
extern std::int32_t g_OwnerLeft;
extern std::int32_t g_OwnerTop;
extern std::int32_t g_OwnerWidth;
extern std::int32_t g_OwnerHeight;

}  // namespace velmora
