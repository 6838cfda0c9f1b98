#include "platform/win32/outlook/outlook_adapters.h"

#include <utility>

#include "common/debug.h"
#include "common/host_error.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/com/event_sink.h"

namespace velmora::win32 {

namespace {

using M = Member;

// Calls on the held object, one line per member.
class Base : public DispatchHolder {
 public:
  using DispatchHolder::DispatchHolder;

 protected:
  std::string Text(M m) const { return ToText(*Read(d_.get(), m).get()); }
  int Int(M m) const { return ToInt(*Read(d_.get(), m).get()); }
  bool Bool(M m) const { return ToBool(*Read(d_.get(), m).get()); }
  ComPtr<IDispatch> Obj(M m, std::initializer_list<Arg> args = {}) const {
    return ToObject(*Read(d_.get(), m, args).get());
  }
  void Do(M m, std::initializer_list<Arg> args = {}) const { Method(d_.get(), m, args); }
  void Set(M m, const Arg& v) const { Put(d_.get(), m, v); }
};

template <class Impl>
std::shared_ptr<Impl> Make(ComPtr<IDispatch> d) {
  if (!d) return nullptr;
  return std::make_shared<Impl>(std::move(d));
}

Arg Optional(const std::optional<int>& v) {
  return v ? Arg(*v) : Arg(kMissing);
}
Arg Optional(const std::optional<bool>& v) {
  return v ? Arg(*v) : Arg(kMissing);
}
Arg Optional(const std::optional<std::string>& v) {
  return v ? Arg(*v) : Arg(kMissing);
}

// Forward declarations of the makers, so classes may hand each other out.
host::NameSpacePtr MakeNameSpace(ComPtr<IDispatch> d);
host::FolderPtr MakeFolder(ComPtr<IDispatch> d);
host::MailItemPtr MakeItem(ComPtr<IDispatch> d);
host::InspectorPtr MakeInspector(ComPtr<IDispatch> d);
host::ExplorerPtr MakeExplorer(ComPtr<IDispatch> d);
host::CommandBarsPtr MakeCommandBars(ComPtr<IDispatch> d);
host::CommandBarPtr MakeCommandBar(ComPtr<IDispatch> d);
host::CommandBarControlsPtr MakeControls(ComPtr<IDispatch> d);
host::CommandBarControlPtr MakeControl(ComPtr<IDispatch> d);
host::SyncObjectPtr MakeSyncObject(ComPtr<IDispatch> d);

// Outlook ---------------------------------------------------------------------

class ApplicationImpl final : public host::Application, public Base {
 public:
  using Base::Base;
  host::NameSpacePtr Session() override { return MakeNameSpace(Obj(M::Application_Session)); }
  host::NameSpacePtr GetNamespace(const std::string& type) override {
    return MakeNameSpace(Obj(M::Application_GetNamespace, {type}));
  }
  std::string Version() override { return Text(M::Application_Version); }
  host::ExplorerPtr ActiveExplorer() override {
    return MakeExplorer(Obj(M::Application_ActiveExplorer));
  }
  host::InspectorPtr ActiveInspector() override {
    return MakeInspector(Obj(M::Application_ActiveInspector));
  }
  host::ExplorersPtr Explorers() override;
  host::InspectorsPtr Inspectors() override;
  host::MailItemPtr CreateItem(int itemType) override {
    return MakeItem(Obj(M::Application_CreateItem, {itemType}));
  }
  host::COMAddInsPtr COMAddIns() override;
  host::SubscriptionPtr OnItemSend(
      std::function<void(host::MailItemPtr item, bool& cancel)> h) override {
    // The oldest interface first: every Outlook from 2000 on has it.
    return Advise(
        d_.get(), {iid::kApplicationEvents, iid::kApplicationEvents10, iid::kApplicationEvents11},
        dispid::kItemSend, "Application.ItemSend", [h = std::move(h)](const EventArgs& a) {
          bool cancel = a.BoolRef(1);
          h(MakeItem(a.Object(0)), cancel);
          if (cancel != a.BoolRef(1)) a.SetBoolRef(1, cancel);
        });
  }
};

class NameSpaceImpl final : public host::NameSpace, public Base {
 public:
  using Base::Base;
  host::FolderPtr GetDefaultFolder(int folderType) override {
    return MakeFolder(Obj(M::NameSpace_GetDefaultFolder, {folderType}));
  }
  host::SyncObjectsPtr SyncObjects() override;
  host::MailItemPtr GetItemFromID(const std::string& entryId) override {
    // Outlook raises for an unknown id; the engine asks for "nothing".
    try {
      return MakeItem(Obj(M::NameSpace_GetItemFromID, {entryId}));
    } catch (const HostError&) {
      return nullptr;
    }
  }
};

class ViewsImpl;
class FoldersImpl;
class ItemsImpl;

class FolderImpl final : public host::Folder, public Base {
 public:
  using Base::Base;
  int Class() override { return Int(M::MAPIFolder_Class); }
  std::string Name() override { return Text(M::MAPIFolder_Name); }
  std::string EntryID() override { return Text(M::MAPIFolder_EntryID); }
  host::FolderPtr Parent() override {
    auto parent = Obj(M::MAPIFolder_Parent);
    if (!parent) return nullptr;
    // The store's root has the namespace as its parent, which is no folder.
    int cls = -1;
    try {
      cls = ToInt(*Read(parent.get(), M::MAPIFolder_Class).get());
    } catch (const HostError&) {
      return nullptr;
    }
    return cls == host::ol::kClassFolder ? MakeFolder(std::move(parent)) : nullptr;
  }
  host::FoldersPtr Folders() override;
  host::ItemsPtr Items() override;
  std::string FolderPath() override { return Text(M::MAPIFolder_FolderPath); }
  host::ViewsPtr Views() override;
  int DefaultItemType() override { return Int(M::MAPIFolder_DefaultItemType); }
};

class FoldersImpl final : public host::Folders, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Folders_Count); }
  host::FolderPtr Item(int index) override { return MakeFolder(Obj(M::Folders_Item, {index})); }
  host::FolderPtr Add(const std::string& name, int folderType) override {
    return MakeFolder(Obj(M::Folders_Add, {name, folderType}));
  }
};

