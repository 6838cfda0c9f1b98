// The host's version text and the tests built on it, and the add-in's own
// version.
#pragma once

#include <string>

namespace velmora {

// The host version reduced to major.minor ("9.0", "11.0"); empty until the
// add-in has connected.
extern std::string g_OutlookVersion;

// Records the connected host's version in g_OutlookVersion.
void GetOutlookVersion();
// The first piece of the host's version ("9", "10", "16").
std::string GetOutlookMajorVersion();
bool IsOutlook2000();
bool IsOutlook2002OrLater();
// major.minor.revision of the add-in library; empty text on failure.
std::string GetAppVersion();

// The version text up to (not including) its second ".": 9.0.0.2711 -> 9.0.
std::string ReduceVersion(const std::string& version);

}  // namespace velmora
