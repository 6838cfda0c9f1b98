// Where the running deliverable's own file lies: the DLL inside Outlook, the
// exe for the tray launcher and the tests. Logs and help sit beside it.
#pragma once

#include <filesystem>

namespace velmora::win32 {

// The full path of the module that contains this code; empty on failure.
std::filesystem::path ModuleFile() noexcept;
// Its folder; empty on failure.
std::filesystem::path ModuleFolder() noexcept;

}  // namespace velmora::win32
