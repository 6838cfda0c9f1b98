// The attachments dialog (frmAttachments) as a form model: the attachment
// sources of g_EditProps as list rows, and the shared ignore list as text.
// The rows are the working copy; the record and the ignore list change only
// on OK.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "addin/dialogs/dialog_services.h"

namespace velmora {

namespace attachments_text {
inline constexpr const char* kCaption = "Attachments";
inline constexpr const char* kLabel2 = "Attachments:";
inline constexpr const char* kColumnName = "Name";
inline constexpr const char* kColumnPath = "Path";
inline constexpr const char* kBtnAddFile = "Add File";
inline constexpr const char* kBtnAddFolder = "Add Folder";
inline constexpr const char* kBtnRemove = "Remove";
inline constexpr const char* kFrame1 = "Folder Options";
inline constexpr const char* kLabel1 =
    "Ignore file(s). When entering more than one file use commas:\n";
inline constexpr const char* kBntAddIgnore = "...";
// Shown with a single ampersand.
inline constexpr const char* kChkIgnore = "Ignore System && Hidden Files";
inline constexpr const char* kBtnOK = "Ok";
inline constexpr const char* kBtnCancel = "Cancel";
// The display name of a folder entry (a path ending in "\").
inline constexpr const char* kFolderName = "<LastModificated>";
// The file dialog's title and its one filter.
inline constexpr const char* kOpenFileTitle = "Open File";
inline constexpr const char* kFilterName = "All Files (*.*)";
inline constexpr const char* kFilterPattern = "*.*";
}  // namespace attachments_text

enum class AttControl {
  lvFiles,
  btnAddFile,
  btnAddFolder,
  btnRemove,
  txtIgnore,
  bntAddIgnore,
  chkIgnore,
  btnOK,
  btnCancel,
};

enum class AttachmentsOutcome { Open, Accepted, Cancelled };

struct AttachmentRow {
  std::string name;  // first column
  std::string path;  // second column
  bool selected = false;
};

struct AttachmentsState {
  std::vector<AttachmentRow> rows;
  bool btnRemoveEnabled = false;
  std::string txtIgnore;
  std::size_t ignoreCaret = 0;  // in bytes, after the last character when set by the model
  bool chkIgnore = false;
  bool topMost = false;
  AttControl focus = AttControl::lvFiles;
  AttachmentsOutcome outcome = AttachmentsOutcome::Open;
};

// The name shown for a source: the part after the last "\" (a "/" read as
// "\"), the whole text when it has none, "<LastModificated>" for a folder.
std::string DisplayName(std::string_view path);

class frmAttachments {
 public:
  void Load();
  const AttachmentsState& State() const { return state_; }
  bool Closed() const { return state_.outcome != AttachmentsOutcome::Open; }

  // The user's actions. Leaving txtIgnore normalises its text.
  void SetFocus(AttControl control);
  void ClickAddFile();
  void ClickAddFolder();
  void ClickRemove();
  // A row selected or deselected (by click or keyboard).
  void SetSelected(std::size_t row, bool selected);
  void ClickAddIgnore();
  void SetIgnoreText(std::string_view text);
  void SetIgnoreCheck(bool checked);
  void ClickOk();
  void ClickCancel();

 private:
  void AddRow(const std::string& path);
  void UpdateRemoveButton();
  void NormaliseIgnoreText();

  AttachmentsState state_;
};

}  // namespace velmora
