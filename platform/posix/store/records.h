// What the mail store keeps, as plain values: folders, items with their user
// properties and attachments, views and navigation pane shortcuts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/datetime.h"

namespace velmora::posix {

// The name of the store's root folder.
inline constexpr const char* kRootFolderName = "Personal Folders";

// Folder kinds by what they hold (the host's DefaultItemType).
namespace kind {
inline constexpr int kMail = 0;
inline constexpr int kAppointment = 1;
inline constexpr int kContact = 2;
inline constexpr int kTask = 3;
inline constexpr int kJournal = 4;
inline constexpr int kNote = 5;
}  // namespace kind

struct FolderRecord {
  std::int64_t id = 0;
  std::string entryId;
  std::optional<std::int64_t> parentId;  // none for the store's root
  std::string name;
  int itemType = kind::kMail;
  std::optional<int> defaultKind;  // 3, 4, 5, 6, 16 for the default folders
};

// A user property's value as stored: text, number, date-time or yes/no.
using PropValue = std::variant<std::string, double, DateTime, bool>;

struct PropRecord {
  std::string name;
  int type = 1;
  PropValue value;
};

struct AttachmentRecord {
  std::int64_t id = 0;  // 0 until stored
  std::string displayName;
  std::string fileName;
  std::int64_t size = 0;
};

// A new attachment with its bytes, waiting for its item to be saved.
struct NewAttachment {
  std::string displayName;
  std::string fileName;
  std::string bytes;
};

// Where a submitted item stands in its transmission.
namespace transmission {
inline constexpr int kNone = 0;
// Handed to a transport that cannot tell afterwards whether the mail arrived;
// the mark is committed before the hand-over and cleared by its outcome, so
// it outlives only a host that died with the mail on its way.
inline constexpr int kUnderway = 1;
// Found underway by a later send/receive: it may already have been sent, so
// it waits in the Outbox, no longer submitted, for the user to resend it.
inline constexpr int kHeld = 2;
}  // namespace transmission

struct ItemFields {
  int itemClass = 43;
  std::string subject;
  std::string body;
  std::string to;
  std::string cc;
  std::string bcc;
  std::string from;
  int importance = 1;
  bool sent = false;
  bool submitted = false;
  int transmission = transmission::kNone;
  DateTime created;
  DateTime modified;
  std::optional<DateTime> sentTime;
};

struct ItemRecord {
  std::int64_t id = 0;
  std::string entryId;
  std::int64_t folderId = 0;
  ItemFields fields;
  std::vector<PropRecord> props;
  std::vector<AttachmentRecord> attachments;
};

// The fields a save writes; the others keep what the store holds, so that two
// objects of one item that changed different fields lose neither change.
namespace field {
inline constexpr unsigned kSubject = 1u << 0;
inline constexpr unsigned kBody = 1u << 1;
inline constexpr unsigned kTo = 1u << 2;
inline constexpr unsigned kCc = 1u << 3;
inline constexpr unsigned kBcc = 1u << 4;
inline constexpr unsigned kFrom = 1u << 5;
inline constexpr unsigned kImportance = 1u << 6;
}  // namespace field

// One save of an item: a new item when entryId is empty.
struct ItemChanges {
  std::string entryId;
  std::int64_t folderId = 0;  // where a new item goes
  int itemClass = 43;         // of a new item
  unsigned fieldMask = 0;
  ItemFields fields;
  // Properties set (in the order they should appear when new) and removed.
  std::vector<PropRecord> setProps;
  std::vector<std::string> removedProps;
  std::vector<NewAttachment> newAttachments;
};

struct ViewRecord {
  std::int64_t id = 0;
  std::int64_t folderId = 0;
  std::string name;
  int viewType = 0;
  int saveOption = 0;
  std::string xml;
  int applied = 0;
};

struct ShortcutRecord {
  std::int64_t id = 0;
  std::string group;
  std::string name;
  std::string targetEntryId;
};

}  // namespace velmora::posix
