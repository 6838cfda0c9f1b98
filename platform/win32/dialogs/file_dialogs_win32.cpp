#include "platform/win32/dialogs/file_dialogs_win32.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "common/host_error.h"
#include "common/trap.h"
#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {

namespace {
// The picker's own limits, kept as the dialog has always had them.
constexpr DWORD kFileChars = 255;
constexpr size_t kFolderChars = 260;
}  // namespace

std::string OpenFileDialogW32(HWND owner) noexcept {
  return TrapOr("mFileDialogs.OpenFileDialog", std::string(), [owner] {
    std::wstring buf(kFileChars, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    static const wchar_t kFilter[] = L"All Files (*.*)\0*.*\0";
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buf.data();
    ofn.nMaxFile = kFileChars;
    ofn.lpstrTitle = L"Open File";
    if (!::GetOpenFileNameW(&ofn)) {
      // Zero means the user cancelled; anything else (a path longer than the
      // buffer, for one) is a failure the user would otherwise never learn of.
      if (const DWORD e = ::CommDlgExtendedError(); e != 0)
        Raise(err::kAutomation, "the open-file dialog failed (" + std::to_string(e) + ")");
      return std::string();
    }
    buf.resize(wcsnlen(buf.c_str(), buf.size()));
    return Narrow(buf);
  });
}

std::string OpenFolderDialogW32(HWND owner) noexcept {
  return TrapOr("mFileDialogs.OpenFolderDialog", std::string(), [owner] {
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.pidlRoot = nullptr;
    bi.lpszTitle = L"";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderW(&bi);
    if (!pidl) return std::string();
    std::wstring buf(kFolderChars, L'\0');
    const BOOL ok = ::SHGetPathFromIDListW(pidl, buf.data());
    ::CoTaskMemFree(pidl);
    if (!ok) return std::string();
    buf.resize(wcsnlen(buf.c_str(), buf.size()));
    return Narrow(buf);
  });
}

void ShellOpenFile(HWND owner, const std::string& file) noexcept {
  Ignore([&] {
    const std::wstring f = Widen(file);
    ::ShellExecuteW(owner, nullptr, f.c_str(), nullptr, L"C:\\", SW_SHOWNORMAL);
  });
}

}  // namespace velmora::win32
