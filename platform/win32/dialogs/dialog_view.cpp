#include "platform/win32/dialogs/dialog_view.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/trap.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/dialogs/activation_context.h"

namespace velmora::win32 {

namespace {

// Posted from WM_INITDIALOG so the observer runs inside the modal loop.
constexpr UINT kObserve = WM_APP + 0x3F0;
// Posted when a control reports that it got the focus.
constexpr UINT kSyncFocus = WM_APP + 0x3F1;

std::vector<HWND>& OpenDialogs() {
  static thread_local std::vector<HWND> open;
  return open;
}

DialogObserver& Observer() {
  static DialogObserver observer;
  return observer;
}

}  // namespace

void SetDialogObserver(DialogObserver observer) {
  Observer() = std::move(observer);
}

HWND DialogView::TopDialog() noexcept {
  const auto& open = OpenDialogs();
  return open.empty() ? nullptr : open.back();
}

INT_PTR DialogView::RunModal(HWND owner, int templateId) noexcept {
  templateId_ = templateId;
  closing_ = false;
  const ScopedDialogContext context;
  const INT_PTR r = ::DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(templateId), owner, Proc,
                                      reinterpret_cast<LPARAM>(this));
  if (hwnd_) {
    auto& open = OpenDialogs();
    std::erase(open, hwnd_);
  }
  hwnd_ = nullptr;
  return r;
}

INT_PTR CALLBACK DialogView::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, l);
    reinterpret_cast<DialogView*>(l)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<DialogView*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self || self->hwnd_ != hwnd) return FALSE;
  INT_PTR result = FALSE;
  Firewall("DialogView.WindowProc", [&] { result = self->Handle(msg, w, l); });
  return result;
}

INT_PTR DialogView::Handle(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_INITDIALOG: {
      OpenDialogs().push_back(hwnd_);
      {
        const Updating quiet(*this);
        Trap(LogName(), [this] { OnInit(); });
      }
      if (Observer()) ::PostMessageW(hwnd_, kObserve, 0, 0);
      return TRUE;
    }
    case kObserve:
      // The modal loop shows the dialog only once it is idle; an observer
      // acts on it as the user sees it.
      ::ShowWindow(hwnd_, SW_SHOW);
      ::UpdateWindow(hwnd_);
      if (Observer()) Observer()(templateId_, hwnd_);
      return TRUE;
    case kSyncFocus:
      syncPosted_ = false;
      if (!closing_ && !syncing_) {
        syncing_ = true;
        OnFocusMoved(FocusedId());
        syncing_ = false;
      }
      return TRUE;
    case WM_COMMAND:
      if (closing_) return TRUE;
      switch (HIWORD(w)) {
        case EN_SETFOCUS:
        case CBN_SETFOCUS:
        case BN_SETFOCUS:
          PostFocusSync();
          break;
        default:
          break;
      }
      OnCommand(LOWORD(w), HIWORD(w));
      return TRUE;
    case WM_NOTIFY: {
      if (closing_) return FALSE;
      if (reinterpret_cast<const NMHDR*>(l)->code == static_cast<UINT>(NM_SETFOCUS))
        PostFocusSync();
      const LRESULT r = OnNotify(*reinterpret_cast<const NMHDR*>(l));
      ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, r);
      return TRUE;
    }
    case WM_CLOSE:
      if (!closing_) OnCloseBox();
      return TRUE;
    default: {
      LRESULT r = 0;
      if (!OnMessage(msg, w, l, r)) return FALSE;
      // The colour messages return their brush itself.
      if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(r);
      ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, r);
      return TRUE;
    }
  }
}

void DialogView::PostFocusSync() noexcept {
  if (syncPosted_ || syncing_) return;
  syncPosted_ = ::PostMessageW(hwnd_, kSyncFocus, 0, 0) != FALSE;
}

void DialogView::Close(INT_PTR result) noexcept {
  if (closing_) return;
  closing_ = true;
  ::EndDialog(hwnd_, result);
}

void DialogView::SetText(int id, std::string_view text) noexcept {
  Ignore([&] {
    if (GetText(id) == text) return;
    ::SetWindowTextW(Item(id), Widen(text).c_str());
  });
}

std::string DialogView::GetText(int id) const {
  const HWND h = Item(id);
  const int n = ::GetWindowTextLengthW(h);
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  const int got = ::GetWindowTextW(h, buf.data(), n + 1);
  buf.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return Narrow(buf);
}

void DialogView::SetChecked(int id, bool checked) noexcept {
  const WPARAM state = checked ? BST_CHECKED : BST_UNCHECKED;
  if (static_cast<WPARAM>(::SendMessageW(Item(id), BM_GETCHECK, 0, 0)) != state)
    ::SendMessageW(Item(id), BM_SETCHECK, state, 0);
}