class ItemsImpl final : public host::Items, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Items_Count); }
  host::MailItemPtr Item(int index) override { return MakeItem(Obj(M::Items_Item, {index})); }
  host::MailItemPtr Add(int itemType) override { return MakeItem(Obj(M::Items_Add, {itemType})); }
};

class AttachmentImpl final : public host::Attachment, public Base {
 public:
  using Base::Base;
  std::string DisplayName() override { return Text(M::Attachment_DisplayName); }
  std::string FileName() override { return Text(M::Attachment_FileName); }
  std::int64_t Size() override { return Int(M::Attachment_Size); }
};

class AttachmentsImpl final : public host::Attachments, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Attachments_Count); }
  host::AttachmentPtr Item(int index) override {
    return Make<AttachmentImpl>(Obj(M::Attachments_Item, {index}));
  }
  host::AttachmentPtr Add(const std::string& sourcePath, const std::string& displayName) override {
    // Type and Position left to Outlook (by value, at the end).
    return Make<AttachmentImpl>(
        Obj(M::Attachments_Add, {sourcePath, kMissing, kMissing, displayName}));
  }
};

class UserPropertyImpl final : public host::UserProperty, public Base {
 public:
  using Base::Base;
  std::string Name() override { return Text(M::UserProperty_Name); }
  int Type() override { return Int(M::UserProperty_Type); }
  host::Value GetValue() override { return ToValue(*Read(d_.get(), M::UserProperty_Value).get()); }
  void SetValue(const host::Value& v) override { Set(M::UserProperty_Value, Arg(v)); }
  void Delete() override { Do(M::UserProperty_Delete); }
};

