#include "addin/store/sending.h"

#include <optional>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/globals.h"
#include "addin/store/send_notices.h"
#include "addin/store/sync_obj.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/text.h"
#include "common/trap.h"
#include "common/winreg.h"

namespace velmora::Main {

using host::MailItemPtr;

namespace {

bool IsOpenInInspector(const MailItemPtr& item) {
  std::string id;
  if (!Ignore([&] { id = item->EntryID(); })) return false;
  bool open = false;
  Ignore([&] {
    auto inspectors = TheApp()->Inspectors();
    const int n = inspectors ? inspectors->Count() : 0;
    for (int i = 1; i <= n && !open; ++i)
      Ignore([&] {
        auto current = Need(inspectors->Item(i)).CurrentItem();
        open = current && current->EntryID() == id;
      });
  });
  return open;
}

// The scheduled mails among the folder's items: mail class with a date-time
// ScheduleTime.
template <class F>
void ForEachScheduled(const host::FolderPtr& folder, F&& f) {
  auto items = NeedPtr(Need(folder).Items());
  const int n = items->Count();
  for (int i = 1; i <= n; ++i) {
    auto item = items->Item(i);
    if (!item || item->Class() != host::ol::kClassMail) continue;
    DateTime t;
    if (GetUserProp(item, t)) f(item, t);
  }
}

}  // namespace

}  // namespace velmora::Main

namespace velmora {
SendNoticePort*& SendNotices() noexcept {
  static SendNoticePort* port = nullptr;
  return port;
}
}  // namespace velmora

namespace velmora::Main {

std::string GetFileName(std::string_view path) {
  // Where "/" alone separates, a backslash is an ordinary character of a
  // name ("a\\b.pdf" is one file on Linux).
  if (const FileSystem* files = GetServices().files; files && files->Separator() == '/') {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  }
  std::string p(path);
  for (char& c : p)
    if (c == '/') c = '\\';
  const auto pos = p.rfind('\\');
  return pos == std::string::npos ? p : p.substr(pos + 1);
}

void OnTimer1(CSyncObj* syncObj, bool bSendAndExit) {
  try {
    const DateTime now = Now();
    auto folder = GetVelmoraFolder(true);
    g_debug().Out("On Timer");
    // Collected before anything is sent: sending changes the live collection
    // under its indexes.
    std::vector<MailItemPtr> due;
    ForEachScheduled(folder, [&](const MailItemPtr& item, DateTime t) {
      if (now >= t) due.push_back(item);
    });
    if (!due.empty()) {
      for (const MailItemPtr& item : due)
        SendMessage(item, now);
      if (syncObj) syncObj->SendNow(bSendAndExit);
    }
  } catch (...) {
    LogCurrentError("Connect.OnTimer1");
  }
  SaveNextOccurence();
}

void SendMessage(const MailItemPtr& item, DateTime now) {
  Trap("Main.SendMessage", [&] {
    if (IsOpenInInspector(item)) {
      g_debug().Out("cant send becose inspector is opened");
      return;
    }
    CMailProps record;
    record.ReadProps(item);
    if (!record.m_IsRecurring) {
      MoveAndSendMessage(item, record.m_ScheduleTime, record);
      return;
    }
    std::vector<DateTime> times;
    bool ended = false;
    for (;;) {
      const DateTime t = record.m_ScheduleTime;
      const bool advanced = record.SetNextOccurrence();
      times.push_back(t);
      if (!advanced) {
        ended = true;
        break;
      }
      if (!(now >= record.m_ScheduleTime)) break;
    }
    // The stored mail carries its next occurrence before any copy leaves, so
    // a failure below never sends an occurrence twice.
    if (!ended) {
      record.WriteProps(item);
      item->Save();
    }
    for (std::size_t i = 0; i < times.size(); ++i) {
      if (i + 1 == times.size() && ended)
        MoveAndSendMessage(item, times[i], record);
      else
        MoveAndSendMessage(Need(item).Copy(), times[i], record);
    }
  });
}

void MoveAndSendMessage(MailItemPtr item, DateTime time, CMailProps& record) {
  Trap("Main.MoveAndSendMessage", [&] {
    Need(item);
    CMailProps().ClearProps(item);
    // Saved without its schedule before it moves: should the move fail, a
    // copy of a recurring mail must not stay behind as a second live
    // schedule repeating the whole series.
    item->Save();
    auto outbox = NeedPtr(TheNamespace()->GetDefaultFolder(host::ol::kFolderOutbox));
    auto moved = item->Move(outbox);
    Need(moved);
    for (const std::string& path : record.GetResolvedAttachments()) {
      g_debug().Out("Attaching: ", path);
      Need(moved->Attachments()).Add(path, GetFileName(path));
    }
    std::vector<std::string> missing;
    Ignore([&] { missing = MissingAttachmentSources(record); });
    if (!missing.empty()) {
      // The mail still goes, as the sources say; but a report that silently
      // lacks its file must not pass unnoticed.
      std::string subject;
      Ignore([&] { subject = moved->Subject(); });
      for (const std::string& source : missing)
        g_debug().OutWarning("Main.MoveAndSendMessage",
                             "\"" + subject + "\" is sent without its attachment source \"" +
                                 source + "\": missing, or a folder without files");
      if (SendNoticePort* notices = SendNotices())
        Ignore([&] { notices->MissingSources(moved, missing); });
    }
    g_debug().Out("SendMail Subject = '", moved->Subject(), "'", "SendMail Timer = '",
                  DateText(time), "'");
    auto safe = NeedPtr(TheObjects().CreateSafeMailItem());
    safe->SetItem(moved);
    safe->Send();
  });
}

std::optional<DateTime> EarliestScheduled(const host::FolderPtr& folder) {
  std::optional<DateTime> earliest;
  // A host that indexes its items answers in one look-up what the walk
  // below finds.
  if (Need(folder).EarliestMailDate(std::string(kPropScheduleTime), earliest)) return earliest;
  ForEachScheduled(folder, [&](const MailItemPtr&, DateTime t) {
    if (!earliest || *earliest >= t) earliest = t;
  });
  return earliest;
}

void SaveNextOccurence() {
  std::optional<DateTime> earliest;
  try {
    earliest = EarliestScheduled(GetVelmoraFolder(true));
  } catch (...) {
    LogCurrentError("SaveNextOccurence");
    return;
  }
  Ignore([&] {
    CWinReg reg;
    if (reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kSettingsKey, true))
      reg.SetString(kValueNextOccurence, earliest ? DateText(*earliest) : std::string());
  });
}

bool CheckRecipients(const MailItemPtr& mail) {
  Need(mail).Save();
  auto safe = NeedPtr(TheObjects().CreateSafeMailItem());
  safe->SetItem(mail);
  const int style = mb::kOkOnly | (g_TopMost ? mb::kTopMost : mb::kSetForeground);
  auto recipients = NeedPtr(safe->Recipients());
  if (recipients->Count() == 0) {
    TheMessageBox().Show(kNoRecipientsText, style);
    return false;
  }
  if (!recipients->ResolveAll()) {
    TheMessageBox().Show(kUnresolvedRecipientsText, style);
    return false;
  }
  return true;
}

}  // namespace velmora::Main
