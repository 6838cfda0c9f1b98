// The names and numbers the tray launcher shares with the shell, the add-in
// and its users: used exactly, kept in one place.
#pragma once

#include <string_view>

namespace velmora::tray {

// One tray launcher per logon.
inline constexpr std::string_view kMutexName = "Brelcor.VelmoraTray";

// The notification icon: its id, the tip, and the message the shell posts
// with the mouse message as its parameter.
inline constexpr int kIconId = 1;
inline constexpr std::string_view kIconTip = "Recent";
inline constexpr int kCallbackMessage = 513;
inline constexpr int kRightButtonUp = 517;

// The pop-up menu.
inline constexpr int kCmdNextOccurence = 1;
inline constexpr int kCmdExit = 2;
inline constexpr std::string_view kMenuNextOccurence = "NextOccurence ";
inline constexpr std::string_view kMenuNone = "none";
inline constexpr std::string_view kMenuExit = "Exit";

// What the launcher writes into "SendAndExit" before it starts the host.
inline constexpr std::string_view kSendAndExitOn = "1";

// Exit codes: a failure ends the program with kExitFailure.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;

}  // namespace velmora::tray
