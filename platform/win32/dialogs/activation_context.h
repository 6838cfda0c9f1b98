// The version 6 common controls for the dialogs of a DLL. Outlook's own
// manifest decides which comctl32 the process gets; without a context of our
// own the date pickers and the list view would be the old 5.x controls. The
// context is built once from the manifest resource of the module that holds
// the dialogs and is activated around each dialog.
#pragma once

#include <windows.h>

namespace velmora::win32 {

// The module that holds the dialog templates (the DLL, or a test exe).
HMODULE DialogModule() noexcept;

// Activates the dialogs' context for a scope and registers the v6 classes
// inside it. When the context cannot be made, the dialogs still open with
// whatever controls the process has.
class ScopedDialogContext {
 public:
  ScopedDialogContext() noexcept;
  ~ScopedDialogContext();
  ScopedDialogContext(const ScopedDialogContext&) = delete;
  ScopedDialogContext& operator=(const ScopedDialogContext&) = delete;

  bool active() const noexcept { return cookie_ != 0; }

 private:
  ULONG_PTR cookie_ = 0;
};

}  // namespace velmora::win32