class UserPropertiesImpl final : public host::UserProperties, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::UserProperties_Count); }
  host::UserPropertyPtr Item(int index) override {
    return Make<UserPropertyImpl>(Obj(M::UserProperties_Item, {index}));
  }
  host::UserPropertyPtr Find(const std::string& name) override {
    return Make<UserPropertyImpl>(Obj(M::UserProperties_Find, {name}));
  }
  host::UserPropertyPtr Add(const std::string& name, int type) override {
    return Make<UserPropertyImpl>(Obj(M::UserProperties_Add, {name, type}));
  }
};

class ItemImpl final : public host::MailItem, public Base {
 public:
  using Base::Base;
  int Class() override { return Int(M::MailItem_Class); }
  std::string EntryID() override { return Text(M::MailItem_EntryID); }
  std::string Subject() override { return Text(M::MailItem_Subject); }
  void SetSubject(const std::string& v) override { Set(M::MailItem_Subject, v); }
  std::string Body() override { return Text(M::MailItem_Body); }
  void SetBody(const std::string& v) override { Set(M::MailItem_Body, v); }
  std::string To() override { return Text(M::MailItem_To); }
  void SetTo(const std::string& v) override { Set(M::MailItem_To, v); }
  std::string CC() override { return Text(M::MailItem_CC); }
  void SetCC(const std::string& v) override { Set(M::MailItem_CC, v); }
  std::string BCC() override { return Text(M::MailItem_BCC); }
  void SetBCC(const std::string& v) override { Set(M::MailItem_BCC, v); }
  int Importance() override { return Int(M::MailItem_Importance); }
  void SetImportance(int v) override { Set(M::MailItem_Importance, v); }
  bool Sent() override { return Bool(M::MailItem_Sent); }
  host::FolderPtr Parent() override { return MakeFolder(Obj(M::MailItem_Parent)); }
  void Display() override { Do(M::MailItem_Display); }
  void Save() override { Do(M::MailItem_Save); }
  host::MailItemPtr Copy() override { return MakeItem(Obj(M::MailItem_Copy)); }
  host::MailItemPtr Move(host::FolderPtr destination) override {
    // The folder's only reference may be the argument: it lives for the call.
    const host::FolderPtr folder = NeedPtr(std::move(destination));
    return MakeItem(Obj(M::MailItem_Move, {DispatchOf(folder)}));
  }
  void Delete() override { Do(M::MailItem_Delete); }
  void Close(int saveMode) override { Do(M::MailItem_Close, {saveMode}); }
  host::AttachmentsPtr Attachments() override {
    return Make<AttachmentsImpl>(Obj(M::MailItem_Attachments));
  }
  host::UserPropertiesPtr UserProperties() override {
    return Make<UserPropertiesImpl>(Obj(M::MailItem_UserProperties));
  }
};

class InspectorImpl final : public host::Inspector, public Base {
 public:
  using Base::Base;
  host::MailItemPtr CurrentItem() override { return MakeItem(Obj(M::Inspector_CurrentItem)); }
  host::CommandBarsPtr CommandBars() override {
    return MakeCommandBars(Obj(M::Inspector_CommandBars));
  }
  void Close(int saveMode) override { Do(M::Inspector_Close, {saveMode}); }
  bool IsWordMail() override { return Bool(M::Inspector_IsWordMail); }
  int EditorType() override { return Int(M::Inspector_EditorType); }
  int Left() override { return Int(M::Inspector_Left); }
  int Top() override { return Int(M::Inspector_Top); }
  int Width() override { return Int(M::Inspector_Width); }
  int Height() override { return Int(M::Inspector_Height); }
};

