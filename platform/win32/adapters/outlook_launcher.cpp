#include "platform/win32/adapters/outlook_launcher.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include "common/host_error.h"
#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {

bool OutlookLauncher::IsRunning() {
  try {
    CLSID clsid{};
    if (FAILED(::CLSIDFromProgID(Widen(progId_).c_str(), &clsid))) return false;
    IUnknown* running = nullptr;
    if (FAILED(::GetActiveObject(clsid, nullptr, &running)) || !running) return false;
    // Only the answer matters; holding the object would keep Outlook alive.
    running->Release();
    return true;
  } catch (...) {
    return false;
  }
}

void OutlookLauncher::Start() {
  const std::wstring file = Widen(program_);
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // Values up to 32 are the shell's error codes.
  if (result <= 32)
    Raise(result == SE_ERR_FNF || result == SE_ERR_PNF ? err::kFileNotFound : err::kAutomation,
          "ShellExecute of " + program_ + " failed (" + std::to_string(result) + ")");
}

}  // namespace velmora::win32
