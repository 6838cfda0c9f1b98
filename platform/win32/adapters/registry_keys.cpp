#include "platform/win32/adapters/registry_keys.h"

namespace velmora::win32 {

namespace {
constexpr std::uint32_t kFirstPredefined = 0x80000000u;  // HKEY_CLASSES_ROOT
constexpr std::uint32_t kLastPredefined = 0x80000006u;   // HKEY_DYN_DATA
}  // namespace

bool IsPredefinedKey(RegKey key) noexcept {
  const auto low = static_cast<std::uint32_t>(key);
  if (low < kFirstPredefined || low > kLastPredefined) return false;
  // Our constants are zero-extended; the real handles are the sign-extended
  // LONG values (0xFFFFFFFF8000000x on 64-bit). Both name the same root.
  const auto signExtended = static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<LONG>(low)));
  return key == low || key == signExtended;
}

HKEY ToHkey(RegKey key) noexcept {
  if (key == 0) return nullptr;
  if (IsPredefinedKey(key)) {
    const auto low = static_cast<std::uint32_t>(key);
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(low)));
  }
  return reinterpret_cast<HKEY>(key);
}

}  // namespace velmora::win32
