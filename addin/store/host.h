// The host object model the engine drives: abstract classes shaped like the
// mail host's automation objects (application, folders, items, windows,
// command bars, send/receive groups) and the safe-send library. The Windows
// adapter is a thin late-bound call per member; the standalone host
// implements them over its own store. An absent object is an empty pointer,
// which callers check (Need) before use.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "addin/store/events.h"
#include "common/datetime.h"

namespace velmora::host {

// The host's enumeration values, used as plain numbers.
namespace ol {
inline constexpr int kFolderDeletedItems = 3;
inline constexpr int kFolderOutbox = 4;
inline constexpr int kFolderSentMail = 5;
inline constexpr int kFolderInbox = 6;
inline constexpr int kFolderDrafts = 16;  // also the type of a new mail folder

inline constexpr int kMailItem = 0;  // CreateItem / Items.Add / DefaultItemType
inline constexpr int kAppointmentItem = 1;
inline constexpr int kContactItem = 2;

inline constexpr int kClassFolder = 2;
inline constexpr int kClassAppointment = 26;
inline constexpr int kClassExplorer = 34;
inline constexpr int kClassInspector = 35;
inline constexpr int kClassContact = 40;
inline constexpr int kClassMail = 43;
inline constexpr int kClassOutlookBarPane = 63;
inline constexpr int kClassOutlookBarStorage = 64;
inline constexpr int kClassOutlookBarGroups = 65;
inline constexpr int kClassOutlookBarGroup = 66;
inline constexpr int kClassOutlookBarShortcuts = 67;
inline constexpr int kClassOutlookBarShortcut = 68;

inline constexpr int kText = 1;  // user property types
inline constexpr int kNumber = 3;
inline constexpr int kDateTime = 5;
inline constexpr int kYesNo = 6;

inline constexpr int kTableView = 0;
inline constexpr int kViewSaveThisFolderEveryone = 0;

inline constexpr int kEditorText = 1;
inline constexpr int kEditorHtml = 2;
inline constexpr int kEditorRtf = 3;
inline constexpr int kEditorWord = 4;

inline constexpr int kSave = 0;  // Inspector.Close
inline constexpr int kDiscard = 1;
inline constexpr int kPromptForSave = 2;

inline constexpr int kSyncStopped = 0;
inline constexpr int kSyncStarted = 1;

inline constexpr int kImportanceLow = 0;
inline constexpr int kImportanceNormal = 1;
inline constexpr int kImportanceHigh = 2;
}  // namespace ol

// Office command bar values.
namespace mso {
inline constexpr int kControlButton = 1;
inline constexpr int kControlPopup = 10;
inline constexpr int kButtonIconAndCaption = 3;
inline constexpr int kBarLeft = 0;
inline constexpr int kBarTop = 1;
inline constexpr int kAnyCustomControl = 1;  // FindControl id of custom controls
}  // namespace mso

// A property value as the host hands it over.
using Value = std::variant<std::monostate, std::string, DateTime, double, std::int32_t, bool>;
// The host's conversions: a value to text (dates in regional settings), and
// to a date-time (raises error 13 when it is not one).
std::string ValueToText(const Value& v);
DateTime ValueToDate(const Value& v);

class Application;
class NameSpace;
class Folder;
class Folders;
class Items;
class MailItem;
class Attachments;
class Attachment;
class UserProperties;
class UserProperty;
class Inspectors;
class Inspector;
class Explorers;
class Explorer;
class Selection;
class Panes;
class OutlookBarPane;
class OutlookBarStorage;
class OutlookBarGroups;
class OutlookBarGroup;
class OutlookBarShortcuts;
class OutlookBarShortcut;
class Views;
class View;
class SyncObjects;
class SyncObject;
class CommandBars;
class CommandBar;
class CommandBarControls;
class CommandBarControl;
class COMAddIns;
class COMAddIn;
class SafeMailItem;
class SafeRecipients;

using ApplicationPtr = std::shared_ptr<Application>;
using NameSpacePtr = std::shared_ptr<NameSpace>;
using FolderPtr = std::shared_ptr<Folder>;
using FoldersPtr = std::shared_ptr<Folders>;
using ItemsPtr = std::shared_ptr<Items>;
using MailItemPtr = std::shared_ptr<MailItem>;
using AttachmentsPtr = std::shared_ptr<Attachments>;
using AttachmentPtr = std::shared_ptr<Attachment>;
using UserPropertiesPtr = std::shared_ptr<UserProperties>;
using UserPropertyPtr = std::shared_ptr<UserProperty>;
using InspectorsPtr = std::shared_ptr<Inspectors>;
using InspectorPtr = std::shared_ptr<Inspector>;
using ExplorersPtr = std::shared_ptr<Explorers>;
using ExplorerPtr = std::shared_ptr<Explorer>;
using SelectionPtr = std::shared_ptr<Selection>;
using PanesPtr = std::shared_ptr<Panes>;
using OutlookBarPanePtr = std::shared_ptr<OutlookBarPane>;
using OutlookBarStoragePtr = std::shared_ptr<OutlookBarStorage>;
using OutlookBarGroupsPtr = std::shared_ptr<OutlookBarGroups>;
using OutlookBarGroupPtr = std::shared_ptr<OutlookBarGroup>;
using OutlookBarShortcutsPtr = std::shared_ptr<OutlookBarShortcuts>;
using OutlookBarShortcutPtr = std::shared_ptr<OutlookBarShortcut>;
using ViewsPtr = std::shared_ptr<Views>;
using ViewPtr = std::shared_ptr<View>;
using SyncObjectsPtr = std::shared_ptr<SyncObjects>;
using SyncObjectPtr = std::shared_ptr<SyncObject>;
using CommandBarsPtr = std::shared_ptr<CommandBars>;
using CommandBarPtr = std::shared_ptr<CommandBar>;
using CommandBarControlsPtr = std::shared_ptr<CommandBarControls>;
using CommandBarControlPtr = std::shared_ptr<CommandBarControl>;
using COMAddInsPtr = std::shared_ptr<COMAddIns>;
using COMAddInPtr = std::shared_ptr<COMAddIn>;
using SafeMailItemPtr = std::shared_ptr<SafeMailItem>;
using SafeRecipientsPtr = std::shared_ptr<SafeRecipients>;

// Collections are 1-based, as the host's are.

class Application {
 public:
  virtual ~Application() = default;
  virtual NameSpacePtr Session() = 0;
  virtual NameSpacePtr GetNamespace(const std::string& type) = 0;
  // "9.0.0.2711" on the oldest host, "10.…" and later on newer ones.
  virtual std::string Version() = 0;
  virtual ExplorerPtr ActiveExplorer() = 0;
  virtual InspectorPtr ActiveInspector() = 0;
  virtual ExplorersPtr Explorers() = 0;
  virtual InspectorsPtr Inspectors() = 0;
  virtual MailItemPtr CreateItem(int itemType) = 0;
  virtual COMAddInsPtr COMAddIns() = 0;
  // Raised when the user sends a mail with the host's own Send command.
  virtual SubscriptionPtr OnItemSend(std::function<void(MailItemPtr item, bool& cancel)> h) = 0;
};

class NameSpace {
 public:
  virtual ~NameSpace() = default;
  virtual FolderPtr GetDefaultFolder(int folderType) = 0;
  virtual SyncObjectsPtr SyncObjects() = 0;
  // Nothing when no item has that entry id.
  virtual MailItemPtr GetItemFromID(const std::string& entryId) = 0;
};

class Folder {
 public:
  virtual ~Folder() = default;
  virtual int Class() = 0;  // 2
  virtual std::string Name() = 0;
  virtual std::string EntryID() = 0;
  // The parent folder; nothing for the store's root (whose parent is not a folder).
  virtual FolderPtr Parent() = 0;
  virtual FoldersPtr Folders() = 0;
  virtual ItemsPtr Items() = 0;
  virtual std::string FolderPath() = 0;
  // Raises on hosts older than the view interface.
  virtual ViewsPtr Views() = 0;
  // What the folder holds: ol::kMailItem, kAppointmentItem, kContactItem.
  virtual int DefaultItemType() = 0;
  // The earliest value of the date-time user property `name` among the
  // folder's mail items (class 43), for a host that can tell it without a
  // walk over the items: sets `earliest` (nothing when no mail carries the
  // property) and returns true. The host's own object model cannot, and
  // returns false: the caller then walks the items.
  virtual bool EarliestMailDate(const std::string& /*name*/,
                                std::optional<DateTime>& /*earliest*/) {
    return false;
  }
};

class Folders {
 public:
  virtual ~Folders() = default;
  virtual int Count() = 0;
  virtual FolderPtr Item(int index) = 0;
  virtual FolderPtr Add(const std::string& name, int folderType) = 0;
};

class Items {
 public:
  virtual ~Items() = default;
  virtual int Count() = 0;
  virtual MailItemPtr Item(int index) = 0;
  virtual MailItemPtr Add(int itemType) = 0;
};

// Any item of a folder; Class() tells its kind, and the mail members serve
// for class 43. Changes stay in the object until Save, Move or Copy.
class MailItem {
 public:
  virtual ~MailItem() = default;
  virtual int Class() = 0;
  virtual std::string EntryID() = 0;
  virtual std::string Subject() = 0;
  virtual void SetSubject(const std::string& v) = 0;
  virtual std::string Body() = 0;
  virtual void SetBody(const std::string& v) = 0;
  virtual std::string To() = 0;
  virtual void SetTo(const std::string& v) = 0;
  virtual std::string CC() = 0;
  virtual void SetCC(const std::string& v) = 0;
  virtual std::string BCC() = 0;
  virtual void SetBCC(const std::string& v) = 0;
  virtual int Importance() = 0;
  virtual void SetImportance(int v) = 0;
  virtual bool Sent() = 0;
  virtual FolderPtr Parent() = 0;
  virtual void Display() = 0;
  virtual void Save() = 0;
  // A new stored item in the same folder, user properties included.
  virtual MailItemPtr Copy() = 0;
  // Moves the item; the caller goes on with the item returned.
  virtual MailItemPtr Move(FolderPtr destination) = 0;
  virtual void Delete() = 0;
  virtual void Close(int saveMode) = 0;
  virtual AttachmentsPtr Attachments() = 0;
  virtual UserPropertiesPtr UserProperties() = 0;
};

class Attachments {
 public:
  virtual ~Attachments() = default;
  virtual int Count() = 0;
  virtual AttachmentPtr Item(int index) = 0;
  // Embeds the file now (type and position left to the host).
  virtual AttachmentPtr Add(const std::string& sourcePath, const std::string& displayName) = 0;
};

class Attachment {
 public:
  virtual ~Attachment() = default;
  virtual std::string DisplayName() = 0;
  virtual std::string FileName() = 0;
  virtual std::int64_t Size() = 0;
};

class UserProperties {
 public:
  virtual ~UserProperties() = default;
  virtual int Count() = 0;
  virtual UserPropertyPtr Item(int index) = 0;
  // Nothing when the item has no property of that name.
  virtual UserPropertyPtr Find(const std::string& name) = 0;
  virtual UserPropertyPtr Add(const std::string& name, int type) = 0;
};

class UserProperty {
 public:
  virtual ~UserProperty() = default;
  virtual std::string Name() = 0;
  virtual int Type() = 0;
  virtual Value GetValue() = 0;
  virtual void SetValue(const Value& v) = 0;
  virtual void Delete() = 0;
};

class Inspectors {
 public:
  virtual ~Inspectors() = default;
  virtual int Count() = 0;
  virtual InspectorPtr Item(int index) = 0;
  virtual SubscriptionPtr OnNewInspector(std::function<void(InspectorPtr)> h) = 0;
};

class Inspector {
 public:
  virtual ~Inspector() = default;
  virtual MailItemPtr CurrentItem() = 0;
  virtual CommandBarsPtr CommandBars() = 0;
  virtual void Close(int saveMode) = 0;
  virtual bool IsWordMail() = 0;
  virtual int EditorType() = 0;
  virtual int Left() = 0;
  virtual int Top() = 0;
  virtual int Width() = 0;
  virtual int Height() = 0;
};

class Explorers {
 public:
  virtual ~Explorers() = default;
  virtual int Count() = 0;
  virtual ExplorerPtr Item(int index) = 0;
  virtual SubscriptionPtr OnNewExplorer(std::function<void(ExplorerPtr)> h) = 0;
};

class Explorer {
 public:
  virtual ~Explorer() = default;
  virtual CommandBarsPtr CommandBars() = 0;
  virtual FolderPtr CurrentFolder() = 0;
  virtual void SetCurrentFolder(FolderPtr folder) = 0;
  virtual SelectionPtr Selection() = 0;
  virtual PanesPtr Panes() = 0;
  virtual void Close() = 0;
  virtual int Left() = 0;
  virtual int Top() = 0;
  virtual int Width() = 0;
  virtual int Height() = 0;
  virtual SubscriptionPtr OnClose(std::function<void()> h) = 0;
};

class Selection {
 public:
  virtual ~Selection() = default;
  virtual int Count() = 0;
  virtual MailItemPtr Item(int index) = 0;
};

class Panes {
 public:
  virtual ~Panes() = default;
  virtual int Count() = 0;
  virtual OutlookBarPanePtr Item(int index) = 0;
};

// The navigation pane and its shortcut groups.
class OutlookBarPane {
 public:
  virtual ~OutlookBarPane() = default;
  virtual int Class() = 0;  // 63
  virtual std::string Name() = 0;
  virtual OutlookBarStoragePtr Contents() = 0;
};

class OutlookBarStorage {
 public:
  virtual ~OutlookBarStorage() = default;
  virtual OutlookBarGroupsPtr Groups() = 0;
};

class OutlookBarGroups {
 public:
  virtual ~OutlookBarGroups() = default;
  virtual int Count() = 0;
  virtual OutlookBarGroupPtr Item(int index) = 0;
};

class OutlookBarGroup {
 public:
  virtual ~OutlookBarGroup() = default;
  virtual int Class() = 0;  // 66
  virtual std::string Name() = 0;
  virtual OutlookBarShortcutsPtr Shortcuts() = 0;
};

class OutlookBarShortcuts {
 public:
  virtual ~OutlookBarShortcuts() = default;
  virtual int Count() = 0;
  virtual OutlookBarShortcutPtr Item(int index) = 0;
  virtual void Remove(int index) = 0;
  virtual OutlookBarShortcutPtr Add(FolderPtr target, const std::string& name) = 0;
};

class OutlookBarShortcut {
 public:
  virtual ~OutlookBarShortcut() = default;
  virtual int Class() = 0;  // 68
  virtual std::string Name() = 0;
};

class Views {
 public:
  virtual ~Views() = default;
  virtual int Count() = 0;
  // Nothing when the folder has no view of that name.
  virtual ViewPtr Item(const std::string& name) = 0;
  virtual ViewPtr Add(const std::string& name, int viewType, int saveOption) = 0;
};

class View {
 public:
  virtual ~View() = default;
  virtual std::string Name() = 0;
  virtual std::string Xml() = 0;
  virtual void SetXml(const std::string& xml) = 0;
  virtual void Save() = 0;
  virtual void Apply() = 0;
};

class SyncObjects {
 public:
  virtual ~SyncObjects() = default;
  virtual int Count() = 0;
  virtual SyncObjectPtr Item(int index) = 0;
};

// A send/receive group. Its events arrive from the host's event loop, never
// from inside Start.
class SyncObject {
 public:
  virtual ~SyncObject() = default;
  virtual std::string Name() = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual SubscriptionPtr OnSyncStart(std::function<void()> h) = 0;
  virtual SubscriptionPtr OnProgress(
      std::function<void(int state, const std::string& description, int value, int max)> h) = 0;
  virtual SubscriptionPtr OnError(
      std::function<void(int code, const std::string& description)> h) = 0;
  virtual SubscriptionPtr OnSyncEnd(std::function<void()> h) = 0;
};

// Optional arguments of FindControl and Controls.Add; unset ones are left out.
struct FindControlArgs {
  std::optional<int> type;
  std::optional<int> id;
  std::optional<std::string> tag;
  std::optional<bool> visible;
  std::optional<bool> recursive;
};
struct AddControlArgs {
  std::optional<int> type;
  std::optional<int> id;
  std::optional<std::string> parameter;
  std::optional<int> before;
  std::optional<bool> temporary;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  virtual int Count() = 0;
  // Nothing when there is no bar of that name.
  virtual CommandBarPtr Item(const std::string& name) = 0;
  virtual CommandBarPtr Add(const std::string& name, int position, bool menuBar,
                            bool temporary) = 0;
  virtual CommandBarControlPtr FindControl(const FindControlArgs& args) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string Name() = 0;
  virtual bool Visible() = 0;
  virtual void SetVisible(bool v) = 0;
  virtual CommandBarControlsPtr Controls() = 0;
  virtual CommandBarControlPtr FindControl(const FindControlArgs& args) = 0;
};

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  virtual int Count() = 0;
  virtual CommandBarControlPtr Item(int index) = 0;
  virtual CommandBarControlPtr Add(const AddControlArgs& args) = 0;
};

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
  virtual int Id() = 0;
  virtual int Type() = 0;
  virtual int Index() = 0;
  virtual bool Visible() = 0;
  virtual void SetVisible(bool v) = 0;
  virtual bool BeginGroup() = 0;
  virtual void SetBeginGroup(bool v) = 0;
  virtual std::string Caption() = 0;
  virtual void SetCaption(const std::string& v) = 0;
  virtual std::string Tag() = 0;
  virtual void SetTag(const std::string& v) = 0;
  virtual int FaceId() = 0;
  virtual void SetFaceId(int v) = 0;
  virtual int Style() = 0;
  virtual void SetStyle(int v) = 0;
  virtual void Execute() = 0;
  // A popup's own bar and controls; nothing for a plain button.
  virtual CommandBarPtr CommandBar() = 0;
  virtual CommandBarControlsPtr Controls() = 0;
  virtual void Delete() = 0;
  // The host raises Click on every held reference to a button bearing the
  // same tag, in whichever window it was pressed.
  virtual SubscriptionPtr OnClick(
      std::function<void(CommandBarControlPtr control, bool& cancelDefault)> h) = 0;
};

