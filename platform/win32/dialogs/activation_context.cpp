#include "platform/win32/dialogs/activation_context.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/dialogs/dialog_ids.h"

namespace velmora::win32 {

HMODULE DialogModule() noexcept {
  HMODULE module = nullptr;
  // An address inside this code names the module; inside Outlook module 0
  // would be OUTLOOK.EXE, which has no such templates.
  const auto anchor = reinterpret_cast<LPCWSTR>(&DialogModule);
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          anchor, &module))
    return nullptr;
  return module;
}

namespace {

class Context {
 public:
  Context() noexcept {
    const HMODULE module = DialogModule();
    if (!module) return;
    std::wstring file(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = ::GetModuleFileNameW(module, file.data(), static_cast<DWORD>(file.size()));
      if (n == 0) return;
      if (n < file.size()) {
        file.resize(n);
        break;
      }
      if (file.size() >= 32768) return;
      file.resize(file.size() * 2);
    }
    ACTCTXW ctx{};
    ctx.cbSize = sizeof ctx;
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.hModule = module;
    ctx.lpSource = file.c_str();
    ctx.lpResourceName = MAKEINTRESOURCEW(IDR_DIALOGS_MANIFEST);
    handle_ = ::CreateActCtxW(&ctx);
  }
  ~Context() {
    if (handle_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(handle_);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  HANDLE get() const noexcept { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

HANDLE TheContext() noexcept {
  static const Context context;
  return context.get();
}

}  // namespace

ScopedDialogContext::ScopedDialogContext() noexcept {
  const HANDLE ctx = TheContext();
  if (ctx != INVALID_HANDLE_VALUE && !::ActivateActCtx(ctx, &cookie_)) cookie_ = 0;
  // Registers the classes of whichever comctl32 the active context names.
  INITCOMMONCONTROLSEX icc{
      sizeof icc, ICC_DATE_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&icc);
}

ScopedDialogContext::~ScopedDialogContext() {
  if (cookie_ != 0) ::DeactivateActCtx(0, cookie_);
}

}  // namespace velmora::win32