class InspectorsImpl final : public host::Inspectors, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Inspectors_Count); }
  host::InspectorPtr Item(int index) override {
    return MakeInspector(Obj(M::Inspectors_Item, {index}));
  }
  host::SubscriptionPtr OnNewInspector(std::function<void(host::InspectorPtr)> h) override {
    return Advise(d_.get(), {iid::kInspectorsEvents}, dispid::kNewInspector,
                  "Inspectors.NewInspector",
                  [h = std::move(h)](const EventArgs& a) { h(MakeInspector(a.Object(0))); });
  }
};

class SelectionImpl final : public host::Selection, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Selection_Count); }
  host::MailItemPtr Item(int index) override { return MakeItem(Obj(M::Selection_Item, {index})); }
};

class ShortcutImpl final : public host::OutlookBarShortcut, public Base {
 public:
  using Base::Base;
  int Class() override { return Int(M::OutlookBarShortcut_Class); }
  std::string Name() override { return Text(M::OutlookBarShortcut_Name); }
};

class ShortcutsImpl final : public host::OutlookBarShortcuts, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::OutlookBarShortcuts_Count); }
  host::OutlookBarShortcutPtr Item(int index) override {
    return Make<ShortcutImpl>(Obj(M::OutlookBarShortcuts_Item, {index}));
  }
  void Remove(int index) override { Do(M::OutlookBarShortcuts_Remove, {index}); }
  host::OutlookBarShortcutPtr Add(host::FolderPtr target, const std::string& name) override {
    const host::FolderPtr folder = NeedPtr(std::move(target));
    return Make<ShortcutImpl>(Obj(M::OutlookBarShortcuts_Add, {DispatchOf(folder), name}));
  }
};

class GroupImpl final : public host::OutlookBarGroup, public Base {
 public:
  using Base::Base;
  int Class() override { return Int(M::OutlookBarGroup_Class); }
  std::string Name() override { return Text(M::OutlookBarGroup_Name); }
  host::OutlookBarShortcutsPtr Shortcuts() override {
    return Make<ShortcutsImpl>(Obj(M::OutlookBarGroup_Shortcuts));
  }
};

class GroupsImpl final : public host::OutlookBarGroups, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::OutlookBarGroups_Count); }
  host::OutlookBarGroupPtr Item(int index) override {
    return Make<GroupImpl>(Obj(M::OutlookBarGroups_Item, {index}));
  }
};

class StorageImpl final : public host::OutlookBarStorage, public Base {
 public:
  using Base::Base;
  host::OutlookBarGroupsPtr Groups() override {
    return Make<GroupsImpl>(Obj(M::OutlookBarStorage_Groups));
  }
};

class PaneImpl final : public host::OutlookBarPane, public Base {
 public:
  using Base::Base;
  int Class() override { return Int(M::OutlookBarPane_Class); }
  std::string Name() override { return Text(M::OutlookBarPane_Name); }
  host::OutlookBarStoragePtr Contents() override {
    return Make<StorageImpl>(Obj(M::OutlookBarPane_Contents));
  }
};

class PanesImpl final : public host::Panes, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Panes_Count); }
  host::OutlookBarPanePtr Item(int index) override {
    return Make<PaneImpl>(Obj(M::Panes_Item, {index}));
  }
};

class ExplorerImpl final : public host::Explorer, public Base {
 public:
  using Base::Base;
  host::CommandBarsPtr CommandBars() override {
    return MakeCommandBars(Obj(M::Explorer_CommandBars));
  }
  host::FolderPtr CurrentFolder() override { return MakeFolder(Obj(M::Explorer_CurrentFolder)); }
  void SetCurrentFolder(host::FolderPtr folder) override {
    PutRef(d_.get(), M::Explorer_CurrentFolder, DispatchOf(NeedPtr(std::move(folder))));
  }
  host::SelectionPtr Selection() override {
    return Make<SelectionImpl>(Obj(M::Explorer_Selection));
  }
  host::PanesPtr Panes() override { return Make<PanesImpl>(Obj(M::Explorer_Panes)); }
  void Close() override { Do(M::Explorer_Close); }
  int Left() override { return Int(M::Explorer_Left); }
  int Top() override { return Int(M::Explorer_Top); }
  int Width() override { return Int(M::Explorer_Width); }
  int Height() override { return Int(M::Explorer_Height); }
  host::SubscriptionPtr OnClose(std::function<void()> h) override {
    return Advise(d_.get(), {iid::kExplorerEvents, iid::kExplorerEvents10}, dispid::kExplorerClose,
                  "Explorer.Close", [h = std::move(h)](const EventArgs&) { h(); });
  }
};

