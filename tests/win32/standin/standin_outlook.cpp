// outlook.exe for the tray launcher's run with the add-in: a stand-in Outlook
// that opens its main window, loads the add-ins registered to load at
// startup, runs its message loop until its last window closes (or a minute
// passes) and shuts down. With VELMORA_STANDIN_SUBJECT its "Velmora" folder
// holds one mail of that subject, due a minute ago. What happened goes to
// the file VELMORA_STANDIN_RESULT names, written whole at the end.
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/adapters/unicode.h"
#include "tests/win32/standin/addin_host.h"
#include "tests/win32/standin/outlook_model.h"

using namespace standin;
using velmora::win32::Narrow;

int main() {
  const wchar_t* resultPath = ::_wgetenv(L"VELMORA_STANDIN_RESULT");
  const wchar_t* subject = ::_wgetenv(L"VELMORA_STANDIN_SUBJECT");
  if (!resultPath) return 2;
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string report;
  bool quit = false;
  {
    Outlook outlook;
    RedemptionRegistration redemption;
    Store& store = outlook.store();
    FolderData& folder = store.AddFolder(store.root(), L"Velmora", 0);
    if (subject && *subject) {
      auto mail = store.AddMail(folder, subject);
      mail->to = L"anna@example.com";
      SYSTEMTIME now;
      ::GetLocalTime(&now);
      double due = 0;
      ::SystemTimeToVariantTime(&now, &due);
      mail->Add(L"ScheduleTime", kOlDateTime)->value = Variant::Of(VT_DATE, due - 60.0 / 86400);
    }
    outlook.OpenExplorer(*store.Default(kFolderInbox));
    outlook.RunPending();
    const auto before = LiveObjects();
    {
      AddinHost host(outlook);
      for (const auto& progId : StartupAddins()) {
        if (FAILED(host.Load(progId))) {
          report += "cannot load " + Narrow(progId) + "\n";
          continue;
        }
        report += "loaded " + Narrow(progId) + "\n";
        if (FAILED(host.Start())) report += "start failed\n";
        break;
      }
      quit = Outlook::PumpUntil([&] { return outlook.Quitting(); }, 60000);
      for (const auto& s : store.sent)
        report += "sent " + Narrow(s.subject) + " via " + Narrow(s.via) + " from " +
                  Narrow(s.fromFolder) + "\n";
      report += quit ? "quit by itself\n" : "timed out\n";
      // The add-in lets go of its sinks when the last window closes, before
      // Outlook disconnects it.
      report += "sinks advised " + std::to_string(g_advisedSinks) + "\n";
      if (host.loaded()) host.Stop();
    }
    report += "references kept " + std::to_string(RefsChangedSince(before).size()) + "\n";
    report += "protocol errors " + std::to_string(g_protocolErrors.size()) + "\n";
    for (const auto& e : g_protocolErrors)
      report += "  " + Narrow(e) + "\n";
  }
  ::CoUninitialize();
  // Written whole: the waiting test reads it as soon as it appears.
  const std::wstring partial = std::wstring(resultPath) + L".partial";
  if (!(std::ofstream(std::filesystem::path(partial), std::ios::binary) << report)) return 4;
  std::filesystem::rename(partial, resultPath);
  return quit ? 0 : 3;
}
