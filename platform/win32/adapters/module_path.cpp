#include "platform/win32/adapters/module_path.h"

#include <windows.h>

#include <string>

namespace velmora::win32 {

namespace {
// Any address inside this module identifies it; inside Outlook the process's
// own exe would be the wrong answer, so never ask for module 0.
HMODULE ThisModule() noexcept {
  HMODULE module = nullptr;
  const auto anchor = reinterpret_cast<LPCWSTR>(&ThisModule);
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          anchor, &module))
    return nullptr;
  return module;
}

// Long paths exceed MAX_PATH; the limit of the wide APIs is 32767 characters.
constexpr DWORD kMaxPathChars = 32768;
}  // namespace

std::filesystem::path ModuleFile() noexcept {
  try {
    const HMODULE module = ThisModule();
    if (!module) return {};
    for (DWORD cap = MAX_PATH; cap <= kMaxPathChars; cap *= 2) {
      std::wstring buf(cap, L'\0');
      const DWORD n = ::GetModuleFileNameW(module, buf.data(), cap);
      if (n == 0) return {};
      // A full buffer means the name was cut (the API does not say so on XP).
      if (n < cap) {
        buf.resize(n);
        return std::filesystem::path(buf);
      }
    }
  } catch (...) {
  }
  return {};
}

std::filesystem::path ModuleFolder() noexcept {
  try {
    const auto file = ModuleFile();
    return file.empty() ? std::filesystem::path() : file.parent_path();
  } catch (...) {
    return {};
  }
}

}  // namespace velmora::win32
