#include "addin/dialogs/frm_attachments.h"

#include <algorithm>

#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/globals.h"
#include "common/host_error.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora {

namespace t = attachments_text;

std::string DisplayName(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '/') c = '\\';
  if (!p.empty() && p.back() == '\\') return t::kFolderName;
  const std::size_t slash = p.rfind('\\');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

void frmAttachments::Load() {
  Trap("frmAttachments.Form_Load", [&] {
    for (const std::string& entry : Need(g_EditProps).m_collAttachments)
      state_.rows.push_back({DisplayName(entry), entry, false});
    state_.btnRemoveEnabled = false;
    const CIgnoreList& ignore = Need(g_IgnoreList);
    state_.txtIgnore = ignore.ToString();
    state_.ignoreCaret = state_.txtIgnore.size();
    state_.chkIgnore = ignore.IgnoreSysHiden();
    state_.topMost = g_TopMost;
  });
}

void frmAttachments::SetFocus(AttControl control) {
  if (control == state_.focus) return;
  if (state_.focus == AttControl::txtIgnore) NormaliseIgnoreText();
  state_.focus = control;
}

void frmAttachments::AddRow(const std::string& path) {
  // A path the record's text form cannot hold would cost the whole schedule
  // when the mail is saved: refused here, where the user can still choose.
  if (const auto problem = CMailProps::AttachmentEntryProblem(path)) {
    DialogMessage(*problem, mb::kOkOnly);
    return;
  }
  state_.rows.push_back({DisplayName(path), path, false});
}

void frmAttachments::ClickAddFile() {
  Trap("frmAttachments.btnAddFile_Click", [&] {
    SetFocus(AttControl::btnAddFile);
    const std::string path = ThePickers().OpenFileDialog();
    if (!path.empty()) AddRow(path);
  });
}

void frmAttachments::ClickAddFolder() {
  Trap("frmAttachments.btnAddFolder_Click", [&] {
    SetFocus(AttControl::btnAddFolder);
    std::string path = ThePickers().OpenFolderDialog();
    if (path.empty()) return;
    // A folder entry ends in "\": the newest file is looked up at sending time.
    if (path.back() == '/')
      path.back() = '\\';
    else if (path.back() != '\\')
      path += '\\';
    AddRow(path);
  });
}

void frmAttachments::ClickRemove() {
  Trap("frmAttachments.btnRemove_Click", [&] {
    SetFocus(AttControl::btnRemove);
    for (std::size_t i = state_.rows.size(); i-- > 0;)
      if (state_.rows[i].selected)
        state_.rows.erase(state_.rows.begin() + static_cast<std::ptrdiff_t>(i));
    state_.btnRemoveEnabled = false;
  });
}

void frmAttachments::SetSelected(std::size_t row, bool selected) {
  Trap("frmAttachments.lvFiles_Click", [&] {
    if (row >= state_.rows.size()) return;
    state_.rows[row].selected = selected;
    UpdateRemoveButton();
  });
}

void frmAttachments::UpdateRemoveButton() {
  bool any = false;
  for (const AttachmentRow& r : state_.rows)
    any = any || r.selected;
  state_.btnRemoveEnabled = any;
}

void frmAttachments::ClickAddIgnore() {
  Trap("frmAttachments.bntAddIgnore_Click", [&] {
    SetFocus(AttControl::bntAddIgnore);
    const std::string path = ThePickers().OpenFileDialog();
    if (path.empty()) return;
    // The shared list changes only on OK: a scratch list does the formatting.
    CIgnoreList scratch;
    scratch.FromString(state_.txtIgnore);
    scratch.Add(Trim(DisplayName(path)));
    state_.txtIgnore = scratch.ToString();
    state_.ignoreCaret = state_.txtIgnore.size();
  });
}

void frmAttachments::SetIgnoreText(std::string_view text) {
  state_.txtIgnore = std::string(text);
  state_.ignoreCaret = std::min(state_.ignoreCaret, state_.txtIgnore.size());
}

void frmAttachments::NormaliseIgnoreText() {
  Ignore([&] {
    CIgnoreList scratch;
    scratch.FromString(state_.txtIgnore);
    state_.txtIgnore = scratch.ToString();
    state_.ignoreCaret = state_.txtIgnore.size();
  });
}

void frmAttachments::SetIgnoreCheck(bool checked) {
  state_.chkIgnore = checked;
}

void frmAttachments::ClickOk() {
  Trap("frmAttachments.btnOK_Click", [&] {
    SetFocus(AttControl::btnOK);
    CMailProps& props = Need(g_EditProps);
    props.m_collAttachments.clear();
    for (const AttachmentRow& r : state_.rows)
      props.m_collAttachments.push_back(r.path);
    CIgnoreList& ignore = Need(g_IgnoreList);
    ignore.FromString(state_.txtIgnore);
    ignore.SetIgnoreSysHiden(state_.chkIgnore);
    ignore.Save();
    state_.outcome = AttachmentsOutcome::Accepted;
  });
}

void frmAttachments::ClickCancel() {
  state_.outcome = AttachmentsOutcome::Cancelled;
}

}  // namespace velmora