class ExplorersImpl final : public host::Explorers, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Explorers_Count); }
  host::ExplorerPtr Item(int index) override {
    return MakeExplorer(Obj(M::Explorers_Item, {index}));
  }
  host::SubscriptionPtr OnNewExplorer(std::function<void(host::ExplorerPtr)> h) override {
    return Advise(d_.get(), {iid::kExplorersEvents}, dispid::kNewExplorer, "Explorers.NewExplorer",
                  [h = std::move(h)](const EventArgs& a) { h(MakeExplorer(a.Object(0))); });
  }
};

class ViewImpl final : public host::View, public Base {
 public:
  using Base::Base;
  std::string Name() override { return Text(M::View_Name); }
  std::string Xml() override { return Text(M::View_XML); }
  void SetXml(const std::string& xml) override { Set(M::View_XML, xml); }
  void Save() override { Do(M::View_Save); }
  void Apply() override { Do(M::View_Apply); }
};

class ViewsImpl final : public host::Views, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Views_Count); }
  host::ViewPtr Item(const std::string& name) override {
    // Outlook raises for a name it does not have; the engine asks for nothing.
    try {
      return Make<ViewImpl>(Obj(M::Views_Item, {name}));
    } catch (const HostError&) {
      return nullptr;
    }
  }
  host::ViewPtr Add(const std::string& name, int viewType, int saveOption) override {
    return Make<ViewImpl>(Obj(M::Views_Add, {name, viewType, saveOption}));
  }
};

class SyncObjectImpl final : public host::SyncObject, public Base {
 public:
  using Base::Base;
  std::string Name() override { return Text(M::SyncObject_Name); }
  void Start() override { Do(M::SyncObject_Start); }
  void Stop() override { Do(M::SyncObject_Stop); }
  host::SubscriptionPtr OnSyncStart(std::function<void()> h) override {
    return Advise(d_.get(), {iid::kSyncObjectEvents}, dispid::kSyncStart, "SyncObject.SyncStart",
                  [h = std::move(h)](const EventArgs&) { h(); });
  }
  host::SubscriptionPtr OnProgress(
      std::function<void(int, const std::string&, int, int)> h) override {
    return Advise(
        d_.get(), {iid::kSyncObjectEvents}, dispid::kSyncProgress, "SyncObject.Progress",
        [h = std::move(h)](const EventArgs& a) { h(a.Int(0), a.Text(1), a.Int(2), a.Int(3)); });
  }
  host::SubscriptionPtr OnError(std::function<void(int, const std::string&)> h) override {
    return Advise(d_.get(), {iid::kSyncObjectEvents}, dispid::kSyncError, "SyncObject.OnError",
                  [h = std::move(h)](const EventArgs& a) { h(a.Int(0), a.Text(1)); });
  }
  host::SubscriptionPtr OnSyncEnd(std::function<void()> h) override {
    return Advise(d_.get(), {iid::kSyncObjectEvents}, dispid::kSyncEnd, "SyncObject.SyncEnd",
                  [h = std::move(h)](const EventArgs&) { h(); });
  }
};

class SyncObjectsImpl final : public host::SyncObjects, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::SyncObjects_Count); }
  host::SyncObjectPtr Item(int index) override {
    return MakeSyncObject(Obj(M::SyncObjects_Item, {index}));
  }
};

// Office command bars ---------------------------------------------------------