class COMAddIns {
 public:
  virtual ~COMAddIns() = default;
  virtual int Count() = 0;
  virtual COMAddInPtr Item(int index) = 0;
};

class COMAddIn {
 public:
  virtual ~COMAddIn() = default;
  virtual std::string ProgID() = 0;
  virtual std::string Description() = 0;
  virtual bool Connect() = 0;
  // The add-in object that automation clients reach through the host.
  virtual void SetObject(void* addin) = 0;
  virtual void* Object() = 0;
};

// The safe-send library's wrapper of a mail: sends and reads recipients
// without the host's security prompt.
class SafeMailItem {
 public:
  virtual ~SafeMailItem() = default;
  virtual void SetItem(MailItemPtr item) = 0;
  virtual MailItemPtr Item() = 0;
  // Submits the wrapped item from the Outbox.
  virtual void Send() = 0;
  virtual SafeRecipientsPtr Recipients() = 0;
};

class SafeRecipients {
 public:
  virtual ~SafeRecipients() = default;
  virtual int Count() = 0;
  // True when every recipient resolves.
  virtual bool ResolveAll() = 0;
};

// Creates the outside objects the engine asks for by class name.
class ObjectFactory {
 public:
  virtual ~ObjectFactory() = default;
  // "Redemption.SafeMailItem"; raises error 429 when it cannot be created.
  virtual SafeMailItemPtr CreateSafeMailItem() = 0;
};

}  // namespace velmora::host
