#include "addin/store/versions.h"

#include "addin/store/addin_services.h"
#include "common/debug.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora {

std::string g_OutlookVersion;

std::string ReduceVersion(const std::string& version) {
  int dots = 0;
  for (std::size_t i = 0; i < version.size(); ++i)
    if (version[i] == '.' && ++dots == 2) return version.substr(0, i);
  return version;
}

void GetOutlookVersion() {
  g_OutlookVersion = ReduceVersion(TheApp()->Version());
  g_debug().Out("Outlook version = ", g_OutlookVersion);
}

std::string GetOutlookMajorVersion() {
  return Split(TheApp()->Version(), '.').front();
}

bool IsOutlook2000() {
  const std::string v = TheApp()->Version();
  return !v.empty() && v[0] == '9';
}

bool IsOutlook2002OrLater() {
  const std::string v = TheApp()->Version();
  return !v.empty() && v[0] == '1';
}

std::string GetAppVersion() {
  return Trap("Main.GetAppVersion", [] {
    return Concat(VELMORA_VERSION_MAJOR, ".", VELMORA_VERSION_MINOR, ".", VELMORA_VERSION_PATCH);
  });
}

}  // namespace velmora
