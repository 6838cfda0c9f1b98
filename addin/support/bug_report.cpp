#include "addin/support/bug_report.h"

#include <exception>
#include <filesystem>

#include "addin/store/addin_services.h"
#include "addin/store/versions.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora::mBugReport {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kWhere = "mBugReport.SendBugReport";

OsVersionPort* g_osVersion = nullptr;

std::string PathText(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

std::string InFolder(std::string_view name) {
  std::string path = LibraryFolder();
  path += TheFiles().Separator();
  path += name;
  return path;
}

// Runs the steps of the report one by one, each failure passed over and the
// last one remembered for the single log line at the end.
class Steps {
 public:
  template <class F>
  void operator()(F&& f) noexcept {
    try {
      std::forward<F>(f)();
    } catch (...) {
      failed_ = std::current_exception();
    }
  }
  void LogLast() noexcept {
    if (!failed_) return;
    try {
      g_debug().OutError(kWhere, DescribeException(failed_));
    } catch (...) {
      // Logging an error must never raise another one.
    }
  }

 private:
  std::exception_ptr failed_;
};

std::string BuildBody(Steps& step) {
  std::string body;
  body += Concat(kCrLf, kCrLf, kCrLf);
  body +=
      Concat("---- Please type bug description above this line.", "Thank you ----", kCrLf, kCrLf);
  std::string part;
  step([&] { part = GetAppVersion(); });
  body += Concat("Velmora version: ", part, kCrLf);
  part.clear();
  step([&] { part = LibraryFolder(); });
  body += Concat("Velmora path: ", part, kCrLf, kCrLf);
  part.clear();
  step([&] { part = GetWinVersion(); });
  body += Concat("OS: ", part, kCrLf);
  part.clear();
  step([&] { part = TheApp()->Version(); });
  body += Concat("Outlook version: ", part, kCrLf, kCrLf);
  bool yes = false;
  step([&] { yes = isRedemptionExist(); });
  body += Concat("Redemption.dll ", yes ? "ok" : "not in product folder", kCrLf);
  yes = false;
  step([&] { yes = isRegRedemption(); });
  body += Concat("Redemption ", yes ? "registered" : "not registered", kCrLf, kCrLf);
  part.clear();
  step([&] { part = GetAddIns(); });
  body += part;
  return body;
}

host::MailItemPtr Build(Steps& step) {
  host::MailItemPtr mail;
  step([&] {
    auto outbox = NeedPtr(NeedPtr(TheApp()->Session())->GetDefaultFolder(host::ol::kFolderOutbox));
    mail = NeedPtr(NeedPtr(outbox->Items())->Add(host::ol::kMailItem));
  });
  if (!mail) return nullptr;
  step([&] { mail->SetTo(std::string(kSupportAddress)); });
  step([&] { mail->SetSubject(std::string(kSubject)); });
  step([&] { mail->SetImportance(host::ol::kImportanceHigh); });
  const std::string body = BuildBody(step);
  step([&] {
    const std::string log = LogFilePath();
    if (TheFiles().FileExists(log)) NeedPtr(mail->Attachments())->Add(log, "");
  });
  step([&] { mail->SetBody(body); });
  return mail;
}

}  // namespace

void SetOsVersionPort(OsVersionPort* port) noexcept {
  g_osVersion = port;
}

OsVersionPort* GetOsVersionPort() noexcept {
  return g_osVersion;
}

std::string LibraryFolder() {
  return PathText(GetServices().logFolder);
}

std::string LogFilePath() {
  return InFolder(kAddinLog.fileName);
}

std::string BugReportBody() {
  Steps step;
  std::string body = BuildBody(step);
  step.LogLast();
  return body;
}

void SendBugReport() {
  Steps step;
  auto mail = Build(step);
  if (mail) step([&] { mail->Display(); });
  step.LogLast();
}

host::MailItemPtr MakeBugReport() {
  Steps step;
  auto mail = Build(step);
  step.LogLast();
  return mail;
}

std::string FormatWinVersion(const OsVersionRecord& v) {
  std::string name;
  switch (v.platformId) {
    case 0:
      name = "Windows 32s";
      break;
    case 1:
      name = "Windows 95/98";
      break;
    case 2:
      name = "Windows NT";
      break;
    default:
      name = v.otherName;
      break;
  }
  return Concat(name, " Win version:", v.major, ".", v.minor, " Build: ", v.build);
}

std::string GetWinVersion() {
  try {
    if (!g_osVersion) return {};
    const auto record = g_osVersion->Query();
    return record ? FormatWinVersion(*record) : std::string();
  } catch (...) {
    return {};
  }
}

std::string GetAddIns() {
  std::string text = Concat("Uses COMAddIns :", kCrLf);
  auto addIns = NeedPtr(TheApp()->COMAddIns());
  const int count = addIns->Count();
  for (int i = 1; i <= count; ++i) {
    auto addIn = NeedPtr(addIns->Item(i));
    text += Concat("ProgID: ", addIn->ProgID(), kCrLf);
    text += Concat("Description: ", addIn->Description(), kCrLf);
    text += Concat("Connect: ", addIn->Connect(), kCrLf, kCrLf);
  }
  text += kCrLf;
  return text;
}

bool isRedemptionExist() {
  return TheFiles().FileExists(InFolder(kSafeMailDll));
}

bool isRegRedemption() {
  try {
    return TheObjects().CreateSafeMailItem() != nullptr;
  } catch (...) {
    LogCurrentError("mBugReport.isRegRedemption");
    return false;
  }
}

}  // namespace velmora::mBugReport
