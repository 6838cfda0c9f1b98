// Registry access (CWinReg): one open key per instance, silent failures
// (False, empty text, 0), booleans as "yes"/"no" string values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/registry_backend.h"

namespace velmora {

class CWinReg {
 public:
  // Get string offers a buffer of this many characters, terminator included:
  // a longer value reads as empty text.
  static constexpr std::size_t kStringBuffer = 256;
  static constexpr std::size_t kNameBuffer = 255;

  CWinReg();  // over the installed registry backend
  explicit CWinReg(RegistryBackend& backend);
  ~CWinReg();
  CWinReg(const CWinReg&) = delete;
  CWinReg& operator=(const CWinReg&) = delete;

  static constexpr RegKey HKEY_CLASSES_ROOT = reg::kClassesRoot;
  static constexpr RegKey HKEY_CURRENT_USER = reg::kCurrentUser;
  static constexpr RegKey HKEY_LOCAL_MACHINE = reg::kLocalMachine;

  bool InitForRead(RegKey root, std::string_view subkey);
  bool InitForWrite(RegKey root, std::string_view subkey, bool bCreate);
  bool InitForAllAccess(RegKey root, std::string_view subkey, bool bCreate);
  bool InitForAccess(RegKey root, std::string_view subkey, std::uint32_t access, bool bCreate);
  bool Close();
  bool IsOpen() const { return key_ != 0; }

  bool SetString(std::string_view name, std::string_view text);
  std::string GetString(std::string_view name);
  bool SetNumber(std::string_view name, std::int32_t value);
  std::int32_t GetNumber(std::string_view name);
  bool SetFlag(std::string_view name, bool value);
  bool GetFlag(std::string_view name);
  bool DeleteValue(std::string_view name);
  bool DeleteSubKey(std::string_view name);
  bool Flush();

  std::string Values(std::uint32_t index);
  std::string Keys(std::uint32_t index);
  void DeleteAllKeys();
  bool DeleteKeyRec(std::string_view subkey);

 private:
  RegistryBackend* backend_;
  RegKey key_ = 0;
};

// The settings key of both deliverables under the current user.
inline constexpr std::string_view kSettingsKey = "Software\\Norvane\\Velmora";
inline constexpr std::string_view kValueNextOccurence = "NextOccurence";
inline constexpr std::string_view kValueSendAndExit = "SendAndExit";

}  // namespace velmora
