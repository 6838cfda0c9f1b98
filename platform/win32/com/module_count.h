// The add-in library's count of live objects and server locks: the library
// may be unloaded only when nothing it handed out is still held.
#pragma once

namespace velmora::win32 {

void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
long ModuleCount() noexcept;

// Counts one live object for as long as it lives.
class ModuleObject {
 public:
  ModuleObject() noexcept { ModuleAddRef(); }
  ~ModuleObject() { ModuleRelease(); }
  ModuleObject(const ModuleObject&) noexcept { ModuleAddRef(); }
  ModuleObject& operator=(const ModuleObject&) noexcept { return *this; }
};

}  // namespace velmora::win32
