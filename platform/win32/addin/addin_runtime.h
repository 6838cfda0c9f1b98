// What the add-in library sets up once per process (the ports, on the first
// connection, on Outlook's UI thread) and the one place the engine's add-in
// object is created.
#pragma once

#include <windows.h>

#include <memory>

#include "addin/connect/connect.h"

namespace velmora::win32 {

// The library's module handle, kept by DllMain.
HMODULE TheModule() noexcept;
void SetModule(HMODULE module) noexcept;

// Installs the OS and add-in ports the first time it is called in the
// process; later calls only renew the per-connection parts (the object
// factory, whose missing-library warning is written once per connection).
void InstallPortsOnce();

// The engine's add-in object. The buttons join here.
std::unique_ptr<Connect> CreateEngineConnect();

}  // namespace velmora::win32
