// The registry handshake of the tray launcher: it reads the next due time
// the add-in records ("NextOccurence"), clears it when unreadable, and sets
// "SendAndExit" before it starts the host.
#pragma once

#include <optional>
#include <string>

#include "common/datetime.h"
#include "common/registry_backend.h"

namespace velmora::tray {

// Where the values live: the current user's settings key, unless a test
// names another. (Kept free of winreg.h, whose names windows.h would spoil
// for the Win32 code that includes this.)
struct SettingsLocation {
  SettingsLocation();
  SettingsLocation(RegKey r, std::string s) : root(r), subkey(std::move(s)) {}
  RegKey root;
  std::string subkey;
};

// The next due time without its seconds; nothing when the key is missing,
// the value empty, or its text not a date-time (which is then logged and
// cleared).
std::optional<DateTime> LoadRegParam(const SettingsLocation& where = {});
// "NextOccurence" as the add-in wrote it; empty text when the key or the value
// is missing or cannot be read.
std::string NextOccurenceText(const SettingsLocation& where = {});
// Sets "NextOccurence" to empty text, creating the key when missing.
void ClearRegParam(const SettingsLocation& where = {});
// Sets "SendAndExit" to "1", creating the key when missing; True when written.
bool SetRegParamFlag(const SettingsLocation& where = {});

// The first item of the pop-up menu: "NextOccurence " and the next due time
// in the general date form, or "NextOccurence none".
std::string NextOccurenceCaption(const SettingsLocation& where = {});

}  // namespace velmora::tray
