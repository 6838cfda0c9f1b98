// The registry backend over the real Windows registry (wide APIs). Open keys
// travel as the HKEY value; our root constants map to the predefined keys.
// Free of windows.h, whose HKEY_* macros would rewrite CWinReg's root names.
#pragma once

#include "common/registry_backend.h"

namespace velmora::win32 {

class Win32Registry final : public RegistryBackend {
 public:
  RegKey Open(RegKey parent, std::string_view subkey, std::uint32_t access, bool create) override;
  bool Close(RegKey key) override;
  bool SetValue(RegKey key, std::string_view name, const RegValue& value) override;
  std::optional<RegValue> GetValue(RegKey key, std::string_view name) override;
  bool DeleteValue(RegKey key, std::string_view name) override;
  bool DeleteSubKey(RegKey key, std::string_view name) override;
  std::optional<std::string> EnumValue(RegKey key, std::uint32_t index) override;
  std::optional<std::string> EnumKey(RegKey key, std::uint32_t index) override;
  bool Flush(RegKey key) override;
};

}  // namespace velmora::win32
