// Registry backend port: keys, typed values, enumeration. The Win32 adapter
// is the real registry; the POSIX adapter keeps a per-user database. Text is
// UTF-8 on this side of the port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// An open key, or one of the predefined roots; 0 is "no key".
using RegKey = std::uintptr_t;

namespace reg {
inline constexpr RegKey kClassesRoot = 0x80000000u;
inline constexpr RegKey kCurrentUser = 0x80000001u;
inline constexpr RegKey kLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kRead = 0x20019;       // KEY_READ
inline constexpr std::uint32_t kWrite = 0x2001F;      // KEY_READ | KEY_WRITE as the settings use it
inline constexpr std::uint32_t kAllAccess = 0xF003F;  // KEY_ALL_ACCESS
inline constexpr std::uint32_t kSetValue = 0x0002;    // KEY_SET_VALUE
inline constexpr std::uint32_t kCreateSubKey = 0x0004;
inline constexpr std::uint32_t kEnumerate = 0x0008;
inline constexpr std::uint32_t kQueryValue = 0x0001;
}  // namespace reg

enum class RegType : std::uint32_t {
  kNone = 0,
  kString = 1,
  kExpandString = 2,
  kBinary = 3,
  kDword = 4
};

struct RegValue {
  RegType type = RegType::kNone;
  std::string text;          // kString, kExpandString, kBinary (raw bytes)
  std::uint32_t number = 0;  // kDword
};

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  // Opens a subkey of `parent` (a root or an open key) with the access mask;
  // with `create` it is created when missing. 0 on failure. An empty subkey
  // opens `parent` itself again.
  virtual RegKey Open(RegKey parent, std::string_view subkey, std::uint32_t access,
                      bool create) = 0;
  virtual bool Close(RegKey key) = 0;
  virtual bool SetValue(RegKey key, std::string_view name, const RegValue& value) = 0;
  virtual std::optional<RegValue> GetValue(RegKey key, std::string_view name) = 0;
  virtual bool DeleteValue(RegKey key, std::string_view name) = 0;
  // Removes a direct subkey that has no subkeys of its own.
  virtual bool DeleteSubKey(RegKey key, std::string_view name) = 0;
  // The name at that index, or nothing past the end.
  virtual std::optional<std::string> EnumValue(RegKey key, std::uint32_t index) = 0;
  virtual std::optional<std::string> EnumKey(RegKey key, std::uint32_t index) = 0;
  virtual bool Flush(RegKey key) = 0;
};

}  // namespace velmora
