// The folder views and navigation pane shortcuts of the mail store.
#include <string>

#include "platform/posix/store/mail_store.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

ViewRecord ReadView(const sql::Stmt& s) {
  ViewRecord v;
  v.id = s.Int(0);
  v.folderId = s.Int(1);
  v.name = s.Text(2);
  v.viewType = static_cast<int>(s.Int(3));
  v.saveOption = static_cast<int>(s.Int(4));
  v.xml = s.Text(5);
  v.applied = static_cast<int>(s.Int(6));
  return v;
}

}  // namespace

#define VELMORA_VIEW_COLUMNS "id, folder_id, name, view_type, save_option, xml, applied"

std::vector<ViewRecord> MailStore::Views(std::int64_t folderId) {
  sql::Stmt s(*db_, "SELECT " VELMORA_VIEW_COLUMNS " FROM views WHERE folder_id = ? ORDER BY id");
  s.Bind(1, folderId);
  std::vector<ViewRecord> out;
  while (s.Step())
    out.push_back(ReadView(s));
  return out;
}

std::optional<ViewRecord> MailStore::FindView(std::int64_t folderId, const std::string& name) {
  sql::Stmt s(*db_, "SELECT " VELMORA_VIEW_COLUMNS " FROM views WHERE folder_id = ? AND name = ?");
  if (!s.Bind(1, folderId).Bind(2, name).Step()) return std::nullopt;
  return ReadView(s);
}

std::optional<ViewRecord> MailStore::ViewById(std::int64_t viewId) {
  sql::Stmt s(*db_, "SELECT " VELMORA_VIEW_COLUMNS " FROM views WHERE id = ?");
  if (!s.Bind(1, viewId).Step()) return std::nullopt;
  return ReadView(s);
}

ViewRecord MailStore::AddView(std::int64_t folderId, const std::string& name, int viewType,
                              int saveOption, const std::string& xml) {
  sql::WriteTransaction tx(*db_);
  if (FindView(folderId, name))
    Raise(store_err::kCollision, "A view named \"" + name + "\" already exists.");
  sql::Stmt s(*db_,
              "INSERT INTO views(folder_id, name, view_type, save_option, xml) "
              "VALUES(?, ?, ?, ?, ?)");
  s.Bind(1, folderId).Bind(2, name).Bind(3, viewType).Bind(4, saveOption).Bind(5, xml).Run();
  ViewRecord v{db_->LastInsertId(), folderId, name, viewType, saveOption, xml, 0};
  tx.Commit();
  return v;
}

void MailStore::SetViewXml(std::int64_t viewId, const std::string& xml) {
  sql::WriteTransaction tx(*db_);
  sql::Stmt s(*db_, "UPDATE views SET xml = ? WHERE id = ?");
  s.Bind(1, xml).Bind(2, viewId).Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

void MailStore::NoteViewApplied(std::int64_t viewId) {
  sql::WriteTransaction tx(*db_);
  sql::Stmt s(*db_, "UPDATE views SET applied = applied + 1 WHERE id = ?");
  s.Bind(1, viewId).Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

std::vector<ShortcutRecord> MailStore::Shortcuts(const std::string& group) {
  sql::Stmt s(*db_,
              "SELECT id, group_name, name, target FROM shortcuts WHERE group_name = ? "
              "ORDER BY id");
  s.Bind(1, group);
  std::vector<ShortcutRecord> out;
  while (s.Step())
    out.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3)});
  return out;
}

ShortcutRecord MailStore::AddShortcut(const std::string& group, const std::string& name,
                                      const std::string& targetEntryId) {
  sql::WriteTransaction tx(*db_);
  sql::Stmt s(*db_, "INSERT INTO shortcuts(group_name, name, target) VALUES(?, ?, ?)");
  s.Bind(1, group).Bind(2, name).Bind(3, targetEntryId).Run();
  ShortcutRecord r{db_->LastInsertId(), group, name, targetEntryId};
  tx.Commit();
  return r;
}

void MailStore::RemoveShortcut(std::int64_t id) {
  sql::WriteTransaction tx(*db_);
  sql::Stmt s(*db_, "DELETE FROM shortcuts WHERE id = ?");
  s.Bind(1, id).Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

#undef VELMORA_VIEW_COLUMNS

}  // namespace velmora::posix