bool DialogView::IsChecked(int id) const noexcept {
  return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogView::SetEnabled(int id, bool enabled) noexcept {
  const HWND h = Item(id);
  if ((::IsWindowEnabled(h) != FALSE) == enabled) return;
  // A control that is switched off while it has the focus would leave the
  // keyboard nowhere; the next control takes it.
  if (!enabled && ::GetFocus() == h) ::SendMessageW(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
  ::EnableWindow(h, enabled);
}

void DialogView::SetVisible(int id, bool visible) noexcept {
  const HWND h = Item(id);
  // The control's own flag: before the dialog shows, every child counts as
  // invisible to IsWindowVisible.
  const bool shown = (::GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown == visible) return;
  ::ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
}

void DialogView::LimitText(int id, int chars) noexcept {
  ::SendMessageW(Item(id), EM_LIMITTEXT, static_cast<WPARAM>(chars), 0);
}

void DialogView::CaretToEnd(int id) noexcept {
  const int n = ::GetWindowTextLengthW(Item(id));
  ::SendMessageW(Item(id), EM_SETSEL, static_cast<WPARAM>(n), static_cast<LPARAM>(n));
}

void DialogView::FocusControl(int id) noexcept {
  const HWND h = Item(id);
  if (h && ::GetFocus() != h)
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h), TRUE);
}

int DialogView::FocusedId() const noexcept {
  HWND h = ::GetFocus();
  while (h && ::GetParent(h) != hwnd_)
    h = ::GetParent(h);
  return h ? ::GetDlgCtrlID(h) : 0;
}

void DialogView::SetPicker(int id, DateTime value) noexcept {
  if (GetPicker(id) == value) return;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(value.Year());
  st.wMonth = static_cast<WORD>(value.Month());
  st.wDay = static_cast<WORD>(value.Day());
  st.wDayOfWeek = static_cast<WORD>(value.Weekday() - 1);
  st.wHour = static_cast<WORD>(value.Hour());
  st.wMinute = static_cast<WORD>(value.Minute());
  st.wSecond = static_cast<WORD>(value.Second());
  ::SendMessageW(Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

DateTime DialogView::GetPicker(int id) const noexcept {
  SYSTEMTIME st{};
  if (::SendMessageW(Item(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID)
    return {};
  return DateTime::TryFromParts(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond)
      .value_or(DateTime{});
}

void DialogView::SetPickerFormat(int id, std::string_view format) noexcept {
  Ignore([&] {
    const std::wstring f = Widen(format);
    ::SendMessageW(Item(id), DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(f.c_str()));
  });
}

void DialogView::FillCombo(int id, const char* const* items, const long* data, int count) noexcept {
  const HWND h = Item(id);
  ::SendMessageW(h, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count; ++i) {
    Ignore([&] {
      const std::wstring text = Widen(items[i]);
      const LRESULT at = ::SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      if (at >= 0)
        ::SendMessageW(h, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(data[i]));
    });
  }
}

void DialogView::SetComboIndex(int id, int index) noexcept {
  if (GetComboIndex(id) != index)
    ::SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int DialogView::GetComboIndex(int id) const noexcept {
  return static_cast<int>(::SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

void DialogView::MakeTopMost() noexcept {
  ::SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DialogView::WindowSizeTwips(double& width, double& height) const noexcept {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  width = (r.right - r.left) * TwipsPerPixelX();
  height = (r.bottom - r.top) * TwipsPerPixelY();
}

void DialogView::ScreenSizeTwips(double& width, double& height) noexcept {
  width = ::GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixelX();
  height = ::GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixelY();
}

void DialogView::MoveToTwips(double left, double top) noexcept {
  const int x = static_cast<int>(left / TwipsPerPixelX());
  const int y = static_cast<int>(top / TwipsPerPixelY());
  ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogView::PlaceOverOwner(bool centred) noexcept {
  const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  if (!owner) return;
  RECT o{};
  RECT me{};
  ::GetWindowRect(owner, &o);
  ::GetWindowRect(hwnd_, &me);
  const int w = me.right - me.left;
  const int h = me.bottom - me.top;
  int x = centred ? o.left + ((o.right - o.left) - w) / 2 : o.left + 24;
  int y = centred ? o.top + ((o.bottom - o.top) - h) / 2 : o.top + 24;
  x = std::max(0, std::min(x, ::GetSystemMetrics(SM_CXSCREEN) - w));
  y = std::max(0, std::min(y, ::GetSystemMetrics(SM_CYSCREEN) - h));
  ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace velmora::win32
