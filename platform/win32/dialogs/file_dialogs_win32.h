// The system's two pickers as the attachments dialog asks for them: one file,
// or one file-system folder. Each returns the chosen path, or empty text when
// the user cancels or the picker fails (the failure is logged).
#pragma once

#include <windows.h>

#include <string>

namespace velmora::win32 {

std::string OpenFileDialogW32(HWND owner) noexcept;
std::string OpenFolderDialogW32(HWND owner) noexcept;

// The shell's default action on a file ("open" for a help file), owned by a
// window, with no parameters, started in C:\ in a normal window. The outcome
// is not examined: a missing viewer is the shell's to report.
void ShellOpenFile(HWND owner, const std::string& file) noexcept;

}  // namespace velmora::win32
