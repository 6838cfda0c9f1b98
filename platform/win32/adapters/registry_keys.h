// How a RegKey of the registry port becomes an HKEY: our root constants are
// the 32-bit numbers, the real predefined keys are sign-extended on 64-bit.
#pragma once

#include <windows.h>

#include "common/registry_backend.h"

namespace velmora::win32 {

// The predefined key for a root constant (or for the real predefined value),
// otherwise the open handle itself; null for 0.
HKEY ToHkey(RegKey key) noexcept;
// True for the root constants and the predefined handles they map to.
bool IsPredefinedKey(RegKey key) noexcept;

}  // namespace velmora::win32
