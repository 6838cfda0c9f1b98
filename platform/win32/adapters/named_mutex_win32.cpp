#include "platform/win32/adapters/named_mutex_win32.h"

#include <windows.h>

#include <string>

#include "common/host_error.h"
#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {

namespace {

class HeldMutex final : public tray::NamedMutex {
 public:
  explicit HeldMutex(HANDLE h) noexcept : h_(h) {}
  ~HeldMutex() override {
    ::ReleaseMutex(h_);
    ::CloseHandle(h_);
  }
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<tray::NamedMutex> Win32MutexPort::CreateOwned(std::string_view name) {
  const std::optional<std::wstring> wide = WidenName(name);
  if (!wide || wide->empty()) Raise(err::kInvalidCall, "invalid mutex name");
  const HANDLE h = ::CreateMutexW(nullptr, TRUE, wide->c_str());
  const DWORD error = ::GetLastError();
  if (!h) {
    // The name exists with a security we may not open: another logon's copy
    // or an elevated one, which holds it all the same.
    if (error == ERROR_ACCESS_DENIED) return nullptr;
    Raise(err::kAutomation, "CreateMutex failed (" + std::to_string(error) + ")");
  }
  if (error == ERROR_ALREADY_EXISTS) {
    // Not owned: the initial-owner request is ignored for an existing mutex.
    ::CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<HeldMutex>(h);
}

}  // namespace velmora::win32
