// How long the add-in takes to start inside the stand-in Outlook: connection,
// startup completion and the attachment to the first explorer, with 1,000
// scheduled mails in its folder; the first sending pass (a timer tick later)
// is not part of it. Prints the figure of each run and the median.
// Usage: addin_start_bench [runs]   (the add-in must be registered, as the
// tests do; this program registers it for the run and removes it again).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "tests/win32/standin/addin_host.h"
#include "tests/win32/standin/outlook_model.h"

namespace {

using namespace standin;

std::filesystem::path AddinPath() {
  wchar_t buf[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return (std::filesystem::path(buf).parent_path() / VELMORA_ADDIN_REL).lexically_normal();
}

double Ms(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int rc = 0;
  {
    AddinLibrary library(AddinPath().wstring());
    if (!library.loaded() || FAILED(library.Register()) || !library.Mirror(L"Velmora.Connect")) {
      std::fprintf(stderr, "cannot register %ls\n", AddinPath().c_str());
      return 2;
    }
    RedemptionRegistration redemption;
    std::vector<double> times;
    for (int run = 0; run < runs && rc == 0; ++run) {
      Outlook outlook;
      Store& store = outlook.store();
      FolderData& folder = store.AddFolder(store.root(), L"Velmora", 0);
      // Due in a year: scheduled, none sent.
      const double later = 46000.0 + 365 * 3;
      for (int i = 0; i < 1000; ++i) {
        auto m = store.AddMail(folder, L"Scheduled " + std::to_wstring(i));
        m->to = L"anna@example.com";
        m->Add(L"ScheduleTime", kOlDateTime)->value = Variant::Of(VT_DATE, later + i / 1440.0);
        m->Add(L"VelmoraRecurrence", kOlText)->value = Variant(L"");
      }
      outlook.OpenExplorer(*store.Default(kFolderInbox));
      outlook.RunPending();  // the window's own events
      AddinHost host(outlook);
      if (FAILED(host.Load(L"Velmora.Connect"))) {
        std::fprintf(stderr, "cannot create Velmora.Connect\n");
        rc = 3;
        break;
      }
      LARGE_INTEGER t0, t1, t2;
      ::QueryPerformanceCounter(&t0);
      HRESULT hr = host.Connect();
      ::QueryPerformanceCounter(&t1);
      if (SUCCEEDED(hr)) hr = host.StartupComplete();
      ::QueryPerformanceCounter(&t2);
      if (FAILED(hr) || store.sent.size() != 0) rc = 4;
      times.push_back(Ms(t0, t2));
      std::printf(
          "run %d: %.3f ms (OnConnection %.3f ms, OnAddInsUpdate + OnStartupComplete %.3f ms)\n",
          run + 1, times.back(), Ms(t0, t1), Ms(t1, t2));
      host.Stop();
    }
    if (!times.empty()) {
      // The first run also pays for loading the library and what it loads.
      std::printf("first start in this process: %.3f ms\n", times.front());
      std::sort(times.begin(), times.end());
      std::printf(
          "add-in start (OnConnection + OnStartupComplete + first attach, 1000 mails): "
          "median %.3f ms, best %.3f ms over %zu runs\n",
          times[times.size() / 2], times.front(), times.size());
    }
    library.Unmirror(L"Velmora.Connect");
    library.Unregister();
  }
  ::CoUninitialize();
  return rc;
}