class CommandBarsImpl final : public host::CommandBars, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::CommandBars_Count); }
  host::CommandBarPtr Item(const std::string& name) override {
    // Office raises for a bar it does not have; the engine asks for nothing.
    try {
      return MakeCommandBar(Obj(M::CommandBars_Item, {name}));
    } catch (const HostError&) {
      return nullptr;
    }
  }
  host::CommandBarPtr Add(const std::string& name, int position, bool menuBar,
                          bool temporary) override {
    return MakeCommandBar(Obj(M::CommandBars_Add, {name, position, menuBar, temporary}));
  }
  host::CommandBarControlPtr FindControl(const host::FindControlArgs& f) override {
    return MakeControl(
        Obj(M::CommandBars_FindControl, {Optional(f.type), Optional(f.id), Optional(f.tag),
                                         Optional(f.visible), Optional(f.recursive)}));
  }
};

class CommandBarImpl final : public host::CommandBar, public Base {
 public:
  using Base::Base;
  std::string Name() override { return Text(M::CommandBar_Name); }
  bool Visible() override { return Bool(M::CommandBar_Visible); }
  void SetVisible(bool v) override { Set(M::CommandBar_Visible, v); }
  host::CommandBarControlsPtr Controls() override {
    return MakeControls(Obj(M::CommandBar_Controls));
  }
  host::CommandBarControlPtr FindControl(const host::FindControlArgs& f) override {
    return MakeControl(
        Obj(M::CommandBar_FindControl, {Optional(f.type), Optional(f.id), Optional(f.tag),
                                        Optional(f.visible), Optional(f.recursive)}));
  }
};

class ControlsImpl final : public host::CommandBarControls, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::CommandBarControls_Count); }
  host::CommandBarControlPtr Item(int index) override {
    return MakeControl(Obj(M::CommandBarControls_Item, {index}));
  }
  host::CommandBarControlPtr Add(const host::AddControlArgs& a) override {
    return MakeControl(
        Obj(M::CommandBarControls_Add, {Optional(a.type), Optional(a.id), Optional(a.parameter),
                                        Optional(a.before), Optional(a.temporary)}));
  }
};

class ControlImpl final : public host::CommandBarControl, public Base {
 public:
  using Base::Base;
  int Id() override { return Int(M::CommandBarControl_Id); }
  int Type() override { return Int(M::CommandBarControl_Type); }
  int Index() override { return Int(M::CommandBarControl_Index); }
  bool Visible() override { return Bool(M::CommandBarControl_Visible); }
  void SetVisible(bool v) override { Set(M::CommandBarControl_Visible, v); }
  bool BeginGroup() override { return Bool(M::CommandBarControl_BeginGroup); }
  void SetBeginGroup(bool v) override { Set(M::CommandBarControl_BeginGroup, v); }
  std::string Caption() override { return Text(M::CommandBarControl_Caption); }
  void SetCaption(const std::string& v) override { Set(M::CommandBarControl_Caption, v); }
  std::string Tag() override { return Text(M::CommandBarControl_Tag); }
  void SetTag(const std::string& v) override { Set(M::CommandBarControl_Tag, v); }
  int FaceId() override { return Int(M::CommandBarControl_FaceId); }
  void SetFaceId(int v) override { Set(M::CommandBarControl_FaceId, v); }
  int Style() override { return Int(M::CommandBarControl_Style); }
  void SetStyle(int v) override { Set(M::CommandBarControl_Style, v); }
  void Execute() override { Do(M::CommandBarControl_Execute); }
  host::CommandBarPtr CommandBar() override {
    return MakeCommandBar(Obj(M::CommandBarControl_CommandBar));
  }
  host::CommandBarControlsPtr Controls() override {
    return MakeControls(Obj(M::CommandBarControl_Controls));
  }
  void Delete() override { Do(M::CommandBarControl_Delete); }
  host::SubscriptionPtr OnClick(std::function<void(host::CommandBarControlPtr, bool&)> h) override {
    return Advise(d_.get(), {iid::kCommandBarButtonEvents}, dispid::kClick,
                  "CommandBarButton.Click", [h = std::move(h)](const EventArgs& a) {
                    bool cancelDefault = a.BoolRef(1);
                    h(MakeControl(a.Object(0)), cancelDefault);
                    if (cancelDefault != a.BoolRef(1)) a.SetBoolRef(1, cancelDefault);
                  });
  }
};

