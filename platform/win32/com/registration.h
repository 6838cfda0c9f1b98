// Registration of the add-in for Outlook, per user and without administrator
// rights: the COM class under <root>\Software\Classes and the add-in key
// under <root>\Software\Microsoft\Office\Outlook\Addins. The root is a
// parameter because Wine does not show the user's classes through
// HKEY_CLASSES_ROOT; on Windows the entry points pass HKEY_CURRENT_USER.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::win32 {

inline constexpr wchar_t kAddinProgId[] = L"Velmora.Connect";
inline constexpr wchar_t kAddinClsidText[] = L"{869F854E-5975-4EA3-9725-7A4564A9608B}";
inline constexpr CLSID kAddinClsid = {
    0x869F854E, 0x5975, 0x4EA3, {0x97, 0x25, 0x7A, 0x45, 0x64, 0xA9, 0x60, 0x8B}};
inline constexpr wchar_t kAddinFriendlyName[] = L"Velmora";
inline constexpr wchar_t kAddinDescription[] = L"Velmora";
inline constexpr DWORD kAddinLoadBehavior = 3;  // loaded, and at every start

// The keys below `root` that registration writes, each owned whole.
inline constexpr wchar_t kProgIdKey[] = L"Software\\Classes\\Velmora.Connect";
inline constexpr wchar_t kClsidKey[] =
    L"Software\\Classes\\CLSID\\{869F854E-5975-4EA3-9725-7A4564A9608B}";
inline constexpr wchar_t kAddinKey[] =
    L"Software\\Microsoft\\Office\\Outlook\\Addins\\Velmora.Connect";

// Writes the class (ProgID, CLSID, InprocServer32 = dllPath, apartment
// threaded) and the add-in key. On failure nothing stays behind.
HRESULT RegisterAddin(HKEY root, const std::wstring& dllPath) noexcept;
// Removes the three keys registration wrote; missing ones are no error.
HRESULT UnregisterAddin(HKEY root) noexcept;

}  // namespace velmora::win32
