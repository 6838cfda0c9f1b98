// The error numbers the standalone host raises, chosen as the mail host's own
// automation errors read to a caller, so that error traps log familiar texts.
#pragma once

#include <string>

#include "common/host_error.h"

namespace velmora::posix {

namespace store_err {
// E_FAIL: the store could not do what was asked (disk, lock, corrupt file).
inline constexpr long kFailed = -2147467259;
// MAPI_E_NOT_FOUND: the item or folder is no longer where it was.
inline constexpr long kNotFound = -2147221233;
// MAPI_E_COLLISION: a folder of that name already exists there.
inline constexpr long kCollision = -2147219964;
// MAPI_E_NO_RECIPIENTS.
inline constexpr long kNoRecipients = -2147219961;
// DISP_E_BADINDEX.
inline constexpr long kBadIndex = -2147352565;
// E_INVALIDARG.
inline constexpr long kInvalidArgument = -2147024809;
// HRESULT of ERROR_FILE_NOT_FOUND.
inline constexpr long kFileNotFound = -2147024894;
// E_ABORT: a mail held back in the Outbox because it may already have been
// sent (a host died while handing it over).
inline constexpr long kHeldBack = -2147467260;
// The automation error a caller sees for a member the object lacks.
inline constexpr long kNotSupported = 438;
}  // namespace store_err

[[noreturn]] inline void RaiseBadIndex(int index) {
  Raise(store_err::kBadIndex, "Array index out of bounds. (" + std::to_string(index) + ")");
}

[[noreturn]] inline void RaiseMovedOrDeleted() {
  Raise(store_err::kNotFound, "The item has been moved or deleted.");
}

}  // namespace velmora::posix
