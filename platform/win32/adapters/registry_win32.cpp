#include "platform/win32/adapters/registry_win32.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <windows.h>

#include "platform/win32/adapters/registry_keys.h"
#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {

namespace {

// The backend promises never to throw (a failed allocation included): every
// entry runs through this and gives its neutral result instead.
template <class R, class F>
R Quietly(R neutral, F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return neutral;
  }
}

// Enumeration names: value names may reach 16383 characters, key names 255.
constexpr std::size_t kMaxNameChars = 16384;

}  // namespace

RegKey Win32Registry::Open(RegKey parent, std::string_view subkey, std::uint32_t access,
                           bool create) {
  return Quietly<RegKey>(0, [&]() -> RegKey {
    const HKEY p = ToHkey(parent);
    const auto sub = WidenName(subkey);
    if (!p || !sub) return 0;
    HKEY out = nullptr;
    const LONG rc = create ? ::RegCreateKeyExW(p, sub->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               access, nullptr, &out, nullptr)
                           : ::RegOpenKeyExW(p, sub->c_str(), 0, access, &out);
    if (rc != ERROR_SUCCESS || !out) return 0;
    return reinterpret_cast<RegKey>(out);
  });
}

bool Win32Registry::Close(RegKey key) {
  if (key == 0) return false;
  // The roots belong to the process, not to the caller who named them.
  if (IsPredefinedKey(key)) return true;
  return ::RegCloseKey(ToHkey(key)) == ERROR_SUCCESS;
}

bool Win32Registry::SetValue(RegKey key, std::string_view name, const RegValue& value) {
  return Quietly(false, [&] {
    const HKEY h = ToHkey(key);
    const auto wname = WidenName(name);
    if (!h || !wname) return false;
    const auto type = static_cast<DWORD>(value.type);
    switch (value.type) {
      case RegType::kString:
      case RegType::kExpandString: {
        // Stored with its terminator, as every other reader of the registry
        // expects; the size counts bytes, not characters.
        const std::wstring w = Widen(value.text);
        const std::size_t bytes = (w.size() + 1) * sizeof(wchar_t);
        if (bytes > MAXDWORD) return false;
        return ::RegSetValueExW(h, wname->c_str(), 0, type,
                                reinterpret_cast<const BYTE*>(w.c_str()),
                                static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
      }
      case RegType::kDword: {
        const DWORD n = value.number;
        return ::RegSetValueExW(h, wname->c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n),
                                sizeof n) == ERROR_SUCCESS;
      }
      default: {
        if (value.text.size() > MAXDWORD) return false;
        return ::RegSetValueExW(h, wname->c_str(), 0, type,
                                reinterpret_cast<const BYTE*>(value.text.data()),
                                static_cast<DWORD>(value.text.size())) == ERROR_SUCCESS;
      }
    }
  });
}

std::optional<RegValue> Win32Registry::GetValue(RegKey key, std::string_view name) {
  return Quietly<std::optional<RegValue>>(std::nullopt, [&]() -> std::optional<RegValue> {
    const HKEY h = ToHkey(key);
    const auto wname = WidenName(name);
    if (!h || !wname) return std::nullopt;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegQueryValueExW(h, wname->c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    // Another process may grow the value between the size query and the read.
    std::vector<BYTE> data;
    for (int attempt = 0;; ++attempt) {
      data.resize(static_cast<std::size_t>(size) + sizeof(wchar_t));
      DWORD got = static_cast<DWORD>(data.size());
      const LONG rc = ::RegQueryValueExW(h, wname->c_str(), nullptr, &type, data.data(), &got);
      if (rc == ERROR_SUCCESS) {
        data.resize(got);
        break;
      }
      if (rc != ERROR_MORE_DATA || attempt == 8) return std::nullopt;
      size = got;
    }

    RegValue v;
    v.type = static_cast<RegType>(type);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring w(data.size() / sizeof(wchar_t), L'\0');
      std::memcpy(w.data(), data.data(), w.size() * sizeof(wchar_t));
      // Drop the one stored terminator; a writer that left it out loses nothing.
      if (!w.empty() && w.back() == L'\0') w.pop_back();
      v.text = Narrow(w);
    } else if (type == REG_DWORD) {
      std::uint32_t n = 0;
      std::memcpy(&n, data.data(), std::min<std::size_t>(data.size(), sizeof n));
      v.number = n;
    } else {
      v.text.assign(reinterpret_cast<const char*>(data.data()), data.size());
    }
    return v;
  });
}

bool Win32Registry::DeleteValue(RegKey key, std::string_view name) {
  return Quietly(false, [&] {
    const HKEY h = ToHkey(key);
    const auto wname = WidenName(name);
    return h && wname && ::RegDeleteValueW(h, wname->c_str()) == ERROR_SUCCESS;
  });
}

bool Win32Registry::DeleteSubKey(RegKey key, std::string_view name) {
  return Quietly(false, [&] {
    const HKEY h = ToHkey(key);
    const auto wname = WidenName(name);
    // An empty name would make the API delete the open key itself.
    if (!h || !wname || wname->empty()) return false;
    return ::RegDeleteKeyW(h, wname->c_str()) == ERROR_SUCCESS;
  });
}

namespace {

// Both enumerations take a name buffer whose needed size they only tell by
// failing with ERROR_MORE_DATA; grow it up to the longest name a key allows.
template <typename EnumFn>
std::optional<std::string> EnumName(HKEY h, EnumFn enumerate) {
  if (!h) return std::nullopt;
  for (std::size_t cap = 256;; cap *= 4) {
    std::wstring buf(std::min(cap, kMaxNameChars), L'\0');
    DWORD len = static_cast<DWORD>(buf.size());
    const LONG rc = enumerate(buf.data(), &len);
    if (rc == ERROR_SUCCESS) return Narrow(std::wstring_view(buf.data(), len));
    if (rc != ERROR_MORE_DATA || buf.size() >= kMaxNameChars) return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> Win32Registry::EnumValue(RegKey key, std::uint32_t index) {
  return Quietly<std::optional<std::string>>(std::nullopt, [&] {
    const HKEY h = ToHkey(key);
    return EnumName(h, [&](wchar_t* name, DWORD* len) {
      return ::RegEnumValueW(h, index, name, len, nullptr, nullptr, nullptr, nullptr);
    });
  });
}

std::optional<std::string> Win32Registry::EnumKey(RegKey key, std::uint32_t index) {
  return Quietly<std::optional<std::string>>(std::nullopt, [&] {
    const HKEY h = ToHkey(key);
    return EnumName(h, [&](wchar_t* name, DWORD* len) {
      return ::RegEnumKeyExW(h, index, name, len, nullptr, nullptr, nullptr, nullptr);
    });
  });
}

bool Win32Registry::Flush(RegKey key) {
  const HKEY h = ToHkey(key);
  return h && ::RegFlushKey(h) == ERROR_SUCCESS;
}

}  // namespace velmora::win32
