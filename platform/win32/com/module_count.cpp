#include "platform/win32/com/module_count.h"

#include <windows.h>

namespace velmora::win32 {

namespace {
// COM may ask DllCanUnloadNow from another thread than the add-in's.
volatile LONG g_count = 0;
}  // namespace

void ModuleAddRef() noexcept {
  ::InterlockedIncrement(&g_count);
}
void ModuleRelease() noexcept {
  ::InterlockedDecrement(&g_count);
}
long ModuleCount() noexcept {
  return ::InterlockedCompareExchange(&g_count, 0, 0);
}

}  // namespace velmora::win32
