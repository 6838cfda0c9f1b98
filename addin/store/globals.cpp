#include "addin/store/globals.h"

#include "addin/model/mail_props.h"

namespace velmora {

std::shared_ptr<CMailProps> g_EditProps;
bool g_DialogOK = false;
bool g_TopMost = false;
std::int32_t g_OwnerLeft = 0;
std::int32_t g_OwnerTop = 0;
std::int32_t g_OwnerWidth = 0;
std::int32_t g_OwnerHeight = 0;

}  // namespace velmora
