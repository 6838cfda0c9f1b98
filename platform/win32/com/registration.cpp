#include "platform/win32/com/registration.h"

#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {

namespace {

LSTATUS SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS SetDword(HKEY key, const wchar_t* name, DWORD value) {
  return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

// Creates root\path (and the keys between) and sets its default text.
LSTATUS CreateWithDefault(HKEY root, const std::wstring& path, const std::wstring& value,
                          UniqueHkey* out = nullptr) {
  UniqueHkey key;
  LSTATUS rc = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                 nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = SetText(key.get(), nullptr, value);
  if (out) *out = std::move(key);
  return rc;
}

LSTATUS WriteAll(HKEY root, const std::wstring& dllPath) {
  const std::wstring progId = kAddinProgId;
  const std::wstring progIdKey = kProgIdKey;
  const std::wstring clsidKey = kClsidKey;
  LSTATUS rc = CreateWithDefault(root, progIdKey, progId);
  if (rc == ERROR_SUCCESS) rc = CreateWithDefault(root, progIdKey + L"\\CLSID", kAddinClsidText);
  if (rc == ERROR_SUCCESS) rc = CreateWithDefault(root, clsidKey, progId);
  if (rc == ERROR_SUCCESS) rc = CreateWithDefault(root, clsidKey + L"\\ProgID", progId);
  if (rc == ERROR_SUCCESS) {
    UniqueHkey server;
    rc = CreateWithDefault(root, clsidKey + L"\\InprocServer32", dllPath, &server);
    if (rc == ERROR_SUCCESS) rc = SetText(server.get(), L"ThreadingModel", L"Apartment");
  }
  if (rc != ERROR_SUCCESS) return rc;
  UniqueHkey addin;
  rc = ::RegCreateKeyExW(root, kAddinKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                         addin.put(), nullptr);
  if (rc == ERROR_SUCCESS) rc = SetText(addin.get(), L"FriendlyName", kAddinFriendlyName);
  if (rc == ERROR_SUCCESS) rc = SetText(addin.get(), L"Description", kAddinDescription);
  if (rc == ERROR_SUCCESS) rc = SetDword(addin.get(), L"LoadBehavior", kAddinLoadBehavior);
  return rc;
}

LSTATUS DeleteTree(HKEY root, const wchar_t* path) {
  const LSTATUS rc = ::RegDeleteTreeW(root, path);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
  // RegDeleteTree empties the key; the key itself may remain on some systems.
  const LSTATUS gone = ::RegDeleteKeyW(root, path);
  return gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : gone;
}

}  // namespace

HRESULT RegisterAddin(HKEY root, const std::wstring& dllPath) noexcept {
  try {
    if (dllPath.empty() || dllPath.find(L'\0') != std::wstring::npos) return E_INVALIDARG;
    const LSTATUS rc = WriteAll(root, dllPath);
    if (rc == ERROR_SUCCESS) return S_OK;
    UnregisterAddin(root);
    return HRESULT_FROM_WIN32(rc);
  } catch (...) {
    UnregisterAddin(root);
    return E_FAIL;
  }
}

HRESULT UnregisterAddin(HKEY root) noexcept {
  LSTATUS first = ERROR_SUCCESS;
  for (const wchar_t* path : {kAddinKey, kClsidKey, kProgIdKey}) {
    const LSTATUS rc = DeleteTree(root, path);
    if (first == ERROR_SUCCESS) first = rc;
  }
  return first == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(first);
}

}  // namespace velmora::win32
