#include "platform/win32/dialogs/attachments_view.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/trap.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/dialogs/dialog_ids.h"

namespace velmora::win32 {

namespace {

using C = AttControl;
constexpr std::pair<int, C> kControls[] = {
    {IDC_ATT_LVFILES, C::lvFiles},           {IDC_ATT_BTNADDFILE, C::btnAddFile},
    {IDC_ATT_BTNADDFOLDER, C::btnAddFolder}, {IDC_ATT_BTNREMOVE, C::btnRemove},
    {IDC_ATT_TXTIGNORE, C::txtIgnore},       {IDC_ATT_BNTADDIGNORE, C::bntAddIgnore},
    {IDC_ATT_CHKIGNORE, C::chkIgnore},       {IDOK, C::btnOK},
    {IDC_ATT_BTNCANCEL, C::btnCancel},
};

std::wstring ItemText(HWND list, int row, int column) {
  std::wstring buf(1024, L'\0');
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buf.data();
  item.cchTextMax = static_cast<int>(buf.size());
  const auto n = ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(&item));
  buf.resize(static_cast<size_t>(n > 0 ? n : 0));
  return buf;
}

}  // namespace

void AttachmentsView::Run(HWND owner) noexcept {
  RunModal(owner, IDD_ATTACHMENTS);
}

void AttachmentsView::OnInit() {
  namespace t = attachments_text;
  const HWND list = Item(IDC_ATT_LVFILES);
  ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  RECT client{};
  ::GetClientRect(list, &client);
  const int width = client.right - client.left - ::GetSystemMetrics(SM_CXVSCROLL);
  const std::wstring name = Widen(t::kColumnName);
  const std::wstring path = Widen(t::kColumnPath);
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.pszText = const_cast<wchar_t*>(name.c_str());
  col.cx = width * 2 / 5;
  col.iSubItem = 0;
  ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  col.pszText = const_cast<wchar_t*>(path.c_str());
  col.cx = width - width * 2 / 5;
  col.iSubItem = 1;
  ::SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));

  form_.Load();
  // Not centred on the Outlook window: a little below and right of the
  // dialog that opened it, on the screen.
  PlaceOverOwner(false);
  if (form_.State().topMost) MakeTopMost();
  Paint();
}

void AttachmentsView::PaintRows() {
  const HWND list = Item(IDC_ATT_LVFILES);
  const auto& rows = form_.State().rows;
  bool same = static_cast<size_t>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) == rows.size();
  for (size_t i = 0; same && i < rows.size(); ++i)
    same = ItemText(list, static_cast<int>(i), 0) == Widen(rows[i].name) &&
           ItemText(list, static_cast<int>(i), 1) == Widen(rows[i].path);
  if (!same) {
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
      std::wstring name = Widen(rows[i].name);
      std::wstring path = Widen(rows[i].path);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = name.data();
      const auto at = ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      if (at < 0) continue;
      item.iSubItem = 1;
      item.pszText = path.data();
      ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&item));
    }
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const UINT want = rows[i].selected ? LVIS_SELECTED : 0;
    const auto now = static_cast<UINT>(
        ::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED));
    if (now == want) continue;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = want;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

void AttachmentsView::Paint() {
  const Updating quiet(*this);
  const AttachmentsState& s = form_.State();
  PaintRows();
  SetEnabled(IDC_ATT_BTNREMOVE, s.btnRemoveEnabled);
  if (GetText(IDC_ATT_TXTIGNORE) != s.txtIgnore) {
    SetText(IDC_ATT_TXTIGNORE, s.txtIgnore);
    // The model counts the caret in bytes of its UTF-8 text.
    const auto caret = static_cast<WPARAM>(
        Widen(std::string_view(s.txtIgnore).substr(0, std::min(s.ignoreCaret, s.txtIgnore.size())))
            .size());
    ::SendMessageW(Item(IDC_ATT_TXTIGNORE), EM_SETSEL, caret, static_cast<LPARAM>(caret));
  }
  SetChecked(IDC_ATT_CHKIGNORE, s.chkIgnore);
  if (form_.Closed()) Close(IDOK);
}

void AttachmentsView::OnCommand(int id, int code) {
  if (updating()) return;
  if (code == EN_CHANGE && id == IDC_ATT_TXTIGNORE) {
    form_.SetIgnoreText(GetText(id));
  } else if (code == BN_CLICKED) {
    switch (id) {
      case IDC_ATT_BTNADDFILE:
        form_.ClickAddFile();
        break;
      case IDC_ATT_BTNADDFOLDER:
        form_.ClickAddFolder();
        break;
      case IDC_ATT_BTNREMOVE:
        form_.ClickRemove();
        break;
      case IDC_ATT_BNTADDIGNORE:
        form_.ClickAddIgnore();
        break;
      case IDC_ATT_CHKIGNORE:
        form_.SetIgnoreCheck(!form_.State().chkIgnore);
        break;
      case IDOK:
        form_.ClickOk();
        break;
      case IDC_ATT_BTNCANCEL:
        form_.ClickCancel();
        break;
      default:  // IDCANCEL, from Escape: this dialog's Cancel is not bound to it
        return;
    }
  } else {
    return;
  }
  Paint();
}

LRESULT AttachmentsView::OnNotify(const NMHDR& nm) {
  if (nm.idFrom != IDC_ATT_LVFILES || nm.code != LVN_ITEMCHANGED || updating()) return 0;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(nm);
  if (!(change.uChanged & LVIF_STATE) ||
      ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) == 0)
    return 0;
  const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
  if (change.iItem >= 0) {
    form_.SetSelected(static_cast<size_t>(change.iItem), selected);
  } else {
    // -1: the change applies to every row.
    for (size_t i = 0; i < form_.State().rows.size(); ++i)
      form_.SetSelected(i, selected);
  }
  Paint();
  return 0;
}

void AttachmentsView::OnCloseBox() {
  form_.ClickCancel();
  Paint();
}

void AttachmentsView::OnFocusMoved(int id) {
  const auto control = ControlOfId(kControls, id);
  if (!control) return;
  form_.SetFocus(*control);
  Paint();
}

}  // namespace velmora::win32
