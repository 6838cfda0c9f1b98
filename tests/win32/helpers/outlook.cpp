// A stand-in for outlook.exe in the Windows tests of the tray launcher: it
// records that it was started, with the "SendAndExit" value it found then,
// in the file that VELMORA_OUTLOOK_MARKER names, and ends.
#include <windows.h>

#include <string>

namespace {

std::wstring Env(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (n == 0 || n >= value.size()) return {};
  value.resize(n);
  return value;
}

std::wstring SendAndExit() {
  wchar_t buf[256] = {};
  DWORD size = sizeof buf;
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Norvane\\Velmora", L"SendAndExit",
                     RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return L"<none>";
  return buf;
}

}  // namespace

int main() {
  const std::wstring marker = Env(L"VELMORA_OUTLOOK_MARKER");
  if (marker.empty()) return 2;
  const std::wstring text = L"started SendAndExit=" + SendAndExit() + L"\r\n";
  // Written aside and moved into place, so a reader never sees half a line.
  const std::wstring partial = marker + L".partial";
  const HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                              &written, nullptr);
  ::CloseHandle(file);
  if (!ok) return 4;
  return ::MoveFileExW(partial.c_str(), marker.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
