#include "platform/win32/adapters/system_clock.h"

#include <windows.h>

namespace velmora::win32 {

DateTime Win32Clock::Now() const {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  // Milliseconds are dropped, not rounded: a tick at 9:59:59.7 is still 9:59:59.
  return DateTime::FromParts(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

}  // namespace velmora::win32