// COM add-ins -----------------------------------------------------------------

class ComAddInImpl final : public host::COMAddIn, public Base {
 public:
  ComAddInImpl(ComPtr<IDispatch> d, IDispatch* self) : Base(std::move(d)), self_(self) {}
  explicit ComAddInImpl(ComPtr<IDispatch> d) : ComAddInImpl(std::move(d), nullptr) {}
  std::string ProgID() override { return Text(M::COMAddIn_ProgId); }
  std::string Description() override { return Text(M::COMAddIn_Description); }
  bool Connect() override { return Bool(M::COMAddIn_Connect); }
  // The host's automation clients get the add-in's COM object, never the
  // engine's pointer the engine hands over.
  void SetObject(void* addin) override {
    Set(M::COMAddIn_Object, Arg(addin ? self_ : nullptr));
    object_ = addin;
  }
  void* Object() override { return object_; }

 private:
  IDispatch* self_;
  void* object_ = nullptr;
};

class ComAddInsImpl final : public host::COMAddIns, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::COMAddIns_Count); }
  host::COMAddInPtr Item(int index) override {
    return Make<ComAddInImpl>(Obj(M::COMAddIns_Item, {index}));
  }
};

// Safe sending ----------------------------------------------------------------

class SafeRecipientsImpl final : public host::SafeRecipients, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::SafeRecipients_Count); }
  bool ResolveAll() override { return ToBool(*Read(d_.get(), M::SafeRecipients_ResolveAll).get()); }
};

class RedemptionMailItem final : public host::SafeMailItem, public Base {
 public:
  using Base::Base;
  void SetItem(host::MailItemPtr item) override {
    Set(M::SafeMailItem_Item, Arg(DispatchOf(item)));
    item_ = std::move(item);
  }
  host::MailItemPtr Item() override { return item_; }
  void Send() override { Do(M::SafeMailItem_Send); }
  host::SafeRecipientsPtr Recipients() override {
    return Make<SafeRecipientsImpl>(Obj(M::SafeMailItem_Recipients));
  }

 private:
  host::MailItemPtr item_;
};

// The mail item's own recipients, where the safe library is missing.
class OwnRecipients final : public host::SafeRecipients, public Base {
 public:
  using Base::Base;
  int Count() override { return Int(M::Recipients_Count); }
  bool ResolveAll() override { return ToBool(*Read(d_.get(), M::Recipients_ResolveAll).get()); }
};

// Sends through the mail item itself (Outlook may ask the user first).
class OwnSendMailItem final : public host::SafeMailItem {
 public:
  void SetItem(host::MailItemPtr item) override { item_ = std::move(item); }
  host::MailItemPtr Item() override { return item_; }
  void Send() override { Method(Mail(), M::MailItem_Send); }
  host::SafeRecipientsPtr Recipients() override {
    return Make<OwnRecipients>(ToObject(*Read(Mail(), M::MailItem_Recipients).get()));
  }

 private:
  IDispatch* Mail() const {
    IDispatch* d = DispatchOf(item_);
    if (!d) Raise(err::kObjectNotSet, "Object variable not set (SafeMailItem.Item)");
    return d;
  }
  host::MailItemPtr item_;
};

// Makers ----------------------------------------------------------------------

