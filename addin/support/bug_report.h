// The bug-report mail: a ready-made mail to the maker's support mailbox with
// room for the user's description, what the add-in knows about where it runs
// (its version and folder, the system, the host, the safe-send library, the
// host's COM add-ins) and the add-in's log attached. It is shown to the user,
// never sent by the add-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "addin/store/host.h"

namespace velmora {

// The operating system's version record.
struct OsVersionRecord {
  // 0 Win32s, 1 Windows 95/98, 2 Windows NT; any other value is not Windows.
  std::uint32_t platformId = 0;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  // How a system that is not Windows names itself ("Linux"); empty on Windows.
  std::string otherName;
};

class OsVersionPort {
 public:
  virtual ~OsVersionPort() = default;
  // Nothing when the system would not say.
  virtual std::optional<OsVersionRecord> Query() = 0;
};

namespace mBugReport {

inline constexpr std::string_view kSupportAddress = "support@velmora.example";
inline constexpr std::string_view kSubject = "Velmora Bug Report (Velmora AddIn)";
inline constexpr std::string_view kSafeMailDll = "Redemption.dll";

// The port GetWinVersion asks; installed by the deliverable (none: empty text).
void SetOsVersionPort(OsVersionPort* port) noexcept;
OsVersionPort* GetOsVersionPort() noexcept;

// Builds the report and shows it in a mail window of the host.
void SendBugReport();
// The same mail, built in the Outbox but neither saved nor shown; nothing
// when it could not be made. A failing step leaves its part of the mail
// empty; the last error is logged once.
host::MailItemPtr MakeBugReport();
// The report's text: the room for the description and what the add-in knows.
std::string BugReportBody();

// "Windows NT Win version:5.1 Build: 2600"; empty text when the query fails.
std::string GetWinVersion();
std::string FormatWinVersion(const OsVersionRecord& v);
// The host's COM add-ins, each with its ProgID, description and state.
std::string GetAddIns();
// Whether the safe-send library lies in the add-in's own folder.
bool isRedemptionExist();
// Whether the safe-send library's mail object can be created.
bool isRegRedemption();
// The add-in's own folder, and its log file in it.
std::string LibraryFolder();
std::string LogFilePath();

}  // namespace mBugReport
}  // namespace velmora