host::NameSpacePtr MakeNameSpace(ComPtr<IDispatch> d) {
  return Make<NameSpaceImpl>(std::move(d));
}
host::FolderPtr MakeFolder(ComPtr<IDispatch> d) {
  return Make<FolderImpl>(std::move(d));
}
host::MailItemPtr MakeItem(ComPtr<IDispatch> d) {
  return Make<ItemImpl>(std::move(d));
}
host::InspectorPtr MakeInspector(ComPtr<IDispatch> d) {
  return Make<InspectorImpl>(std::move(d));
}
host::ExplorerPtr MakeExplorer(ComPtr<IDispatch> d) {
  return Make<ExplorerImpl>(std::move(d));
}
host::CommandBarsPtr MakeCommandBars(ComPtr<IDispatch> d) {
  return Make<CommandBarsImpl>(std::move(d));
}
host::CommandBarPtr MakeCommandBar(ComPtr<IDispatch> d) {
  return Make<CommandBarImpl>(std::move(d));
}
host::CommandBarControlsPtr MakeControls(ComPtr<IDispatch> d) {
  return Make<ControlsImpl>(std::move(d));
}
host::CommandBarControlPtr MakeControl(ComPtr<IDispatch> d) {
  return Make<ControlImpl>(std::move(d));
}
host::SyncObjectPtr MakeSyncObject(ComPtr<IDispatch> d) {
  return Make<SyncObjectImpl>(std::move(d));
}

host::ExplorersPtr ApplicationImpl::Explorers() {
  return Make<ExplorersImpl>(Obj(M::Application_Explorers));
}
host::InspectorsPtr ApplicationImpl::Inspectors() {
  return Make<InspectorsImpl>(Obj(M::Application_Inspectors));
}
host::COMAddInsPtr ApplicationImpl::COMAddIns() {
  return Make<ComAddInsImpl>(Obj(M::Application_COMAddIns));
}
host::SyncObjectsPtr NameSpaceImpl::SyncObjects() {
  return Make<SyncObjectsImpl>(Obj(M::NameSpace_SyncObjects));
}
host::FoldersPtr FolderImpl::Folders() {
  return Make<FoldersImpl>(Obj(M::MAPIFolder_Folders));
}
host::ItemsPtr FolderImpl::Items() {
  return Make<ItemsImpl>(Obj(M::MAPIFolder_Items));
}
host::ViewsPtr FolderImpl::Views() {
  return Make<ViewsImpl>(Obj(M::MAPIFolder_Views));
}

}  // namespace

host::ApplicationPtr WrapApplication(IDispatch* application) {
  return Make<ApplicationImpl>(ComPtr<IDispatch>::Retain(application));
}

host::COMAddInPtr WrapComAddIn(IDispatch* addInInst, IDispatch* self) {
  if (!addInInst) return nullptr;
  return std::make_shared<ComAddInImpl>(ComPtr<IDispatch>::Retain(addInInst), self);
}

host::MailItemPtr WrapItem(IDispatch* item) {
  return MakeItem(ComPtr<IDispatch>::Retain(item));
}

ComPtr<IDispatch> CreateObjectByProgId(const std::string& progId) {
  const auto name = WidenName(progId);
  if (!name) Raise(err::kCannotCreateObject, "ActiveX component can't create object");
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(name->c_str(), &clsid);
  ComPtr<IDispatch> object;
  if (SUCCEEDED(hr))
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            IID_IDispatch, reinterpret_cast<void**>(object.put()));
  if (FAILED(hr) || !object) {
    const HostError e = ErrorFromHresult(FAILED(hr) ? hr : E_NOINTERFACE, nullptr, progId);
    Raise(err::kCannotCreateObject, "ActiveX component can't create object: " + e.Description());
  }
  return object;
}

host::SafeMailItemPtr OutlookObjectFactory::CreateSafeMailItem() {
  try {
    return Make<RedemptionMailItem>(CreateObjectByProgId("Redemption.SafeMailItem"));
  } catch (const HostError& e) {
    if (!warned_) {
      warned_ = true;
      g_debug().OutWarning("CreateSafeMailItem",
                           e.Description() + "; mails are sent with the mail item's own Send");
    }
    return std::make_shared<OwnSendMailItem>();
  }
}

}  // namespace velmora::win32
